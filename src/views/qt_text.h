#pragma once

#include <QString>

#include <string>

// The one bridge between model text (Windows-1252 bytes) and QString, through the model's table.
namespace ks {
QString FromCp1252(const std::string& text);
std::string ToCp1252(const QString& text);
// UTF-8 texts of the program (messages, status texts) to QString.
QString ToQString(const std::string& utf8);
} // namespace ks

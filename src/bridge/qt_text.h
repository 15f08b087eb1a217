#pragma once

#include <QString>

#include <string>

// The one bridge between model text (Windows-1252 bytes) and QString, through the model's table.
namespace ks {
QString FromCp1252(const std::string& text);
std::string ToCp1252(const QString& text);
// A text file edited by the user: UTF-8 (a leading byte-order mark dropped) when it is valid
// UTF-8, as today's editors save it, else Windows-1252, as older ones did.
QString FromUserTextFile(const std::string& bytes);
// UTF-8 texts of the program (messages, status texts, numbers, file paths) to QString and back.
// With the two Windows-1252 functions above, these are the only conversions between QString and
// std::string: scripts/check-layers refuses any other.
QString ToQString(const std::string& utf8);
std::string ToUtf8(const QString& text);
// The bytes of a file or buffer, as they are.
std::string Bytes(const QByteArray& bytes);
} // namespace ks

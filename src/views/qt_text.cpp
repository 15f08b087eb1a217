#include "views/qt_text.h"

#include "model/text_utils.h"

namespace ks {

QString FromCp1252(const std::string& text)
{
    return QString::fromStdString(Cp1252ToUtf8(text));
}

std::string ToCp1252(const QString& text)
{
    return Utf8ToCp1252(text.toStdString());
}

QString ToQString(const std::string& utf8)
{
    return QString::fromStdString(utf8);
}

} // namespace ks

// The only conversions between QString and std::string: Windows-1252 model text and UTF-8.
#include "bridge/qt_text.h"

#include "model/text_utils.h"

#include <QStringDecoder>

namespace ks {

QString FromCp1252(const std::string& text)
{
    return QString::fromStdString(Cp1252ToUtf8(text));
}

std::string ToCp1252(const QString& text)
{
    return Utf8ToCp1252(ToUtf8(text));
}

QString FromUserTextFile(const std::string& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    const QString text = utf8(QByteArray::fromStdString(bytes));
    if (utf8.hasError())
        return FromCp1252(bytes);
    return text.startsWith(QChar(0xFEFF)) ? text.mid(1) : text;
}

QString ToQString(const std::string& utf8)
{
    return QString::fromStdString(utf8);
}

std::string ToUtf8(const QString& text)
{
    return text.toStdString();
}

std::string Bytes(const QByteArray& bytes)
{
    return bytes.toStdString();
}

} // namespace ks

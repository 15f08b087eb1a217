// Numbers, dates, case and code pages for the core, whatever the locale.
#include "model/text_utils.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace ks {

namespace {

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// Unicode code points of the Windows-1252 bytes 0x80 to 0x9F; 0 marks an unassigned byte.
constexpr std::array<char16_t, 32> kHigh1252 = {
    0x20AC,
    0,
    0x201A,
    0x0192,
    0x201E,
    0x2026,
    0x2020,
    0x2021,
    0x02C6,
    0x2030,
    0x0160,
    0x2039,
    0x0152,
    0,
    0x017D,
    0,
    0,
    0x2018,
    0x2019,
    0x201C,
    0x201D,
    0x2022,
    0x2013,
    0x2014,
    0x02DC,
    0x2122,
    0x0161,
    0x203A,
    0x0153,
    0,
    0x017E,
    0x0178,
};

void AppendUtf8(std::string& out, std::uint32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

} // namespace

std::optional<long long> ParseInt(std::string_view text)
{
    text = Trim(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    long long value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<double> ParseReal(std::string_view text)
{
    text = Trim(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty())
        return std::nullopt;
    double value = 0;
    auto [end, ec]
        = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

long long ToInt(std::string_view text)
{
    return ParseInt(text).value_or(0);
}

double ToReal(std::string_view text)
{
    return ParseReal(text).value_or(0.0);
}

std::string FormatG(double value, int digits)
{
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";
    if (digits < 1)
        digits = 1;
    if (digits > 17)
        digits = 17;
    if (value == 0)
        return "0";

    // One conversion with twenty digits beyond the kept ones, rounded here half away from zero:
    // a value exactly halfway between two roundings goes up in magnitude (12.25 to 3 digits is
    // 12.3), as such text formats do, where the library would round it to even; twenty digits
    // tell an exact tie from a value merely near one.
    char buffer[64];
    auto result = std::to_chars(
        buffer, buffer + sizeof buffer, value, std::chars_format::scientific, digits - 1 + 20);
    std::string_view sci(buffer, static_cast<std::size_t>(result.ptr - buffer));
    const bool negative = sci.front() == '-';
    if (negative)
        sci.remove_prefix(1);
    const auto ePos = sci.find('e');
    std::string mantissa;
    for (char c : sci.substr(0, ePos))
        if (c != '.')
            mantissa += c;
    int exponent = static_cast<int>(ToInt(sci.substr(ePos + 1)));
    const bool up = mantissa[static_cast<std::size_t>(digits)] >= '5';
    mantissa.resize(static_cast<std::size_t>(digits));
    if (up) {
        auto i = mantissa.size();
        while (i > 0 && mantissa[i - 1] == '9')
            mantissa[--i] = '0';
        if (i == 0) { // 9.99… became 10.0…
            mantissa.insert(mantissa.begin(), '1');
            mantissa.pop_back();
            ++exponent;
        } else {
            ++mantissa[i - 1];
        }
    }
    while (mantissa.size() > 1 && mantissa.back() == '0')
        mantissa.pop_back();

    std::string out = negative ? "-" : "";
    if (exponent >= digits || exponent < -5) {
        out += mantissa[0];
        if (mantissa.size() > 1) {
            out += '.';
            out.append(mantissa, 1, std::string::npos);
        }
        out += 'E';
        if (exponent < 0)
            out += '-';
        out += std::to_string(std::abs(exponent));
    } else if (exponent >= 0) {
        const auto intDigits = static_cast<std::size_t>(exponent) + 1;
        if (mantissa.size() <= intDigits) {
            out += mantissa;
            out.append(intDigits - mantissa.size(), '0');
        } else {
            out.append(mantissa, 0, intDigits);
            out += '.';
            out.append(mantissa, intDigits, std::string::npos);
        }
    } else {
        out += "0.";
        out.append(static_cast<std::size_t>(-exponent - 1), '0');
        out += mantissa;
    }
    return out;
}

std::string FormatFixed(double value, int decimals)
{
    if (!std::isfinite(value))
        return FormatG(value, 1);
    char buffer[400];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    return std::string(buffer, result.ptr);
}

int DateKey(std::string_view date)
{
    // Fields separated by "/": day, month, year; a field that is not a number adds nothing.
    std::optional<long long> parts[3];
    for (auto& part : parts) {
        const auto slash = date.find('/');
        part = ParseInt(date.substr(0, slash));
        date = slash == std::string_view::npos ? std::string_view() : date.substr(slash + 1);
    }
    const long long year = parts[2] ? FullYear(*parts[2]) : 0;
    return static_cast<int>(parts[0].value_or(0) + 100 * parts[1].value_or(0) + 10000 * year);
}

long long FullYear(long long year)
{
    if (year < 0 || year >= 100)
        return year;
    return year < 50 ? 2000 + year : 1900 + year;
}

char UpperChar(char c)
{
    const auto u = static_cast<unsigned char>(c);
    if (u >= 'a' && u <= 'z')
        return static_cast<char>(u - 32);
    if (u >= 0xE0 && u <= 0xFE && u != 0xF7)
        return static_cast<char>(u - 32);
    switch (u) {
    case 0x9A: // š
    case 0x9C: // œ
    case 0x9E: // ž
        return static_cast<char>(u - 0x10);
    case 0xFF: // ÿ
        return static_cast<char>(0x9F);
    default:
        return c;
    }
}

std::string UpperCase(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = UpperChar(c);
    return out;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (UpperChar(a[i]) != UpperChar(b[i]))
            return false;
    return true;
}

char16_t Cp1252CodePoint(unsigned char byte)
{
    return byte >= 0x80 && byte < 0xA0 ? kHigh1252[byte - 0x80] : byte;
}

std::string Cp1252ToUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        std::uint32_t cp = u;
        if (u >= 0x80 && u < 0xA0)
            cp = kHigh1252[u - 0x80] ? kHigh1252[u - 0x80] : 0xFFFD;
        AppendUtf8(out, cp);
    }
    return out;
}

std::string Utf8ToCp1252(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto u = static_cast<unsigned char>(text[i]);
        std::uint32_t cp = 0;
        std::size_t extra = 0;
        if (u < 0x80) {
            cp = u;
        } else if ((u & 0xE0) == 0xC0) {
            cp = u & 0x1F;
            extra = 1;
        } else if ((u & 0xF0) == 0xE0) {
            cp = u & 0x0F;
            extra = 2;
        } else if ((u & 0xF8) == 0xF0) {
            cp = u & 0x07;
            extra = 3;
        } else {
            out += '?';
            ++i;
            continue;
        }
        bool valid = i + extra < text.size();
        for (std::size_t k = 1; valid && k <= extra; ++k) {
            const auto b = static_cast<unsigned char>(text[i + k]);
            if ((b & 0xC0) != 0x80)
                valid = false;
            else
                cp = (cp << 6) | (b & 0x3F);
        }
        if (!valid) {
            out += '?';
            ++i;
            continue;
        }
        i += extra + 1;
        if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
            out += static_cast<char>(cp);
            continue;
        }
        char mapped = '?';
        for (std::size_t k = 0; k < kHigh1252.size(); ++k)
            if (kHigh1252[k] != 0 && kHigh1252[k] == cp)
                mapped = static_cast<char>(0x80 + k);
        out += mapped;
    }
    return out;
}

std::string CsvField(const std::string& text)
{
    if (text.find_first_of(",\"\n\r") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

} // namespace ks

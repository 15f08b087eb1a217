// The Toporobot format's text: Macintosh Roman and Windows-1252 both ways, and how to tell them
// apart.
#include "exchange/toporobot_codec.h"

#include "model/text_utils.h"

#include <array>

namespace ks::toporobot {

namespace {

// Unicode code points of the Macintosh Roman bytes 0x80 to 0xFF.
constexpr std::array<char16_t, 128> kMacRoman = { 0xC4, 0xC5, 0xC7, 0xC9, 0xD1, 0xD6, 0xDC, 0xE1, 0xE0, 0xE2,
    0xE4, 0xE3, 0xE5, 0xE7, 0xE9, 0xE8, 0xEA, 0xEB, 0xED, 0xEC, 0xEE, 0xEF, 0xF1, 0xF3, 0xF2, 0xF4, 0xF6,
    0xF5, 0xFA, 0xF9, 0xFB, 0xFC, 0x2020, 0xB0, 0xA2, 0xA3, 0xA7, 0x2022, 0xB6, 0xDF, 0xAE, 0xA9, 0x2122,
    0xB4, 0xA8, 0x2260, 0xC6, 0xD8, 0x221E, 0xB1, 0x2264, 0x2265, 0xA5, 0xB5, 0x2202, 0x2211, 0x220F, 0x3C0,
    0x222B, 0xAA, 0xBA, 0x3A9, 0xE6, 0xF8, 0xBF, 0xA1, 0xAC, 0x221A, 0x192, 0x2248, 0x2206, 0xAB, 0xBB,
    0x2026, 0xA0, 0xC0, 0xC3, 0xD5, 0x152, 0x153, 0x2013, 0x2014, 0x201C, 0x201D, 0x2018, 0x2019, 0xF7,
    0x25CA, 0xFF, 0x178, 0x2044, 0x20AC, 0x2039, 0x203A, 0xFB01, 0xFB02, 0x2021, 0xB7, 0x201A, 0x201E, 0x2030,
    0xC2, 0xCA, 0xC1, 0xCB, 0xC8, 0xCD, 0xCE, 0xCF, 0xCC, 0xD3, 0xD4, 0xF8FF, 0xD2, 0xDA, 0xDB, 0xD9, 0x131,
    0x2C6, 0x2DC, 0xAF, 0x2D8, 0x2D9, 0x2DA, 0xB8, 0x2DD, 0x2DB, 0x2C7 };

// One code page's bytes in the other's: the byte of the same character, or "?" when it has none.
struct TCodePages
{
    std::array<char, 256> ToMac {}, FromMac {};
    TCodePages()
    {
        for (int b = 0; b < 256; ++b)
            ToMac[static_cast<std::size_t>(b)] = FromMac[static_cast<std::size_t>(b)]
                = static_cast<char>(b < 0x80 ? b : '?');
        for (int w = 0x80; w < 256; ++w)
            for (int m = 0x80; m < 256; ++m)
                if (Cp1252CodePoint(static_cast<unsigned char>(w))
                    == kMacRoman[static_cast<std::size_t>(m - 0x80)]) {
                    ToMac[static_cast<std::size_t>(w)] = static_cast<char>(m);
                    FromMac[static_cast<std::size_t>(m)] = static_cast<char>(w);
                }
    }
};

const TCodePages& CodePages()
{
    static const TCodePages pages;
    return pages;
}

// How well a byte reads as text in one code page: a Latin letter whose case agrees with the case
// expected there 1 (either case when none is), one whose case does not 0, a common sign of survey
// notes 0, anything else -1.
int Plausibility(char16_t c, int neighbourCase)
{
    const bool letter = (c >= 0xC0 && c <= 0xFF && c != 0xD7 && c != 0xF7) || c == 0x152 || c == 0x153
        || c == 0x178 || c == 0x160 || c == 0x161 || c == 0x17D || c == 0x17E;
    if (letter) {
        const bool lower = (c >= 0xDF && c <= 0xFF) || c == 0x153 || c == 0x161 || c == 0x17E;
        return neighbourCase == 0 || (neighbourCase < 0) == lower ? 1 : 0;
    }
    switch (c) {
    case 0xB0:
    case 0xBA:
    case 0xAA:
    case 0xB7:
    case 0xBF:
    case 0xA1:
    case 0xAB:
    case 0xBB:
    case 0xA0:
    case 0x2018:
    case 0x2019:
    case 0x201C:
    case 0x201D:
    case 0x2013:
    case 0x2026:
    case 0x20AC:
        return 0;
    default:
        return -1;
    }
}

} // namespace

std::string ToMacintosh(std::string text)
{
    for (char& c : text)
        c = CodePages().ToMac[static_cast<unsigned char>(c)];
    if (!text.empty() && text[0] == '(')
        text.insert(0, ".");
    return text;
}

std::string FromMacintosh(std::string text)
{
    for (char& c : text)
        c = CodePages().FromMac[static_cast<unsigned char>(c)];
    return text;
}

// Whether a text reads better as Macintosh Roman than as Windows-1252, byte by byte in context.
bool ReadsAsMacintosh(const std::string& text)
{
    auto caseOf = [&](std::size_t i) {
        const char c = text[i];
        return c >= 'a' && c <= 'z' ? -1 : c >= 'A' && c <= 'Z' ? 1 : 0;
    };
    long long mac = 0, windows = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b < 0x80)
            continue;
        // Within a word the letter before sets the case; at a word's start, only a capital after.
        int neighbour = i > 0 ? caseOf(i - 1) : 0;
        if (neighbour == 0 && i + 1 < text.size() && caseOf(i + 1) > 0)
            neighbour = 1;
        mac += Plausibility(kMacRoman[b - 0x80], neighbour);
        windows += Plausibility(Cp1252CodePoint(b), neighbour);
    }
    return mac > windows;
}

std::string Fixed2(double value)
{
    if (value == 0)
        value = 0; // no "-0.00"
    return FormatFixed(value, 2);
}

} // namespace ks::toporobot

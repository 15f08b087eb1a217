// Colour names of the text files (clBlack, ...) and their values.
#include "model/colour_names.h"

#include "model/text_utils.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <utility>

namespace ks {

namespace {

constexpr std::uint32_t kSystemBase = 0x80000000u;

constexpr std::array<std::pair<const char*, std::uint32_t>, 16> kStandard = { {
    { "clBlack", 0x000000 },
    { "clMaroon", 0x000080 },
    { "clGreen", 0x008000 },
    { "clOlive", 0x008080 },
    { "clNavy", 0x800000 },
    { "clPurple", 0x800080 },
    { "clTeal", 0x808000 },
    { "clGray", 0x808080 },
    { "clSilver", 0xC0C0C0 },
    { "clRed", 0x0000FF },
    { "clLime", 0x00FF00 },
    { "clYellow", 0x00FFFF },
    { "clBlue", 0xFF0000 },
    { "clFuchsia", 0xFF00FF },
    { "clAqua", 0xFFFF00 },
    { "clWhite", 0xFFFFFF },
} };

// System colours in index order: clScrollBar is 80000000, clInfoBk 80000018.
constexpr std::array<const char*, 25> kSystem = {
    "clScrollBar",
    "clBackground",
    "clActiveCaption",
    "clInactiveCaption",
    "clMenu",
    "clWindow",
    "clWindowFrame",
    "clMenuText",
    "clWindowText",
    "clCaptionText",
    "clActiveBorder",
    "clInactiveBorder",
    "clAppWorkSpace",
    "clHighlight",
    "clHighlightText",
    "clBtnFace",
    "clBtnShadow",
    "clGrayText",
    "clBtnText",
    "clInactiveCaptionText",
    "clBtnHighlight",
    "cl3DDkShadow",
    "cl3DLight",
    "clInfoText",
    "clInfoBk",
};

// Further names of the platform's colour table, read but never written: the writer keeps to the
// names above and "$" hexadecimal for everything else.
constexpr std::array<std::pair<const char*, std::uint32_t>, 13> kReadOnly = { {
    { "clNone", 0x1FFFFFFF },
    { "clDefault", 0x20000000 },
    { "clMoneyGreen", 0xC0DCC0 },
    { "clSkyBlue", 0xF0CAA6 },
    { "clCream", 0xF0FBFF },
    { "clMedGray", 0xA4A0A0 },
    { "clLtGray", 0xC0C0C0 },
    { "clDkGray", 0x808080 },
    { "clHotLight", kSystemBase + 26 },
    { "clGradientActiveCaption", kSystemBase + 27 },
    { "clGradientInactiveCaption", kSystemBase + 28 },
    { "clMenuHighlight", kSystemBase + 29 },
    { "clMenuBar", kSystemBase + 30 },
} };

} // namespace

std::string ColourToText(std::int32_t colour)
{
    const auto value = static_cast<std::uint32_t>(colour);
    for (const auto& [name, rgb] : kStandard)
        if (rgb == value)
            return name;
    if (value >= kSystemBase && value < kSystemBase + kSystem.size())
        return kSystem[value - kSystemBase];
    static const char digits[] = "0123456789ABCDEF";
    std::string out = "$";
    for (int shift = 28; shift >= 0; shift -= 4)
        out += digits[(value >> shift) & 0xF];
    return out;
}

std::optional<std::int32_t> ColourFromText(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    for (const auto& [name, rgb] : kStandard)
        if (EqualsIgnoreCase(text, name))
            return static_cast<std::int32_t>(rgb);
    for (std::size_t i = 0; i < kSystem.size(); ++i)
        if (EqualsIgnoreCase(text, kSystem[i]))
            return static_cast<std::int32_t>(kSystemBase + i);
    for (const auto& [name, rgb] : kReadOnly)
        if (EqualsIgnoreCase(text, name))
            return static_cast<std::int32_t>(rgb);

    std::uint32_t value = 0;
    if (!text.empty() && text.front() == '$') {
        text.remove_prefix(1);
        auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
        if (text.empty() || ec != std::errc() || end != text.data() + text.size())
            return std::nullopt;
    } else {
        const auto number = ParseInt(text);
        if (!number || *number < INT32_MIN || *number > UINT32_MAX)
            return std::nullopt;
        value = static_cast<std::uint32_t>(*number);
    }
    if ((value & 0xFF000000u) == 0xFF000000u && (value & 0x00FFFFFFu) <= 30)
        value = kSystemBase | (value & 0x00FFFFFFu);
    return static_cast<std::int32_t>(value);
}

} // namespace ks

std::int32_t ks::DeformationColour(int index)
{
    static const std::array<std::int32_t, 61> table = [] {
        std::array<std::int32_t, 61> t {};
        const int anchors[6][3] = { { 64, 225, 127 }, { 0, 0, 255 }, { 0, 128, 0 }, { 255, 255, 0 },
            { 255, 128, 0 }, { 255, 0, 0 } };
        auto rgb = [](int r, int g, int b) { return static_cast<std::int32_t>(r | (g << 8) | (b << 16)); };
        for (int k = 0; k < 5; ++k) {
            const int* a = anchors[k];
            const int* b = anchors[k + 1];
            t[static_cast<std::size_t>(12 * k)] = rgb(a[0], a[1], a[2]);
            for (int j = 1; j <= 11; ++j) {
                int c[3];
                for (int ch = 0; ch < 3; ++ch)
                    c[ch] = static_cast<int>(std::lround(((12 - j) * a[ch] + j * b[ch]) / 12.0));
                t[static_cast<std::size_t>(12 * k + j)] = rgb(c[0], c[1], c[2]);
            }
        }
        t[60] = rgb(255, 0, 0);
        t[0] = 0;
        return t;
    }();
    return table[static_cast<std::size_t>(std::clamp(index, 0, 60))];
}

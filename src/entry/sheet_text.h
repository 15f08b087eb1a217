#pragma once
// Shared by the sheet model's files only: trimming, number texts and unit labels of the grid.

#include "model/records.h"
#include "model/text_utils.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace ks::sheet_text {

inline std::string Trim(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::string();
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

inline std::string Number(double value)
{
    return FormatG(value, 10);
}

inline const char* const kDegree = "\xB0";

// Codes of the azimuth labels °, gr, -°, -gr.
inline constexpr std::uint8_t kAzimuthCodes[] = { kDegrees, kGrades, kBackDegrees, kBackGrades };

inline int IndexOf(const std::vector<std::string>& labels, const std::string& typed)
{
    std::string unit;
    if (!MatchUnit(labels, typed, unit))
        return -1;
    return static_cast<int>(std::find(labels.begin(), labels.end(), unit) - labels.begin());
}

inline std::string AzimuthLabel(std::uint8_t code)
{
    for (std::size_t i = 0; i < 4; ++i)
        if (kAzimuthCodes[i] == code)
            return AzimuthLabels()[i];
    return AzimuthLabels()[0];
}

} // namespace ks::sheet_text

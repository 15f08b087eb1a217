#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Colour texts of the text massif format: the standard and system colour names, else "$" and eight
// upper-case hexadecimal digits of the 00BBGGRR value.
namespace ks {

std::string ColourToText(std::int32_t colour);
// A colour name, a decimal number or "$" hexadecimal. A system colour written as FF000000 + index
// is read as the same colour 80000000 + index. Empty when the text is none of these.
std::optional<std::int32_t> ColourFromText(std::string_view text);

// The deformation colour ramp as 00BBGGRR values: index 0 black, then from green-blue through
// blue, dark green, yellow and orange to red at 60; indices outside 0..60 are clamped.
std::int32_t DeformationColour(int index);

} // namespace ks

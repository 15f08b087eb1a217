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

} // namespace ks

#pragma once
// What the Toporobot reader and writer share: the record constants, the two code pages of the
// format's text (Macintosh Roman as written, Windows-1252 in the massif) and the number format.

#include <string>

namespace ks::toporobot {

inline constexpr char kCr = '\r';
inline constexpr int kFixed = 999; // trip and code of a fixed point

// Windows-1252 text in Macintosh Roman ("?" for a character it lacks; a leading "(" escaped), and back.
std::string ToMacintosh(std::string text);
std::string FromMacintosh(std::string text);
// Whether a file's text reads better as Macintosh Roman than as Windows-1252, byte by byte in context.
bool ReadsAsMacintosh(const std::string& text);
// Two decimals, with no "-0.00".
std::string Fixed2(double value);

} // namespace ks::toporobot

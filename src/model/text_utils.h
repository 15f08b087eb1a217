#pragma once

#include <optional>
#include <string>
#include <string_view>

// Text and number helpers of the core. Model text is Windows-1252 bytes; numbers are always written
// and read with "." whatever the process locale, so nothing here uses printf, strtod or streams.
namespace ks {

// Strict conversions: surrounding blanks are accepted, anything else that is not a number fails.
std::optional<long long> ParseInt(std::string_view text);
std::optional<double> ParseReal(std::string_view text);

// Lenient conversions used across the interface: 0 on text that is not a number.
long long ToInt(std::string_view text);
double ToReal(std::string_view text);

// General format with at most `digits` significant digits: plain notation while the integer part
// has at most `digits` digits and the magnitude is at least 0.00001, else mantissa "E" exponent
// (1.5E-6, 1.2E12). Trailing zeros and a trailing point are dropped. Non-finite values give "NAN",
// "INF" or "-INF"; callers that store numbers refuse them before formatting.
std::string FormatG(double value, int digits);

// Fixed format with `decimals` decimals ("-1.500000").
std::string FormatFixed(double value, int decimals);

// The year of a two-digit year text: below 50 in 2000 to 2049, else in 1950 to 1999. One pivot
// for every date of the program (search, declination, exports); longer years are kept.
long long FullYear(long long year);
// Date key of a dd/mm/yy text, ordered as (year, month, day): day + 100 * month + 10000 * the full
// year. A part that is not a number adds nothing, so the empty mask "  /  /  " gives 0.
int DateKey(std::string_view date);

// Upper-case mapping of single Windows-1252 characters (accented letters included).
char UpperChar(char c);
std::string UpperCase(std::string_view text);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

// Conversions between Windows-1252 bytes and UTF-8, for the edges of the program (terminal output,
// the Qt bridge). Bytes with no character in the code page map to U+FFFD; characters outside the
// code page become "?".
std::string Cp1252ToUtf8(std::string_view text);
// The code point of one Windows-1252 byte; 0 for the five bytes the code page leaves unassigned.
char16_t Cp1252CodePoint(unsigned char byte);
std::string Utf8ToCp1252(std::string_view text);

// A text as one CSV field, quoted when it holds a comma, a quote or a line break.
std::string CsvField(const std::string& text);

} // namespace ks

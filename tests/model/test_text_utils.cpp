#include "model/text_utils.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>

using namespace ks;

TEST(FormatG, PlainNotationRoundsToSignificantDigits)
{
    EXPECT_EQ(FormatG(0, 6), "0");
    EXPECT_EQ(FormatG(-0.0, 6), "0");
    EXPECT_EQ(FormatG(1, 6), "1");
    EXPECT_EQ(FormatG(123.4, 4), "123.4");
    EXPECT_EQ(FormatG(123.46, 4), "123.5");
    EXPECT_EQ(FormatG(-12.36, 3), "-12.4");
    EXPECT_EQ(FormatG(0.05, 6), "0.05");
    EXPECT_EQ(FormatG(1520.75, 9), "1520.75");
    EXPECT_EQ(FormatG(4765432.5, 9), "4765432.5");
    // Exact ties round away from zero; values near a tie round to the nearer side.
    EXPECT_EQ(FormatG(12.25, 3), "12.3");
    EXPECT_EQ(FormatG(270.25, 4), "270.3");
    EXPECT_EQ(FormatG(-0.125, 2), "-0.13");
    EXPECT_EQ(FormatG(2.5, 1), "3");
    EXPECT_EQ(FormatG(12.35, 3), "12.3"); // 12.3499999... as a double
    EXPECT_EQ(FormatG(0.5, 17), "0.5");
    EXPECT_EQ(FormatG(99999, 5), "99999");
    EXPECT_EQ(FormatG(0.00001, 6), "0.00001");
    EXPECT_EQ(FormatG(0.000123456789, 4), "0.0001235");
}

TEST(FormatG, ExponentNotationForLargeAndTinyValues)
{
    EXPECT_EQ(FormatG(0.0000015, 6), "1.5E-6");
    EXPECT_EQ(FormatG(-0.0000015, 6), "-1.5E-6");
    EXPECT_EQ(FormatG(123456, 5), "1.2346E5");
    EXPECT_EQ(FormatG(100000, 5), "1E5");
    EXPECT_EQ(FormatG(99999.9, 5), "1E5"); // rounding carries into one more integer digit
    EXPECT_EQ(FormatG(1.2e12, 9), "1.2E12");
}

TEST(ParseNumbers, StrictAndLenientConversions)
{
    EXPECT_EQ(ParseInt(" 42 ").value(), 42);
    EXPECT_EQ(ParseInt("+7").value(), 7);
    EXPECT_FALSE(ParseInt("4a").has_value());
    EXPECT_FALSE(ParseInt("").has_value());
    EXPECT_DOUBLE_EQ(ParseReal("1.5E-6").value(), 1.5e-6);
    EXPECT_DOUBLE_EQ(ParseReal("  -12.4").value(), -12.4);
    EXPECT_FALSE(ParseReal("1,5").has_value());
    EXPECT_FALSE(ParseReal("nan").has_value());
    EXPECT_EQ(ToInt("abc"), 0);
    EXPECT_EQ(ToReal("x1"), 0.0);
    EXPECT_DOUBLE_EQ(ToReal("2.25"), 2.25);
}

TEST(DateKey, OrdersTwoDigitYearsAcrossTheCentury)
{
    EXPECT_LT(DateKey("03/01/99"), DateKey("03/01/02"));
    EXPECT_GT(DateKey("01/01/49"), DateKey("31/12/50")); // 49 counts as 2049
    EXPECT_EQ(DateKey("  /  /  "), 0);
    EXPECT_EQ(DateKey(""), 0);
    EXPECT_EQ(DateKey("05/03/80"), 19800305);
    EXPECT_EQ(DateKey("05/ab/80"), 19800005);
    EXPECT_LT(DateKey("31/12/98"), DateKey("01/01/99")) << "no overlap between years";
}

TEST(CodePage, UpperCaseAndUtf8Bridge)
{
    EXPECT_EQ(UpperCase("gal\xE9ria \xF1u \x9A\xFF"), "GAL\xC9RIA \xD1U \x8A\x9F");
    EXPECT_EQ(UpperCase("\xDF\xF7"), "\xDF\xF7"); // no single upper-case letter
    EXPECT_TRUE(EqualsIgnoreCase("Ca\xF1o", "CA\xD1O"));
    EXPECT_EQ(Cp1252ToUtf8("\x80 \xE9"), "€ é");
    EXPECT_EQ(Utf8ToCp1252("€ é ñ Œ"), "\x80 \xE9 \xF1 \x8C");
    EXPECT_EQ(Utf8ToCp1252("日"), "?");
    for (int c = 1; c < 256; ++c) {
        const std::string one(1, static_cast<char>(c));
        const bool unassigned = c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D;
        if (!unassigned) {
            EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(one)), one) << c;
        }
    }
}

// Numbers must be written with "." whatever the process locale.
TEST(Locale, CommaLocaleDoesNotChangeNumberTexts)
{
    const char* saved = std::setlocale(LC_ALL, nullptr);
    const std::string previous = saved ? saved : "C";
    const char* names[] = { "de_DE.UTF-8", "fr_FR.UTF-8", "es_ES.UTF-8", "de_DE.utf8" };
    bool comma = false;
    for (const char* name : names)
        if (std::setlocale(LC_ALL, name)) {
            comma = true;
            break;
        }
    if (!comma)
        GTEST_SKIP() << "no locale with a decimal comma is installed here";
    EXPECT_EQ(FormatG(3.25, 6), "3.25");
    EXPECT_DOUBLE_EQ(ParseReal("3.25").value(), 3.25);
    EXPECT_EQ(FormatFixed(-1.5, 3), "-1.500");
    std::setlocale(LC_ALL, previous.c_str());
}

#include "model/real6.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

using ks::DecodeReal6;
using ks::EncodeReal6;
using ks::Real6;

TEST(Real6, KnownEncodings)
{
    EXPECT_EQ(EncodeReal6(1.0).value(), (Real6 { 0x81, 0, 0, 0, 0, 0 }));
    EXPECT_EQ(EncodeReal6(0.05).value(), (Real6 { 0x7C, 0xCD, 0xCC, 0xCC, 0xCC, 0x4C }));
    EXPECT_EQ(EncodeReal6(-2.0).value(), (Real6 { 0x82, 0, 0, 0, 0, 0x80 }));
    EXPECT_EQ(EncodeReal6(0.0).value(), (Real6 {}));
    EXPECT_EQ(DecodeReal6({ 0x81, 0, 0, 0, 0, 0 }), 1.0);
    EXPECT_EQ(DecodeReal6({ 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF }), 0.0); // exponent 0 is zero
    EXPECT_EQ(DecodeReal6({ 0x83, 0, 0, 0, 0, 0x40 }), 6.0);
}

TEST(Real6, RoundTripKeepsAboutTwelveDigits)
{
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> mantissa(-1, 1);
    std::uniform_int_distribution<int> exponent(-30, 30);
    for (int i = 0; i < 10000; ++i) {
        const double v = mantissa(random) * std::pow(10.0, exponent(random));
        const auto bytes = EncodeReal6(v);
        ASSERT_TRUE(bytes.has_value()) << v;
        const double back = DecodeReal6(*bytes);
        EXPECT_LE(std::fabs(back - v), std::fabs(v) * std::ldexp(1.0, -40)) << v;
        EXPECT_EQ(EncodeReal6(back).value(), *bytes); // decoding is exact, encoding is stable
    }
}

TEST(Real6, RoundsToNearestAndCarriesIntoTheExponent)
{
    // Just below 2: the fraction rounds up to 2^39 and must carry into the exponent.
    const double nearlyTwo = 2.0 - std::ldexp(1.0, -45);
    EXPECT_EQ(DecodeReal6(EncodeReal6(nearlyTwo).value()), 2.0);
    // A quarter of the last place above 1 rounds down, three quarters round up.
    EXPECT_EQ(DecodeReal6(EncodeReal6(1.0 + std::ldexp(1.0, -41)).value()), 1.0);
    EXPECT_EQ(DecodeReal6(EncodeReal6(1.0 + std::ldexp(3.0, -41)).value()), 1.0 + std::ldexp(1.0, -39));
}

TEST(Real6, UnstorableValuesAreRefused)
{
    EXPECT_FALSE(EncodeReal6(1e39).has_value());
    EXPECT_FALSE(EncodeReal6(-1e39).has_value());
    EXPECT_FALSE(EncodeReal6(std::numeric_limits<double>::infinity()).has_value());
    EXPECT_FALSE(EncodeReal6(std::numeric_limits<double>::quiet_NaN()).has_value());
    EXPECT_TRUE(EncodeReal6(1.7e38).has_value());
    EXPECT_EQ(EncodeReal6(1e-40).value(), (Real6 {})); // below the smallest: zero
}

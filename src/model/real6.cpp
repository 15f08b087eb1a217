// The 6-byte real of the binary files.
#include "model/real6.h"

#include <cmath>

namespace ks {

namespace {
constexpr int kBias = 129;
constexpr double kFractionScale = 549755813888.0; // 2^39
} // namespace

std::optional<Real6> EncodeReal6(double value)
{
    Real6 bytes {};
    if (!std::isfinite(value))
        return std::nullopt;
    if (value == 0)
        return bytes;

    const bool negative = std::signbit(value);
    int exponent = 0;
    // frexp gives a mantissa in [0.5, 1); the format wants 1.f, so scale by 2.
    const double mantissa = std::frexp(std::fabs(value), &exponent) * 2.0;
    exponent -= 1;
    // (mantissa - 1) * 2^39 is exact in a double; round it to the nearest integer.
    auto fraction = static_cast<std::uint64_t>(std::llround((mantissa - 1.0) * kFractionScale));
    if (fraction == static_cast<std::uint64_t>(kFractionScale)) {
        fraction = 0;
        exponent += 1;
    }
    const int biased = exponent + kBias;
    if (biased > 255)
        return std::nullopt;
    if (biased < 1)
        return bytes; // too small to be told from 0

    bytes[0] = static_cast<std::uint8_t>(biased);
    for (int i = 0; i < 5; ++i)
        bytes[1 + i] = static_cast<std::uint8_t>(fraction >> (8 * i));
    if (negative)
        bytes[5] |= 0x80;
    return bytes;
}

double DecodeReal6(const Real6& bytes)
{
    if (bytes[0] == 0)
        return 0.0;
    std::uint64_t field = 0;
    for (int i = 0; i < 5; ++i)
        field |= static_cast<std::uint64_t>(bytes[1 + i]) << (8 * i);
    const bool negative = (field >> 39) & 1;
    const std::uint64_t fraction = field & ((std::uint64_t(1) << 39) - 1);
    const double value = std::ldexp(1.0 + static_cast<double>(fraction) / kFractionScale, bytes[0] - kBias);
    return negative ? -value : value;
}

} // namespace ks

#pragma once

#include <array>
#include <cstdint>
#include <optional>

// The 6-byte real of the binary massif files. Byte 0 is the exponent biased by 129 (0 encodes 0);
// bytes 1 to 5 hold a little-endian 40-bit field: bit 39 the sign, bits 0 to 38 the fraction.
// Value = (-1)^s * (1 + f / 2^39) * 2^(e - 129).
namespace ks {

using Real6 = std::array<std::uint8_t, 6>;

// Nearest representable value; magnitudes below the smallest one become 0. Empty when the value
// is not finite or its magnitude is too large to be stored (about 1.7e38).
std::optional<Real6> EncodeReal6(double value);
double DecodeReal6(const Real6& bytes);

} // namespace ks

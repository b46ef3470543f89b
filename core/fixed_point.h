// Fixed-point helpers and the demo's float-to-integer conversions.
//
// 16.16 holds grid texture coordinates and rasteriser edges, 20.12 rotozoom
// coordinates, 8.8 grid light levels. Every float-to-integer conversion of the demo
// truncates toward zero; where a value can leave the signed 32-bit range (texture
// coordinates that grow without bound) it is truncated to 64 bits and only the low
// 32 bits are kept, so it wraps instead of saturating.
#pragma once

#include <cstdint>

constexpr int kFixed16Shift = 16;
constexpr int32_t kFixed16One = 1 << kFixed16Shift;  // 65536
constexpr int kFixed12Shift = 12;
constexpr int32_t kFixed12One = 1 << kFixed12Shift;  // 4096

// Whole number to 16.16. Computed in unsigned arithmetic, so negative values shift
// their bits exactly as a two's complement multiply by 65536 would, without UB.
constexpr int32_t IntToFixed16(int32_t value) {
  return static_cast<int32_t>(static_cast<uint32_t>(value) << kFixed16Shift);
}

// 16.16 to its whole part, rounding toward minus infinity (arithmetic shift).
constexpr int32_t Fixed16ToInt(int32_t value) { return value >> kFixed16Shift; }

// Additions and differences that wrap modulo 2^32, as the pixel loops rely on.
constexpr int32_t WrapAdd(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
constexpr int32_t WrapSubtract(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

// Truncation toward zero to a 64-bit integer, keeping the low 32 bits. NaN and values
// beyond the 64-bit range (never produced by the scenes) give 0x80000000 here instead
// of undefined behaviour: that is what the x86 conversion instruction yields for them.
inline int32_t TruncateWrap32(double value) {
  if (!(value > -9223372036854775808.0 && value < 9223372036854775808.0)) {
    return INT32_MIN;
  }
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(static_cast<int64_t>(value))));
}

// Truncation toward zero to 32 bits for values the caller knows to be in range.
// Out-of-range values and NaN give INT32_MIN, as on x86, instead of undefined behaviour.
inline int32_t TruncateToInt32(double value) {
  if (!(value > -2147483649.0 && value < 2147483648.0)) return INT32_MIN;
  return static_cast<int32_t>(value);
}

// Overflow-safe size arithmetic for readers of untrusted files.
//
// Each helper stores the exact result and returns true, or returns false (leaving the
// output unspecified) when the result would not fit. Readers check every size that a
// file states before they allocate or read by it.
#pragma once

#include <cstddef>
#include <cstdint>

inline bool CheckedMultiply(size_t a, size_t b, size_t* result) {
  return !__builtin_mul_overflow(a, b, result);
}

inline bool CheckedAdd(size_t a, size_t b, size_t* result) {
  return !__builtin_add_overflow(a, b, result);
}

// width * height * bytesPerPixel for non-negative dimensions; false if any is negative
// or the product overflows.
inline bool CheckedImageBytes(int64_t width, int64_t height, int64_t bytesPerPixel, size_t* result) {
  if (width < 0 || height < 0 || bytesPerPixel < 0) return false;
  size_t pixels = 0;
  return CheckedMultiply(static_cast<size_t>(width), static_cast<size_t>(height), &pixels) &&
         CheckedMultiply(pixels, static_cast<size_t>(bytesPerPixel), result);
}

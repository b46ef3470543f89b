// DivideTruncating: an integer division that truncates toward zero, done as a multiply.
//
// The rasteriser divides by a span's width on every row and by an edge's height for every
// edge; on small triangles those divisions cost more than the pixels. For a divisor d in
// 1..kReciprocalDivisors the quotient is trunc(n * r), r being 1/d rounded up one step
// more: r lies in [1/d, (1/d)(1 + 2^-51)], and the product's rounding adds at most 2^-53.
// - When n/d is an integer k, the product is at least |k| in size and rounding, being
//   monotonic, cannot take it below k (|k| < 2^53 is a double).
// - Otherwise n/d lies at least 1/d from the integers on either side: a relative distance
//   of at least 1/|n|, which is more than the error while |n| < 2^50.
// So the result equals n / d, bit for bit, on every IEEE double machine (no FMA is
// involved: one conversion, one multiply, one truncation). Larger divisors use '/'.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>

constexpr int32_t kReciprocalDivisors = 2048;

inline const std::array<double, kReciprocalDivisors + 1> kReciprocalsRoundedUp = [] {
  std::array<double, kReciprocalDivisors + 1> reciprocals{};
  for (int32_t d = 1; d <= kReciprocalDivisors; ++d) reciprocals[d] = std::nextafter(1.0 / d, 2.0);
  return reciprocals;
}();

// n / d, truncated toward zero. Needs d > 0 and |n| < 2^50.
inline int64_t DivideTruncating(int64_t n, int32_t d) {
  if (d <= kReciprocalDivisors) return static_cast<int64_t>(static_cast<double>(n) * kReciprocalsRoundedUp[d]);
  return n / d;
}

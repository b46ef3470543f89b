// PowerOfTwo: 2^k built from its bits, exact, for the demo's own mathematics functions.
#pragma once

#include <cstdint>
#include <cstring>

// 2^k for -1022 <= k <= 1023 (normal doubles only; the caller keeps k in range).
inline double PowerOfTwo(int k) {
  const uint64_t bits = static_cast<uint64_t>(k + 1023) << 52;
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

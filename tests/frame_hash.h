// The hash the tests give a finished frame: 64-bit FNV-1a over the picture's bytes, each
// 0x00RRGGBB word taken low byte first (blue, green, red, 0), as it lies in memory on
// every target the demo builds for.
#pragma once

#include <cstdint>

#include "core/frame_buffer.h"

inline constexpr uint64_t kFnv1a64OffsetBasis = 14695981039346656037ull;
inline constexpr uint64_t kFnv1a64Prime = 1099511628211ull;

// One byte into a running FNV-1a 64 hash.
constexpr uint64_t Fnv1a64Step(uint64_t hash, uint8_t byte) { return (hash ^ byte) * kFnv1a64Prime; }

inline uint64_t FrameHash(const uint32_t* picture) {
  uint64_t hash = kFnv1a64OffsetBasis;
  for (int i = 0; i < kFramePixels; ++i)
    for (int shift = 0; shift < 32; shift += 8) hash = Fnv1a64Step(hash, static_cast<uint8_t>(picture[i] >> shift));
  return hash;
}

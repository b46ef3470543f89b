// The one pseudo-random generator of the demo, shared by every scene in call order.
//
// A linear congruential generator: seed = seed * 214013 + 2531011 (mod 2^32), and the
// result is (seed >> 16) & 0x7FFF, a value 0..32767. The seed starts at 1 and is never
// reseeded by the demo, so every run draws the same sequence. Tests may reseed.
#pragma once

#include <cstdint>

namespace zelto {

int rand();

// Puts the generator back to a given seed (1 is the start of every run).
void SeedRandom(uint32_t seed);

}  // namespace zelto

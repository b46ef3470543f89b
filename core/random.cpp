// The shared linear congruential generator.
#include "core/random.h"

namespace zelto {
namespace {
uint32_t randomSeed = 1;
}

int rand() {
  randomSeed = randomSeed * 214013u + 2531011u;  // unsigned: wraps modulo 2^32
  return static_cast<int>((randomSeed >> 16) & 0x7FFF);
}

void SeedRandom(uint32_t seed) { randomSeed = seed; }

}  // namespace zelto

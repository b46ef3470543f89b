// BlurCentres: the ray centres at which the radial blur's SIMD form is held to its scalar
// reference, natively and in the browser build.
#pragma once

#include <cstdint>
#include <random>
#include <utility>
#include <vector>

// Centres on every edge and corner, next to them and in the middle, so that every
// quadrant has rows and columns of every length from none to a whole frame, and eight
// drawn from `generator`.
inline std::vector<std::pair<int32_t, int32_t>> BlurCentres(std::mt19937& generator) {
  std::vector<std::pair<int32_t, int32_t>> centres;
  for (int32_t x : {0, 1, 5, 8, 17, 255, 256, 494, 503, 510, 511})
    for (int32_t y : {0, 1, 16, 128, 238, 255}) centres.push_back({x, y});
  for (int i = 0; i < 8; ++i) centres.push_back({static_cast<int32_t>(generator() % 512), static_cast<int32_t>(generator() % 256)});
  return centres;
}

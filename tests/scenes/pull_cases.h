// PullCasesAgree: the particle pulls in SIMD lanes against the one-particle loop, bit for
// bit, over one table of swarms. Shared by the native test and the browser build's check,
// which runs the WebAssembly lanes under Node.js.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "scenes/particle_pull.h"

// Every particle count around the lane, pass and batch sizes; targets in rows; particles
// on target points (a pull to skip), between them, so far away that their weights round
// to 0, and at NaN; a target at NaN. Prints each case that differs and returns whether
// none did.
inline bool PullCasesAgree() {
  std::mt19937 generator(41);
  std::uniform_real_distribution<float> across(-20.0f, 540.0f);
  // Row by row, as a shape's lit pixels come: runs of targets share their y.
  std::vector<float> targetXs(777), targetYs(777);
  for (size_t j = 0; j < targetXs.size(); ++j)
    targetXs[j] = static_cast<float>(generator() % 512), targetYs[j] = static_cast<float>(generator() % 256);
  std::sort(targetYs.begin(), targetYs.end());
  bool agree = true;
  for (int32_t count : {0, 1, 3, 7, 8, 9, 17, 33, 64, 65, 200}) {
    std::vector<float> x(count), y(count);
    for (int32_t i = 0; i < count; ++i)  // every fifth on a target point
      x[i] = i % 5 == 0 ? targetXs[i] : across(generator), y[i] = i % 5 == 0 ? targetYs[i] : across(generator) / 2.0f;
    if (count > 2) x[2] = std::numeric_limits<float>::quiet_NaN();
    if (count > 40) x[37] = 3e20f, y[38] = -1e38f;
    for (int32_t targets : {0, 1, 777}) {
      for (bool nanTarget : {false, true}) {
        if (nanTarget && targets == 0) continue;
        const size_t last = targets > 0 ? static_cast<size_t>(targets - 1) : 0;
        const float keptY = targetYs[last];
        if (nanTarget) targetYs[last] = std::numeric_limits<float>::quiet_NaN();
        std::vector<double> lanes(2 * count + 2, -1.0), scalar(2 * count + 2, -1.0);
        ParticlePulls(count, x.data(), y.data(), targetXs.data(), targetYs.data(), targets, lanes.data(),
                      lanes.data() + count + 1);
        ParticlePullsScalar(count, x.data(), y.data(), targetXs.data(), targetYs.data(), targets, scalar.data(),
                            scalar.data() + count + 1);
        targetYs[last] = keptY;
        if (std::memcmp(lanes.data(), scalar.data(), lanes.size() * sizeof(double)) != 0) {
          std::printf("pulls differ: %d particles, %d targets%s\n", static_cast<int>(count), static_cast<int>(targets),
                      nanTarget ? ", the last at NaN" : "");
          agree = false;
        }
      }
    }
  }
  return agree;
}

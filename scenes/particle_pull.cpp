// ParticlePulls: particles in SIMD lanes, each lane summing every target in the same
// order with the same roundings as the one-particle loop beside it.
#include "scenes/particle_pull.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "scenes/particle_pull.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
#include "hwy/highway.h"

#include <algorithm>
#include <cfloat>

#ifndef ZELTO_SCENES_PARTICLE_PULL_ONCE
#define ZELTO_SCENES_PARTICLE_PULL_ONCE
namespace zelto_pull {

// Pulls whose weight would not fit a float (a particle on, or within about 2e-10 pixels
// of, a target point) are skipped, so the sum stays finite.
constexpr double kLargestWeight = FLT_MAX;

inline void PullsScalar(int32_t count, const float* x, const float* y, const float* targetXs, const float* targetYs,
                        int32_t targetCount, double* pullX, double* pullY) {
  for (int32_t i = 0; i < count; ++i) {
    const double px = x[i];
    const double py = y[i];
    double sumX = 0.0;
    double sumY = 0.0;
    for (int32_t j = 0; j < targetCount; ++j) {
      const double dx = targetXs[j] - px;
      const float dy = static_cast<float>(targetYs[j] - py);
      const double squared = dx * dx + static_cast<double>(dy) * dy;
      const double fourth = squared * squared;
      if (!(fourth * kLargestWeight > 1.0)) continue;
      const float weight = static_cast<float>(1.0 / fourth);
      sumX += weight * dx;
      sumY += static_cast<double>(weight) * dy;
    }
    pullX[i] = sumX;
    pullY[i] = sumY;
  }
}

}  // namespace zelto_pull
#endif  // ZELTO_SCENES_PARTICLE_PULL_ONCE

HWY_BEFORE_NAMESPACE();
namespace zelto_pull {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

#if HWY_TARGET != HWY_SCALAR && HWY_HAVE_FLOAT64
// Two vectors of particles at a time, so that two divisions are under way together.
// Every float rounding of the scalar loop is a demotion to float and back; a skipped
// target leaves the lane's sums as they were.
void PullsInLanes(int32_t count, const float* x, const float* y, const float* targetXs, const float* targetYs,
                  int32_t targetCount, double* pullX, double* pullY) {
  const hn::ScalableTag<double> d;
  const hn::Rebind<float, decltype(d)> df;
  const int32_t lanes = static_cast<int32_t>(hn::Lanes(d));
  const auto largest = hn::Set(d, kLargestWeight), one = hn::Set(d, 1.0);
  const auto toFloatAndBack = [&](auto value) { return hn::PromoteTo(d, hn::DemoteTo(df, value)); };
  HWY_ALIGN double positions[4][HWY_LANES(double)];
  HWY_ALIGN double sums[4][HWY_LANES(double)];
  for (int32_t first = 0; first < count; first += 2 * lanes) {
    // Lanes past the last particle work on position 0 and are never written out.
    for (int32_t k = 0; k < 2 * lanes; ++k) {
      const int32_t i = std::min(first + k, count - 1);
      positions[k / lanes][k % lanes] = x[i];
      positions[2 + k / lanes][k % lanes] = y[i];
    }
    const auto px0 = hn::Load(d, positions[0]), px1 = hn::Load(d, positions[1]);
    const auto py0 = hn::Load(d, positions[2]), py1 = hn::Load(d, positions[3]);
    auto sumX0 = hn::Zero(d), sumX1 = hn::Zero(d), sumY0 = hn::Zero(d), sumY1 = hn::Zero(d);
    for (int32_t j = 0; j < targetCount; ++j) {
      const auto tx = hn::Set(d, static_cast<double>(targetXs[j]));
      const auto ty = hn::Set(d, static_cast<double>(targetYs[j]));
      const auto dx0 = hn::Sub(tx, px0), dx1 = hn::Sub(tx, px1);
      const auto dy0 = toFloatAndBack(hn::Sub(ty, py0)), dy1 = toFloatAndBack(hn::Sub(ty, py1));
      const auto squared0 = hn::Add(hn::Mul(dx0, dx0), hn::Mul(dy0, dy0));
      const auto squared1 = hn::Add(hn::Mul(dx1, dx1), hn::Mul(dy1, dy1));
      const auto fourth0 = hn::Mul(squared0, squared0), fourth1 = hn::Mul(squared1, squared1);
      const auto counts0 = hn::Gt(hn::Mul(fourth0, largest), one);
      const auto counts1 = hn::Gt(hn::Mul(fourth1, largest), one);
      const auto weight0 = toFloatAndBack(hn::Div(one, fourth0));
      const auto weight1 = toFloatAndBack(hn::Div(one, fourth1));
      sumX0 = hn::IfThenElse(counts0, hn::Add(sumX0, hn::Mul(weight0, dx0)), sumX0);
      sumX1 = hn::IfThenElse(counts1, hn::Add(sumX1, hn::Mul(weight1, dx1)), sumX1);
      sumY0 = hn::IfThenElse(counts0, hn::Add(sumY0, hn::Mul(weight0, dy0)), sumY0);
      sumY1 = hn::IfThenElse(counts1, hn::Add(sumY1, hn::Mul(weight1, dy1)), sumY1);
    }
    hn::Store(sumX0, d, sums[0]);
    hn::Store(sumX1, d, sums[1]);
    hn::Store(sumY0, d, sums[2]);
    hn::Store(sumY1, d, sums[3]);
    for (int32_t k = 0; k < 2 * lanes && first + k < count; ++k) {
      pullX[first + k] = sums[k / lanes][k % lanes];
      pullY[first + k] = sums[2 + k / lanes][k % lanes];
    }
  }
}
#endif

void Pulls(int32_t count, const float* x, const float* y, const float* targetXs, const float* targetYs,
           int32_t targetCount, double* pullX, double* pullY) {
#if HWY_TARGET != HWY_SCALAR && HWY_HAVE_FLOAT64
  PullsInLanes(count, x, y, targetXs, targetYs, targetCount, pullX, pullY);
#else
  PullsScalar(count, x, y, targetXs, targetYs, targetCount, pullX, pullY);  // no double lanes
#endif
}

}  // namespace HWY_NAMESPACE
}  // namespace zelto_pull
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace zelto_pull {
HWY_EXPORT(Pulls);
}  // namespace zelto_pull

void ParticlePulls(int32_t count, const float* x, const float* y, const float* targetXs, const float* targetYs,
                   int32_t targetCount, double* pullX, double* pullY) {
  // With one target (the browser build) the dispatch names the kernel unqualified.
  using namespace zelto_pull;
  HWY_DYNAMIC_DISPATCH(Pulls)(count, x, y, targetXs, targetYs, targetCount, pullX, pullY);
}

void ParticlePullsScalar(int32_t count, const float* x, const float* y, const float* targetXs,
                         const float* targetYs, int32_t targetCount, double* pullX, double* pullY) {
  zelto_pull::PullsScalar(count, x, y, targetXs, targetYs, targetCount, pullX, pullY);
}
#endif  // HWY_ONCE

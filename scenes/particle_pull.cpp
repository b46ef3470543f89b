// ParticlePulls: particles in SIMD lanes, each lane summing every target in the same
// order with the same roundings as the one-particle loop beside it.
#include "scenes/particle_pull.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "scenes/particle_pull.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
#include "hwy/highway.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>

#if HWY_TARGET == HWY_WASM
#include <wasm_simd128.h>
#endif

#ifndef ZELTO_SCENES_PARTICLE_PULL_ONCE
#define ZELTO_SCENES_PARTICLE_PULL_ONCE
namespace zelto_pull {

// Pulls whose weight would not fit a float (a particle on, or within about 2e-10 pixels
// of, a target point) are skipped, so the sum stays finite.
constexpr double kLargestWeight = FLT_MAX;

// Between two finite points the fourth power of the distance is never NaN (at most
// infinite, where a y difference overflows its float), so a pass whose points are all
// finite can leave the skip test to its end: only a fourth power too small for a float
// weight is then left to catch (PullsInWasmLanes).
inline bool Finite(float value) { return std::isfinite(value); }

// Equal as stored: -0 and +0 differ, a NaN equals only itself.
inline bool SameBits(float a, float b) {
  uint32_t aBits, bBits;
  std::memcpy(&aBits, &a, sizeof aBits);
  std::memcpy(&bBits, &b, sizeof bBits);
  return aBits == bBits;
}

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

#if HWY_TARGET == HWY_WASM
// This Highway has no double lanes on WebAssembly, so the browser's form is written with
// the compiler's f64x2 instructions, eight particles a pass in four vectors.
//
// Four things keep it short, each exact:
// - The y difference is taken in float lanes. The float difference of two floats is their
//   double difference rounded to a float: a double holds that difference exactly unless
//   one of the two is under 2^-28 of the other, and then both round to the larger.
// - Targets with the same y (bit for bit) one after another, as a shape's rows give them,
//   share their y differences and squares.
// - A pass whose points are all finite adds every pull unmasked and keeps only the least
//   fourth power. If that shows a pull that should have been skipped, the pass is summed
//   again with the test on every pull.
// - A masked pull adds +0.0, which leaves a sum as it was: a sum starts at +0.0 and never
//   becomes -0.0, since only -0.0 + -0.0 gives that.

// The double rounded to a float and back. The empty statement between the two keeps the
// compiler from taking them apart into two scalar conversions a lane, which costs the
// browser a third of the pulls' time.
inline v128_t ToFloatAndBack(v128_t value) {
  v128_t demoted = wasm_f32x4_demote_f64x2_zero(value);
  __asm__("" : "+r"(demoted));
  return wasm_f64x2_promote_low_f32x4(demoted);
}

// Sums targets 0..targetCount-1 into the four vectors of sums; px holds the eight x
// positions as doubles, pyLow and pyHigh the y positions of particles 0-3 and 4-7 as
// floats. Unmasked, it returns false when some pull should have been skipped.
template <bool kMasked>
inline bool SumPass(const v128_t (&px)[4], v128_t pyLow, v128_t pyHigh, const float* targetXs,
                    const float* targetYs, int32_t targetCount, v128_t (&sumX)[4], v128_t (&sumY)[4]) {
  const v128_t largest = wasm_f64x2_splat(kLargestWeight), one = wasm_f64x2_splat(1.0);
  v128_t least = wasm_f64x2_splat(INFINITY);
  for (int k = 0; k < 4; ++k) sumX[k] = sumY[k] = wasm_f64x2_splat(0.0);
  for (int32_t j = 0; j < targetCount;) {
    // The targets come a row of the shape at a time: the y differences and their squares
    // serve every target of a run with the same y.
    const float rowY = targetYs[j];
    const v128_t ty = wasm_f32x4_splat(rowY);
    const v128_t dyLow = wasm_f32x4_sub(ty, pyLow), dyHigh = wasm_f32x4_sub(ty, pyHigh);
    const v128_t dy[4] = {wasm_f64x2_promote_low_f32x4(dyLow),
                          wasm_f64x2_promote_low_f32x4(wasm_i32x4_shuffle(dyLow, dyLow, 2, 3, 2, 3)),
                          wasm_f64x2_promote_low_f32x4(dyHigh),
                          wasm_f64x2_promote_low_f32x4(wasm_i32x4_shuffle(dyHigh, dyHigh, 2, 3, 2, 3))};
    v128_t dySquared[4];
    for (int k = 0; k < 4; ++k) dySquared[k] = wasm_f64x2_mul(dy[k], dy[k]);
    do {
      const v128_t tx = wasm_f64x2_splat(targetXs[j]);
      for (int k = 0; k < 4; ++k) {
        const v128_t dx = wasm_f64x2_sub(tx, px[k]);
        const v128_t squared = wasm_f64x2_add(wasm_f64x2_mul(dx, dx), dySquared[k]);
        const v128_t fourth = wasm_f64x2_mul(squared, squared);
        const v128_t weight = ToFloatAndBack(wasm_f64x2_div(one, fourth));
        if constexpr (kMasked) {
          const v128_t counts = wasm_f64x2_gt(wasm_f64x2_mul(fourth, largest), one);
          sumX[k] = wasm_f64x2_add(sumX[k], wasm_v128_and(wasm_f64x2_mul(weight, dx), counts));
          sumY[k] = wasm_f64x2_add(sumY[k], wasm_v128_and(wasm_f64x2_mul(weight, dy[k]), counts));
        } else {
          least = wasm_f64x2_pmin(least, fourth);
          sumX[k] = wasm_f64x2_add(sumX[k], wasm_f64x2_mul(weight, dx));
          sumY[k] = wasm_f64x2_add(sumY[k], wasm_f64x2_mul(weight, dy[k]));
        }
      }
      ++j;
    } while (j < targetCount && SameBits(targetYs[j], rowY));
  }
  if constexpr (kMasked) return true;
  return wasm_i64x2_all_true(wasm_f64x2_gt(wasm_f64x2_mul(least, largest), one));
}

void PullsInWasmLanes(int32_t count, const float* x, const float* y, const float* targetXs, const float* targetYs,
                      int32_t targetCount, double* pullX, double* pullY) {
  bool targetsFinite = true;
  for (int32_t j = 0; j < targetCount; ++j) targetsFinite = targetsFinite && Finite(targetXs[j]) && Finite(targetYs[j]);
  for (int32_t first = 0; first < count; first += 8) {
    // Lanes past the last particle work on its position and are never written out.
    float groupX[8], groupY[8];
    bool finite = targetsFinite;
    for (int32_t k = 0; k < 8; ++k) {
      const int32_t i = std::min(first + k, count - 1);
      groupX[k] = x[i];
      groupY[k] = y[i];
      finite = finite && Finite(x[i]) && Finite(y[i]);
    }
    v128_t px[4];
    for (int k = 0; k < 4; ++k) px[k] = wasm_f64x2_make(groupX[2 * k], groupX[2 * k + 1]);
    const v128_t pyLow = wasm_v128_load(groupY), pyHigh = wasm_v128_load(groupY + 4);
    v128_t sumX[4], sumY[4];
    if (!finite || !SumPass<false>(px, pyLow, pyHigh, targetXs, targetYs, targetCount, sumX, sumY))
      SumPass<true>(px, pyLow, pyHigh, targetXs, targetYs, targetCount, sumX, sumY);
    double sums[8][2];
    for (int k = 0; k < 4; ++k) wasm_v128_store(sums[k], sumX[k]), wasm_v128_store(sums[4 + k], sumY[k]);
    for (int32_t k = 0; k < 8 && first + k < count; ++k) {
      pullX[first + k] = sums[k / 2][k % 2];
      pullY[first + k] = sums[4 + k / 2][k % 2];
    }
  }
}
#endif

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
#if HWY_TARGET == HWY_WASM
  PullsInWasmLanes(count, x, y, targetXs, targetYs, targetCount, pullX, pullY);
#elif HWY_TARGET != HWY_SCALAR && HWY_HAVE_FLOAT64
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

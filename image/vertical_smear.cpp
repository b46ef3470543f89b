// VerticalSmear: two weights per call, then one integer blend per pixel, rows in order,
// in SIMD across each row beside the plain scalar form.
#include "image/vertical_smear.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "image/vertical_smear.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
#include "hwy/highway.h"

#include <algorithm>
#include <cstring>

#include "core/frame_buffer.h"

#ifndef ZELTO_IMAGE_VERTICAL_SMEAR_ONCE
#define ZELTO_IMAGE_VERTICAL_SMEAR_ONCE
namespace zelto_smear {
// The reference: rows 1..255 in order, one pixel at a time, row 0 already black.
inline void SmearRowsScalar(uint32_t* frame, uint32_t own, uint32_t above) {
  for (int y = 1; y < kFrameHeight; ++y) {
    uint32_t* row = frame + y * kFrameWidth;
    const uint32_t* rowAbove = row - kFrameWidth;
    for (int x = 0; x < kFrameWidth; ++x) {
      const uint32_t u = rowAbove[x];
      const uint32_t p = row[x];
      const uint32_t red = std::min<uint32_t>((((u >> 16) & 0xFF) * above + ((p >> 16) & 0xFF) * own) >> 16, 255);
      const uint32_t green = std::min<uint32_t>((((u >> 8) & 0xFF) * above + ((p >> 8) & 0xFF) * own) >> 16, 255);
      const uint32_t blue = std::min<uint32_t>(((u & 0xFF) * above + (p & 0xFF) * own) >> 16, 255);
      row[x] = red << 16 | green << 8 | blue;
    }
  }
}
}  // namespace zelto_smear
#endif  // ZELTO_IMAGE_VERTICAL_SMEAR_ONCE

HWY_BEFORE_NAMESPACE();
namespace zelto_smear {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// (u * above + p * own) >> 16 for channels u, p in 0..255 held in 16-bit lanes. The
// weights sum to 65535 - e (0 <= e <= 2, from their truncations), so with the smaller
// weight W (at most 32767) on the channel `other` and the larger on `base`:
//   u * above + p * own = base * 65536 + (other - base) * W - base * (1 + e).
// The signed high half of (other - base) * W, less one when its low half is below
// base * (1 + e), is then the exact floor; the sum never exceeds 254.
template <class D, class V>
HWY_INLINE V BlendChannels(D d16, V base, V other, V smallWeight, V share) {
  const hn::RebindToSigned<D> di16;
  const V difference = hn::Sub(other, base);
  const V high = hn::BitCast(d16, hn::MulHigh(hn::BitCast(di16, difference), hn::BitCast(di16, smallWeight)));
  const V borrow = hn::VecFromMask(d16, hn::Gt(hn::Mul(base, share), hn::Mul(difference, smallWeight)));
  return hn::Add(hn::Add(base, high), borrow);  // borrow lanes are all ones: minus one
}

// Row 0 is already black. Each pixel's bytes, read as 16-bit lanes, split into the even
// channels (blue, red) and the odd ones (green, top byte), blended apart, then joined;
// the top byte is cleared afterwards, as the scalar form ignores it.
void SmearRows(uint32_t* frame, uint32_t own, uint32_t above) {
#if HWY_TARGET == HWY_SCALAR
  SmearRowsScalar(frame, own, above);
#else
  const hn::ScalableTag<uint32_t> d32;
  const hn::Repartition<uint16_t, decltype(d32)> d16;
  const size_t lanes = hn::Lanes(d32);
  // The pixel above is the base when its weight is the larger one.
  const bool aboveIsBase = above > own;
  const auto smallWeight = hn::Set(d16, static_cast<uint16_t>(aboveIsBase ? own : above));
  const auto share = hn::Set(d16, static_cast<uint16_t>(1 + (65535 - own - above)));
  const auto lowByte = hn::Set(d16, 0x00FF);
  const auto colourBits = hn::Set(d32, 0x00FFFFFFu);
  const auto blend = [&](auto u, auto p) {
    return aboveIsBase ? BlendChannels(d16, u, p, smallWeight, share) : BlendChannels(d16, p, u, smallWeight, share);
  };
  for (int y = 1; y < kFrameHeight; ++y) {
    uint32_t* row = frame + y * kFrameWidth;
    const uint32_t* rowAbove = row - kFrameWidth;
    for (size_t x = 0; x < static_cast<size_t>(kFrameWidth); x += lanes) {
      const auto u = hn::BitCast(d16, hn::LoadU(d32, rowAbove + x));
      const auto p = hn::BitCast(d16, hn::LoadU(d32, row + x));
      const auto even = blend(hn::And(u, lowByte), hn::And(p, lowByte));
      const auto odd = blend(hn::ShiftRight<8>(u), hn::ShiftRight<8>(p));
      const auto joined = hn::BitCast(d32, hn::Or(even, hn::ShiftLeft<8>(odd)));
      hn::StoreU(hn::And(joined, colourBits), d32, row + x);
    }
  }
#endif
}

}  // namespace HWY_NAMESPACE
}  // namespace zelto_smear
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace zelto_smear {
HWY_EXPORT(SmearRows);

// Both weights from keep, clamped into 0..1 first (NaN counts as 0).
struct SmearWeights {
  uint32_t own, above;
};

SmearWeights SmearWeightsOf(float keep) {
  if (!(keep >= 0.0f)) keep = 0.0f;  // also catches NaN
  if (keep > 1.0f) keep = 1.0f;
  return {static_cast<uint32_t>(static_cast<float>(keep * 65535.0f)),
          static_cast<uint32_t>(static_cast<float>((1.0f - keep) * 65535.0f))};
}
}  // namespace zelto_smear

static_assert(kFrameWidth % 64 == 0, "whole vectors cover a row");

void VerticalSmear(uint32_t* frame, float keep) {
  const zelto_smear::SmearWeights weights = zelto_smear::SmearWeightsOf(keep);
  std::memset(frame, 0, kFrameWidth * sizeof(uint32_t));
  // With one target (the browser build) the dispatch names the kernel unqualified.
  using namespace zelto_smear;
  HWY_DYNAMIC_DISPATCH(SmearRows)(frame, weights.own, weights.above);
}

void VerticalSmearScalar(uint32_t* frame, float keep) {
  const zelto_smear::SmearWeights weights = zelto_smear::SmearWeightsOf(keep);
  std::memset(frame, 0, kFrameWidth * sizeof(uint32_t));
  zelto_smear::SmearRowsScalar(frame, weights.own, weights.above);
}
#endif  // HWY_ONCE

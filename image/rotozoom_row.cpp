// RotozoomRow: a pixel's coordinates are the row start plus (x + 1) steps, worked out per
// lane in SIMD (one source for every target, chosen at run time), beside the running sums
// of the plain scalar form.
#include "image/rotozoom_row.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "image/rotozoom_row.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
#include "hwy/highway.h"

#include "core/fixed_point.h"
#include "core/frame_buffer.h"

#ifndef ZELTO_IMAGE_ROTOZOOM_ROW_ONCE
#define ZELTO_IMAGE_ROTOZOOM_ROW_ONCE
namespace zelto_rotozoom {
// The reference: running sums, the step added before each pixel.
inline void RowScalar(const uint32_t* texture, uint32_t* row, uint32_t u, uint32_t v, uint32_t stepU,
                      uint32_t stepV) {
  for (int x = 0; x < kFrameWidth; ++x) {
    u += stepU;
    v += stepV;
    row[x] = texture[((v >> kFixed12Shift) & 255) * 256 + ((u >> kFixed12Shift) & 255)];
  }
}
}  // namespace zelto_rotozoom
#endif  // ZELTO_IMAGE_ROTOZOOM_ROW_ONCE

HWY_BEFORE_NAMESPACE();
namespace zelto_rotozoom {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// Lane j of the first vector holds u + (j + 1) * stepU; each further vector adds
// lanes * stepU, the same value modulo 2^32 as the running sum. Texels are read by
// scalar loads from the index vector (WebAssembly has no gather).
void Row(const uint32_t* texture, uint32_t* row, uint32_t u, uint32_t v, uint32_t stepU, uint32_t stepV) {
#if HWY_TARGET == HWY_SCALAR
  RowScalar(texture, row, u, v, stepU, stepV);  // one lane: the plain form
#else
  const hn::ScalableTag<uint32_t> d;
  const size_t lanes = hn::Lanes(d);
  const auto steps = hn::Add(hn::Iota(d, 0), hn::Set(d, 1u));
  auto laneU = hn::Add(hn::Set(d, u), hn::Mul(steps, hn::Set(d, stepU)));
  auto laneV = hn::Add(hn::Set(d, v), hn::Mul(steps, hn::Set(d, stepV)));
  const auto vectorStepU = hn::Set(d, static_cast<uint32_t>(lanes) * stepU);
  const auto vectorStepV = hn::Set(d, static_cast<uint32_t>(lanes) * stepV);
  const auto rowBits = hn::Set(d, 0xFF00u), columnBits = hn::Set(d, 0xFFu);
  HWY_ALIGN uint32_t index[HWY_LANES(uint32_t)];
  for (size_t x = 0; x < static_cast<size_t>(kFrameWidth); x += lanes) {
    // Texel (u >> 12 & 255, v >> 12 & 255) at v's bits 12..19 * 256 + u's bits 12..19.
    hn::Store(hn::Or(hn::And(hn::ShiftRight<4>(laneV), rowBits), hn::And(hn::ShiftRight<12>(laneU), columnBits)), d,
              index);
    for (size_t j = 0; j < lanes; ++j) row[x + j] = texture[index[j]];
    laneU = hn::Add(laneU, vectorStepU);
    laneV = hn::Add(laneV, vectorStepV);
  }
#endif
}

}  // namespace HWY_NAMESPACE
}  // namespace zelto_rotozoom
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace zelto_rotozoom {
HWY_EXPORT(Row);
}  // namespace zelto_rotozoom

static_assert(kFrameWidth % 64 == 0, "whole vectors cover a row");

void RotozoomRow(const uint32_t* texture, uint32_t* row, uint32_t u, uint32_t v, uint32_t stepU, uint32_t stepV) {
  // With one target (the browser build) the dispatch names the kernel unqualified.
  using namespace zelto_rotozoom;
  HWY_DYNAMIC_DISPATCH(Row)(texture, row, u, v, stepU, stepV);
}

void RotozoomRowScalar(const uint32_t* texture, uint32_t* row, uint32_t u, uint32_t v, uint32_t stepU,
                       uint32_t stepV) {
  zelto_rotozoom::RowScalar(texture, row, u, v, stepU, stepV);
}
#endif  // HWY_ONCE

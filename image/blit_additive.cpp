// BlitAdditive: clipping once per call, then saturating byte adds across each row, in
// SIMD (one source for every target, chosen at run time) beside the plain scalar form.
#include "image/blit_additive.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "image/blit_additive.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
#include "hwy/highway.h"

#ifndef ZELTO_IMAGE_BLIT_ADDITIVE_ONCE
#define ZELTO_IMAGE_BLIT_ADDITIVE_ONCE

#include <algorithm>

#include "core/frame_buffer.h"

namespace zelto_blit {

// Per-channel min(d + s, 255) on the three low bytes, all channels at once: the bytes
// are added without carries between them, the carry out of each byte is worked out from
// the top bits, and an overflowed byte is filled with 0xFF. Also the tail of each SIMD row.
inline uint32_t AddSaturated(uint32_t d, uint32_t s) {
  d &= 0x00FFFFFF;
  s &= 0x00FFFFFF;
  const uint32_t sum = ((d & 0x7F7F7F) + (s & 0x7F7F7F)) ^ ((d ^ s) & 0x808080);
  const uint32_t carry = ((d & s) | ((d | s) & ~sum)) & 0x808080;
  return sum | ((carry << 1) - (carry >> 7));
}

// The part of the source that lands on the frame; rows == 0 when nothing does.
struct Clip {
  const uint32_t* sourceRow = nullptr;
  uint32_t* frameRow = nullptr;
  int32_t columns = 0, rows = 0;
};

inline Clip ClipToFrame(const uint32_t* source, int32_t width, int32_t height, uint32_t* frame,
                        int32_t x, int32_t y) {
  if (width <= 0 || height <= 0) return {};
  // 64-bit edges: x + width cannot overflow whatever the caller passes.
  const int64_t left = std::max<int64_t>(x, 0);
  const int64_t top = std::max<int64_t>(y, 0);
  const int64_t right = std::min<int64_t>(int64_t{x} + width, kFrameWidth);
  const int64_t bottom = std::min<int64_t>(int64_t{y} + height, kFrameHeight);
  if (left >= right || top >= bottom) return {};
  return {source + (top - y) * width + (left - x), frame + top * kFrameWidth + left,
          static_cast<int32_t>(right - left), static_cast<int32_t>(bottom - top)};
}

// The reference: one pixel at a time.
inline void BlitRowsScalar(const uint32_t* sourceRow, int32_t sourceStride, uint32_t* frameRow,
                           int32_t columns, int32_t rows) {
  for (int32_t row = 0; row < rows; ++row) {
    for (int32_t column = 0; column < columns; ++column) {
      frameRow[column] = AddSaturated(frameRow[column], sourceRow[column]);
    }
    sourceRow += sourceStride;
    frameRow += kFrameWidth;
  }
}

}  // namespace zelto_blit

#endif  // ZELTO_IMAGE_BLIT_ADDITIVE_ONCE

HWY_BEFORE_NAMESPACE();
namespace zelto_blit {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// Whole vectors with the byte-wise saturating add, the top byte cleared afterwards; the
// last columns of a row that fill no vector take the scalar add.
void BlitRows(const uint32_t* sourceRow, int32_t sourceStride, uint32_t* frameRow, int32_t columns,
              int32_t rows) {
#if HWY_TARGET == HWY_SCALAR
  BlitRowsScalar(sourceRow, sourceStride, frameRow, columns, rows);  // one lane: no byte view
#else
  const hn::ScalableTag<uint32_t> d32;
  const hn::Repartition<uint8_t, decltype(d32)> d8;
  const int32_t lanes = static_cast<int32_t>(hn::Lanes(d32));
  const auto colourBits = hn::Set(d32, 0x00FFFFFFu);
  for (int32_t row = 0; row < rows; ++row) {
    int32_t column = 0;
    for (; column + lanes <= columns; column += lanes) {
      const auto sum = hn::SaturatedAdd(hn::BitCast(d8, hn::LoadU(d32, frameRow + column)),
                                        hn::BitCast(d8, hn::LoadU(d32, sourceRow + column)));
      hn::StoreU(hn::And(hn::BitCast(d32, sum), colourBits), d32, frameRow + column);
    }
    for (; column < columns; ++column) frameRow[column] = AddSaturated(frameRow[column], sourceRow[column]);
    sourceRow += sourceStride;
    frameRow += kFrameWidth;
  }
#endif
}

}  // namespace HWY_NAMESPACE
}  // namespace zelto_blit
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace zelto_blit {
HWY_EXPORT(BlitRows);
}  // namespace zelto_blit

void BlitAdditive(const uint32_t* source, int32_t width, int32_t height, uint32_t* frame,
                  int32_t x, int32_t y) {
  const zelto_blit::Clip clip = zelto_blit::ClipToFrame(source, width, height, frame, x, y);
  if (clip.rows == 0) return;
  // With one target (the browser build) the dispatch names the kernel unqualified.
  using namespace zelto_blit;
  HWY_DYNAMIC_DISPATCH(BlitRows)(clip.sourceRow, width, clip.frameRow, clip.columns, clip.rows);
}

void BlitAdditiveScalar(const uint32_t* source, int32_t width, int32_t height, uint32_t* frame,
                        int32_t x, int32_t y) {
  const zelto_blit::Clip clip = zelto_blit::ClipToFrame(source, width, height, frame, x, y);
  zelto_blit::BlitRowsScalar(clip.sourceRow, width, clip.frameRow, clip.columns, clip.rows);
}
#endif  // HWY_ONCE

// InvertFrame: one subtraction per pixel, in SIMD beside the plain scalar form.
#include "image/invert_frame.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "image/invert_frame.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
#include "hwy/highway.h"

#include "core/frame_buffer.h"

#ifndef ZELTO_IMAGE_INVERT_FRAME_ONCE
#define ZELTO_IMAGE_INVERT_FRAME_ONCE
namespace zelto_invert {
// The reference: one pixel at a time.
inline void InvertPixelsScalar(uint32_t* frame) {
  for (int i = 0; i < kFramePixels; ++i) frame[i] = 0x00FFFFFFu - frame[i];
}
}  // namespace zelto_invert
#endif  // ZELTO_IMAGE_INVERT_FRAME_ONCE

HWY_BEFORE_NAMESPACE();
namespace zelto_invert {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// The frame's pixel count is a multiple of every vector size, so no tail.
void InvertPixels(uint32_t* frame) {
#if HWY_TARGET == HWY_SCALAR
  InvertPixelsScalar(frame);
#else
  const hn::ScalableTag<uint32_t> d;
  const auto white = hn::Set(d, 0x00FFFFFFu);
  const size_t lanes = hn::Lanes(d);
  for (size_t i = 0; i < static_cast<size_t>(kFramePixels); i += lanes) {
    hn::StoreU(hn::Sub(white, hn::LoadU(d, frame + i)), d, frame + i);
  }
#endif
}

}  // namespace HWY_NAMESPACE
}  // namespace zelto_invert
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace zelto_invert {
HWY_EXPORT(InvertPixels);
}  // namespace zelto_invert

static_assert(kFramePixels % 64 == 0, "whole vectors cover the frame");

void InvertFrame(uint32_t* frame) {
  // With one target (the browser build) the dispatch names the kernel unqualified.
  using namespace zelto_invert;
  HWY_DYNAMIC_DISPATCH(InvertPixels)(frame);
}

void InvertFrameScalar(uint32_t* frame) { zelto_invert::InvertPixelsScalar(frame); }
#endif  // HWY_ONCE

// BlitAdditive: clipping once per call, then a plain saturating add per pixel.
#include "image/blit_additive.h"

#include <algorithm>

#include "app/frame_buffer.h"

namespace {

// Per-channel min(d + s, 255) on the three low bytes, all channels at once: the bytes
// are added without carries between them, the carry out of each byte is worked out from
// the top bits, and an overflowed byte is filled with 0xFF. Gives exactly the masked
// add-and-clamp per channel, with no compare per channel, so the loop vectorises.
inline uint32_t AddSaturated(uint32_t d, uint32_t s) {
  d &= 0x00FFFFFF;
  s &= 0x00FFFFFF;
  const uint32_t sum = ((d & 0x7F7F7F) + (s & 0x7F7F7F)) ^ ((d ^ s) & 0x808080);
  const uint32_t carry = ((d & s) | ((d | s) & ~sum)) & 0x808080;
  return sum | ((carry << 1) - (carry >> 7));
}

}  // namespace

void BlitAdditive(const uint32_t* source, int32_t width, int32_t height, uint32_t* frame,
                  int32_t x, int32_t y) {
  if (width <= 0 || height <= 0) return;
  // 64-bit edges: x + width cannot overflow whatever the caller passes.
  const int64_t left = std::max<int64_t>(x, 0);
  const int64_t top = std::max<int64_t>(y, 0);
  const int64_t right = std::min<int64_t>(int64_t{x} + width, kFrameWidth);
  const int64_t bottom = std::min<int64_t>(int64_t{y} + height, kFrameHeight);
  if (left >= right || top >= bottom) return;

  const int32_t columns = static_cast<int32_t>(right - left);
  const int32_t rows = static_cast<int32_t>(bottom - top);
  const uint32_t* sourceRow = source + (top - y) * width + (left - x);
  uint32_t* frameRow = frame + top * kFrameWidth + left;
  for (int32_t row = 0; row < rows; ++row) {
    for (int32_t column = 0; column < columns; ++column) {
      frameRow[column] = AddSaturated(frameRow[column], sourceRow[column]);
    }
    sourceRow += width;
    frameRow += kFrameWidth;
  }
}

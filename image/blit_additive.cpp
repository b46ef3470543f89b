// BlitAdditive: clipping once per call, then a plain saturating add per pixel.
#include "image/blit_additive.h"

#include <algorithm>

#include "app/frame_buffer.h"

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
      const uint32_t s = sourceRow[column];
      const uint32_t d = frameRow[column];
      const uint32_t red = std::min<uint32_t>((d & 0xFF0000) + (s & 0xFF0000), 0xFF0000);
      const uint32_t green = std::min<uint32_t>((d & 0x00FF00) + (s & 0x00FF00), 0x00FF00);
      const uint32_t blue = std::min<uint32_t>((d & 0x0000FF) + (s & 0x0000FF), 0x0000FF);
      frameRow[column] = red | green | blue;
    }
    sourceRow += width;
    frameRow += kFrameWidth;
  }
}

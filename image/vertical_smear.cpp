// VerticalSmear: two weights per call, then one integer blend per pixel, rows in order.
#include "image/vertical_smear.h"

#include <algorithm>
#include <cstring>

#include "app/frame_buffer.h"

void VerticalSmear(uint32_t* frame, float keep) {
  if (!(keep >= 0.0f)) keep = 0.0f;  // also catches NaN
  if (keep > 1.0f) keep = 1.0f;
  const uint32_t own = static_cast<uint32_t>(static_cast<float>(keep * 65535.0f));
  const uint32_t above = static_cast<uint32_t>(static_cast<float>((1.0f - keep) * 65535.0f));

  std::memset(frame, 0, kFrameWidth * sizeof(uint32_t));
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

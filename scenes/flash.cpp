// The negative flash: strip, bar at a random height, inversion.
#include "scenes/flash.h"

#include "core/random.h"
#include "image/blit_additive.h"
#include "image/invert_frame.h"
#include "image/surface.h"

void DrawFlash(uint32_t* frame, const Surface& strip, const Surface& bar, int32_t counter) {
  const int32_t stripOffset = (counter % kStripFrames) * (kStripWidth * kStripFrameRows);
  BlitAdditive(strip.pixels.data() + stripOffset, strip.width, kStripFrameRows, frame, 448, 0);
  const int32_t y = zelto::rand() % 240;
  const int32_t barOffset = (counter % kBarFrames) * (kBarWidth * kBarFrameRows);
  BlitAdditive(bar.pixels.data() + barOffset, bar.width, kBarFrameRows, frame, 0, y);
  InvertFrame(frame);
}

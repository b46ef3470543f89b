// The stand-in test card: a numbered frame with a moving bar.
#include "scenes/test_card.h"

#include "app/display.h"
#include "app/frame_buffer.h"
#include "app/music.h"
#include "app/timer.h"

void DrawTestCard(uint32_t* frame, int number, double seconds) {
  const uint32_t background = 0x00202040u + static_cast<uint32_t>(number) * 0x00100800u;
  for (int i = 0; i < kFramePixels; ++i) frame[i] = background;
  // One white block per card number, so a screenshot tells the cards apart.
  for (int block = 0; block < number; ++block)
    for (int y = 16; y < 48; ++y)
      for (int x = 16 + block * 24; x < 32 + block * 24; ++x) frame[y * kFrameWidth + x] = 0x00FFFFFFu;
  // A vertical bar that sweeps the frame once per two seconds.
  const double phase = seconds * 0.5 - static_cast<double>(static_cast<int64_t>(seconds * 0.5));
  const int barX = static_cast<int>(phase * (kFrameWidth - 16));
  for (int y = 64; y < kFrameHeight; ++y)
    for (int x = barX; x < barX + 16; ++x) frame[y * kFrameWidth + x] = 0x00FFC000u;
}

void RunTestCard(uint32_t* frame, int number, int32_t endPosition) {
  while (MusicPosition.load(std::memory_order_relaxed) < endPosition) {
    DrawTestCard(frame, number, TimerSeconds());
    PresentFrame(frame);
  }
}

// FramePacer on a simulated clock: no drift over an hour, late frames caught up without a
// burst, and a stall that starts the grid again instead of being made up.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "platform/frame_pacer.h"

namespace {

constexpr uint64_t kTicks = 1000000000;  // a nanosecond counter, as SDL's on Linux
constexpr uint64_t kPeriod = kTicks / 60;

// Presents `frames` frames, each taking `work(n)` ticks to draw; returns the clock at the
// end and the smallest gap between two presents.
template <typename Work>
uint64_t PresentFrames(platform::FramePacer* pacer, uint64_t now, int frames, Work work, uint64_t* smallestGap) {
  uint64_t previous = 0;
  *smallestGap = UINT64_MAX;
  for (int n = 0; n < frames; ++n) {
    now += work(n);
    now = std::max(now, pacer->Due(now));  // sleeps until due, or presents at once
    if (n > 0) *smallestGap = std::min(*smallestGap, now - previous);
    previous = now;
  }
  return now;
}

TEST(FramePacer, HoldsSixtyHertzCatchesUpWithoutBurstsAndDropsAStall) {
  uint64_t gap = 0;
  // An hour of quick frames: frame n is presented at exactly n / 60 s after the first.
  platform::FramePacer steady(kTicks);
  const uint64_t start = 12345;
  EXPECT_EQ(PresentFrames(&steady, start, 216001, [](int) { return uint64_t{1000}; }, &gap), start + 1000 + 3600 * kTicks);
  // Every seventh frame takes a period and a half: a second still holds 60 frames, the
  // catch-up never presents two frames closer than half a period.
  platform::FramePacer late(kTicks);
  const uint64_t end = PresentFrames(&late, 0, 61, [](int n) { return n % 7 == 3 ? kPeriod * 3 / 2 : uint64_t{2000}; }, &gap);
  EXPECT_LE(end, kTicks + kPeriod);
  EXPECT_GE(gap, kPeriod / 2);
  // A stall of half a second: the next frame comes at once and the grid starts there, so
  // the following frames are a whole period apart (no 30 frames in a rush).
  platform::FramePacer stalled(kTicks);
  const uint64_t before = PresentFrames(&stalled, 0, 10, [](int) { return uint64_t{0}; }, &gap);
  const uint64_t resumed = before + kTicks / 2;
  EXPECT_EQ(stalled.Due(resumed), resumed);
  EXPECT_EQ(stalled.Due(resumed + 100), resumed + kPeriod);
  EXPECT_EQ(stalled.Due(resumed + kPeriod + 100), resumed + 2 * kTicks / 60);
}

}  // namespace

// The display switches other than the built ones (compiled once per variant): where the
// picture lands, what is cleared, what is never written, the windowed clipping.
#include <gtest/gtest.h>

#include "app/demo.h"
#include "app/display.h"
#include "platform/display_switches.h"
#include "core/frame_buffer.h"
#include "platform/offline.h"
#include "tests/app/harness.h"
#include "tests/stand_in/stand_in_scenes.h"

namespace {

using platform::kOfflineUnwrittenPixel;

// Runs the whole demo on a short module; `check` sees frame 2.
void RunDemo(platform::OfflineSettings settings, const std::function<void(const platform::OfflineFrame&)>& check) {
  WorkDirectory work;
  WriteTestModule(kSongPositionsNeeded, 1, 1, 125);  // about two seconds
  bool checked = false;
  settings.frameSink = [&](const platform::OfflineFrame& frame) {
    if (frame.index != 2) return;
    check(frame);
    checked = true;
  };
  ResetDemoState();
  platform::OfflineReset(settings);
  ASSERT_EQ(DemoMain(), 0);
  EXPECT_TRUE(checked);
  EXPECT_EQ(platform::OfflineCursorShown(), FullScreen == 0);
  ResetDemoState();
}

// Every pixel of the surface: the picture where the switches put it, and around it either
// the page-flip set-up's clear (640 x 480) or nothing ever written. The windowed copy is
// clipped to the desktop and leaves the rows below its bottom minus 30 (738) alone.
TEST(DisplayVariant, ThePictureLandsWhereTheSwitchesPutItAndNothingElseIsWritten) {
  std::vector<std::pair<int, int>> places = {{0, 0}};
  if (!FullScreen) places = {{0, 0}, {0, 600}, {-100, -20}, {700, 10}};
  const int width = FullScreen ? (Mode512x384 ? 512 : 640) : 1024;
  const int height = FullScreen ? (Mode512x384 ? 384 : 480) : 768;
  const uint32_t outside = FullScreen && !Mode512x384 ? 0u : kOfflineUnwrittenPixel;
  for (const auto& [clientX, clientY] : places) {
    SCOPED_TRACE(testing::Message() << clientX << "," << clientY);
    platform::OfflineSettings settings;
    settings.clientX = clientX, settings.clientY = clientY;
    const int left = FullScreen ? (Mode512x384 ? 0 : 64) : clientX;
    const int top = FullScreen ? (Mode512x384 ? 64 : 112) : clientY;
    RunDemo(settings, [&](const platform::OfflineFrame& frame) {
      ASSERT_EQ(std::pair(frame.surfaceWidth, frame.surfaceHeight), std::pair(width, height));
      for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
          const int column = x - left, row = y - top;
          const bool written = column >= 0 && column < 512 && row >= 0 && row < 256 && (FullScreen || y <= 738);
          ASSERT_EQ(frame.surface[y * width + x], written ? TheDemo->frameBuffer[row * 512 + column] : outside)
              << x << "," << y;
        }
    });
  }
  // Without page flipping the picture goes straight to the primary surface.
  if (FullScreen && !PageFlip) { EXPECT_EQ(platform::OfflineCallCount(platform::OfflineCall::ShowBackBuffer), 0); }
}

}  // namespace

// The display switches other than the built ones (compiled once per variant): where the
// picture lands, what is cleared, what is never written, the windowed clipping.
#include <gtest/gtest.h>

#include "app/demo.h"
#include "app/display.h"
#include "app/frame_buffer.h"
#include "platform/offline.h"
#include "tests/app/harness.h"
#include "tests/stand_in/stand_in_scenes.h"

namespace {

using platform::kOfflineUnwrittenPixel;

// Runs the whole demo on a short module; `check` sees frame 2.
void RunDemo(platform::OfflineSettings settings, const std::function<void(const platform::OfflineFrame&)>& check) {
  WorkDirectory work;
  WriteTestModule(97, 1, 1, 125);  // about two seconds
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

uint32_t At(const platform::OfflineFrame& frame, int x, int y) {
  return frame.surface[static_cast<size_t>(y) * frame.surfaceWidth + x];
}

TEST(DisplayVariant, ThePictureLandsWhereTheSwitchesPutIt) {
  if (!FullScreen) {
    // The client area at (0, 0) of a 1024 x 768 desktop: every row fits (255 <= 738).
    RunDemo({}, [](const platform::OfflineFrame& frame) {
      ASSERT_EQ(frame.surfaceWidth, 1024);
      ASSERT_EQ(frame.surfaceHeight, 768);
      for (int y = 0; y < 768; y += 3)
        for (int x = 0; x < 1024; x += 3) {
          const bool inside = x < 512 && y < 256;
          ASSERT_EQ(At(frame, x, y), inside ? TheDemo->frameBuffer[y * 512 + x] : kOfflineUnwrittenPixel)
              << x << "," << y;
        }
    });
    return;
  }
  if (!Mode512x384) {
    RunDemo({}, [](const platform::OfflineFrame& frame) {
      ASSERT_EQ(frame.surfaceWidth, 640);
      ASSERT_EQ(frame.surfaceHeight, 480);
      for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
          const bool inside = x >= 64 && x < 576 && y >= 112 && y < 368;
          // The page-flip set-up cleared all 307200 words of the back buffer.
          ASSERT_EQ(At(frame, x, y), inside ? TheDemo->frameBuffer[(y - 112) * 512 + x - 64] : 0u)
              << x << "," << y;
        }
    });
    return;
  }
  // 512 x 384 straight to the primary surface: nothing was cleared, and the rows around
  // the picture are never written.
  RunDemo({}, [](const platform::OfflineFrame& frame) {
    ASSERT_EQ(frame.surfaceWidth, 512);
    ASSERT_EQ(frame.surfaceHeight, 384);
    for (int y = 0; y < 384; ++y)
      for (int x = 0; x < 512; ++x) {
        const bool inside = y >= 64 && y < 320;
        ASSERT_EQ(At(frame, x, y), inside ? TheDemo->frameBuffer[(y - 64) * 512 + x] : kOfflineUnwrittenPixel);
      }
  });
  EXPECT_EQ(platform::OfflineCallCount(platform::OfflineCall::Flip), 0);
}

TEST(DisplayVariant, TheWindowedCopyStaysOnTheDesktop) {
  if (FullScreen) GTEST_SKIP() << "full-screen build";
  struct Placement {
    int clientX, clientY;
  };
  for (Placement place : {Placement{0, 600}, Placement{-100, -20}, Placement{700, 10}}) {
    SCOPED_TRACE(testing::Message() << place.clientX << "," << place.clientY);
    platform::OfflineSettings settings;
    settings.clientX = place.clientX;
    settings.clientY = place.clientY;
    RunDemo(settings, [place](const platform::OfflineFrame& frame) {
      for (int y = 0; y < 768; ++y)
        for (int x = 0; x < 1024; ++x) {
          const int column = x - place.clientX;
          const int row = y - place.clientY;
          // Rows below the desktop's bottom minus 30 (738) and anything off the desktop
          // are left alone.
          const bool written = column >= 0 && column < 512 && row >= 0 && row < 256 && y <= 738;
          ASSERT_EQ(At(frame, x, y), written ? TheDemo->frameBuffer[row * 512 + column] : kOfflineUnwrittenPixel)
              << x << "," << y;
        }
    });
  }
}

}  // namespace

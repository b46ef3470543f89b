// The display rules as every backend shows them: the same table of set-ups runs on the
// offline backend and on the SDL backend in a real X session, so a backend whose display
// drifts from the others fails here. What each set-up accepts, the sizes of the surfaces,
// and the display image that reaches the screen with the picture where the rules put it.
#include <gtest/gtest.h>

#include <vector>

#include "platform/display_model.h"
#include "platform/platform.h"
#ifdef ZELTO_RULES_ON_SDL
#include <cstdlib>

#include "tests/e2e/x_session.h"
#else
#include "platform/offline.h"
#endif

namespace {

struct DisplaySetUp {
  const char* name;
  bool exclusive;
  int32_t modeWidth, modeHeight, bitsPerPixel;
  bool withBackBuffer;
  // Expected:
  bool modeAccepted;
  int32_t pictureLeft, pictureTop;  // in the display image
};

// On the desktop the display image is the window's client area, which the picture fills.
const DisplaySetUp kSetUps[] = {
    {"full screen 512 x 384", true, 512, 384, 32, true, true, 0, 64},
    {"full screen 640 x 480", true, 640, 480, 32, true, true, 64, 112},
    {"full screen without flipping", true, 512, 384, 32, false, true, 0, 64},
    {"a mode the display does not offer", true, 800, 600, 32, true, false, 0, 0},
    {"a mode of 16 bits per pixel", true, 512, 384, 16, true, false, 0, 0},
    {"desktop with a back buffer", false, 512, 384, 32, true, false, 0, 0},
    {"desktop", false, 512, 384, 32, false, false, 0, 0},
};

// Each pixel says where it was written: never 0, never a fresh surface's pixel.
uint32_t Mark(int32_t x, int32_t y) { return 0x01000000u | static_cast<uint32_t>(y) << 12 | static_cast<uint32_t>(x); }

struct Seen {
  int images = 0;
  int32_t width = 0, height = 0, pictureLeft = 0, pictureTop = 0;
  std::vector<uint32_t> pixels, picture;
};

void Record(const platform::DisplayImage& image, void* context) {
  Seen& seen = *static_cast<Seen*>(context);
  ++seen.images;
  seen.width = image.width, seen.height = image.height;
  seen.pictureLeft = image.pictureLeft, seen.pictureTop = image.pictureTop;
  seen.pixels.assign(image.pixels, image.pixels + static_cast<size_t>(image.width) * image.height);
  platform::CutPicture(image, &seen.picture);
}

#ifdef ZELTO_RULES_ON_SDL
#define DisplayRules DisplayRulesOnSdl
#else
#define DisplayRules DisplayRulesOffline
#endif

class DisplayRules : public testing::Test {
 protected:
#ifdef ZELTO_RULES_ON_SDL
  static void SetUpTestSuite() {
    setenv("SDL_VIDEODRIVER", "x11", 1);
    ASSERT_TRUE(session_.Start(1024, 768));
  }
  static void TearDownTestSuite() { session_.Stop(); }
  static void StartBackend() { platform::ResetDisplayModel(); }
  static inline XSession session_;
#else
  static void StartBackend() { platform::OfflineReset({}); }
#endif
};

TEST_F(DisplayRules, EverySetUpAcceptsTheSameModesAndShowsThePictureWhereTheRulesPutIt) {
  Seen seen;
  platform::WatchDisplayImages(Record, &seen);
  for (const DisplaySetUp& set : kSetUps) {
    SCOPED_TRACE(set.name);
    StartBackend();
    seen = Seen();
    const platform::WindowHandle window = platform::OpenWindow(
        "ZELDEMO", "rules", set.exclusive ? platform::WindowKind::FullScreenPopup : platform::WindowKind::Captioned, 0, 0,
        set.exclusive ? set.modeWidth : 512 + platform::kCaptionFrameWidth,
        set.exclusive ? set.modeHeight : 256 + platform::kCaptionFrameHeight);
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(platform::OpenDisplay());
    ASSERT_TRUE(platform::TakeScreen(window, set.exclusive));
    EXPECT_EQ(platform::ChooseScreenMode(set.modeWidth, set.modeHeight, set.bitsPerPixel), set.modeAccepted);
    if (set.exclusive && !set.modeAccepted) {  // the frame code stops here
      platform::RemoveWindow(window);
      continue;
    }
    ASSERT_TRUE(platform::CreateScreenBuffers(set.withBackBuffer));
    EXPECT_EQ(platform::AttachBackBuffer(), set.withBackBuffer);

    const platform::ScreenRectangle desktop = platform::DesktopArea();
    platform::LockedBuffer locked;
    if (set.withBackBuffer) {
      ASSERT_TRUE(platform::LockBuffer(platform::ScreenBuffer::BackBuffer, &locked));
      const int32_t width = set.exclusive ? set.modeWidth : 640, height = set.exclusive ? set.modeHeight : 480;
      EXPECT_EQ(std::pair(locked.width, locked.height), std::pair(width, height));
      EXPECT_EQ(locked.pitch, width * 4);
      EXPECT_TRUE(platform::UnlockBuffer(platform::ScreenBuffer::BackBuffer));
      EXPECT_EQ(seen.images, 0);  // the back buffer shows only when flipped
    }
    const bool writesBack = set.exclusive && set.withBackBuffer;
    const platform::ScreenBuffer written = writesBack ? platform::ScreenBuffer::BackBuffer : platform::ScreenBuffer::Primary;
    ASSERT_TRUE(platform::LockBuffer(written, &locked));
    if (set.exclusive)
      EXPECT_EQ(std::pair(locked.width, locked.height), std::pair(set.modeWidth, set.modeHeight));
    else
      EXPECT_EQ(std::pair(locked.width, locked.height), std::pair(desktop.right, desktop.bottom));
    for (int32_t y = 0; y < locked.height; ++y)
      for (int32_t x = 0; x < locked.width; ++x) locked.pixels[static_cast<size_t>(y) * (locked.pitch / 4) + x] = Mark(x, y);
    EXPECT_TRUE(platform::UnlockBuffer(written));
    // The frame code flips only in full screen; without a back buffer there is nothing to flip.
    if (writesBack) { EXPECT_TRUE(platform::ShowBackBuffer()); }
    if (!set.withBackBuffer) { EXPECT_FALSE(platform::ShowBackBuffer()); }
    ASSERT_EQ(seen.images, 1);

    int32_t originX = 0, originY = 0;
    if (!set.exclusive) platform::ClientAreaOrigin(window, &originX, &originY);
    EXPECT_EQ(std::pair(seen.width, seen.height),
              set.exclusive ? std::pair(set.modeWidth, set.modeHeight) : std::pair(512, 256));
    EXPECT_EQ(std::pair(seen.pictureLeft, seen.pictureTop), std::pair(set.pictureLeft, set.pictureTop));
    int wrong = 0;
    for (int32_t y = 0; y < seen.height; ++y)
      for (int32_t x = 0; x < seen.width; ++x) {
        const int32_t surfaceX = originX + x, surfaceY = originY + y;
        const bool onSurface = surfaceX >= 0 && surfaceY >= 0 && surfaceX < locked.width && surfaceY < locked.height;
        wrong += seen.pixels[static_cast<size_t>(y) * seen.width + x] != (onSurface ? Mark(surfaceX, surfaceY) : 0u);
      }
    EXPECT_EQ(wrong, 0);
    ASSERT_EQ(seen.picture.size(), 512u * 256u);
    EXPECT_EQ(seen.picture[0], Mark(originX + set.pictureLeft, originY + set.pictureTop));
    EXPECT_EQ(seen.picture[512 * 256 - 1], Mark(originX + set.pictureLeft + 511, originY + set.pictureTop + 255));
    platform::RemoveWindow(window);
  }
  platform::WatchDisplayImages(nullptr, nullptr);
}

}  // namespace

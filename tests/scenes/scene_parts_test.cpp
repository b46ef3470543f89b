// Smaller scene parts: sprite frames, the flash, and the size checks of loaded images.
#include <gtest/gtest.h>

#include <vector>

#include "app/frame_buffer.h"
#include "app/random.h"
#include "image/surface.h"
#include "scenes/flash.h"
#include "scenes/object_scene.h"
#include "scenes/scene_images.h"

namespace {

// A surface of the given size, every pixel `colour`, without a file.
void FillSurface(Surface* surface, int32_t width, int32_t height, uint32_t colour) {
  surface->width = width;
  surface->height = height;
  surface->depth = 32;
  surface->pixels = new uint32_t[static_cast<size_t>(width) * height];
  for (int32_t i = 0; i < width * height; ++i) surface->pixels[i] = colour;
}

}  // namespace

TEST(ObjectSpriteFrame, ThreeSlotsRunOneFrameApartAtFourFramesPerSecond) {
  EXPECT_EQ(ObjectSpriteFrame(10.0, 0), 0);
  EXPECT_EQ(ObjectSpriteFrame(10.0, 1), 1);
  EXPECT_EQ(ObjectSpriteFrame(10.0, 2), 2);
  EXPECT_EQ(ObjectSpriteFrame(10.3, 0), 1);
  EXPECT_EQ(ObjectSpriteFrame(10.3, 2), 3);
  EXPECT_EQ(ObjectSpriteFrame(10.6, 0), 2);
  EXPECT_EQ(ObjectSpriteFrame(10.6, 1), 3);
  EXPECT_EQ(ObjectSpriteFrame(10.6, 2), 0);
}

TEST(DrawFlash, AddsStripAndBarThenInvertsAndDrawsOneNumber) {
  Surface strip;
  FillSurface(&strip, kStripWidth, kStripFrameRows * kStripFrames, 0);
  Surface bar;
  FillSurface(&bar, kBarWidth, kBarFrameRows * kBarFrames, 0);
  // Frame 1 of the strip and frame 3 of the bar are lit (counter 201: 201 mod 8 = 1,
  // 201 mod 4 = 1; counter 3: strip 3, bar 3).
  for (int i = 0; i < kStripWidth * kStripFrameRows; ++i) strip.pixels[kStripWidth * kStripFrameRows + i] = 0x00FFFFFF;
  for (int i = 0; i < kBarWidth * kBarFrameRows; ++i) bar.pixels[3 * kBarWidth * kBarFrameRows + i] = 0x00FFFFFF;

  zelto::SeedRandom(1);
  const int barRow = zelto::rand() % 240;
  const int after = zelto::rand();
  zelto::SeedRandom(1);
  std::vector<uint32_t> frame(kFramePixels, 0);
  DrawFlash(frame.data(), strip, bar, 201);
  EXPECT_EQ(zelto::rand(), after);
  // The lit strip frame lands in the top-right corner and is inverted to black; the bar
  // frame drawn (1) is black, so everything else is white.
  EXPECT_EQ(frame[0 * 512 + 448], 0u);
  EXPECT_EQ(frame[79 * 512 + 511], 0u);
  EXPECT_EQ(frame[79 * 512 + 447], 0x00FFFFFFu);
  EXPECT_EQ(frame[80 * 512 + 511], 0x00FFFFFFu);

  zelto::SeedRandom(1);
  std::fill(frame.begin(), frame.end(), 0);
  DrawFlash(frame.data(), strip, bar, 3);
  EXPECT_EQ(frame[barRow * 512 + 0], 0u);
  EXPECT_EQ(frame[(barRow + 24) * 512 + 300], 0u);
  EXPECT_EQ(frame[(barRow + 25) * 512 + 300], 0x00FFFFFFu);
}

TEST(RequireImageSizeDeathTest, WrongSizesEndWithAMessageNamingFileAndSize) {
  Surface image;
  FillSurface(&image, 128, 256, 0);
  RequireImageSize(image, "ok.bmp", kAnyWidth, 30);
  RequireImageSize(image, "ok.bmp", 128, 256);
  RequireImagePixels(image, "ok.bmp", 32768);
  // FatalError ends the process with 9999, which a POSIX parent sees as 15.
  EXPECT_EXIT(RequireImageSize(image, "data/zoom/texture1.bmp", 256, 256), ::testing::ExitedWithCode(15),
              "data/zoom/texture1.bmp : il faut 256 pixels de large et au moins 256 lignes \\(taille lue : 128 x 256\\)");
  EXPECT_EXIT(RequireImageSize(image, "data/boule/anim.bmp", kAnyWidth, 300), ::testing::ExitedWithCode(15),
              "data/boule/anim.bmp : il faut au moins 300 lignes");
  EXPECT_EXIT(RequireImagePixels(image, "data/particules/forme.bmp", 64000), ::testing::ExitedWithCode(15),
              "data/particules/forme.bmp : il faut au moins 64000 pixels \\(taille lue : 128 x 256\\)");
}

// Smaller scene parts: the object scene's sprite frames, the size checks of images and
// RotozoomMap (steps added before drawing, 20.12 wrap in both directions and past 2^31).
#include <gtest/gtest.h>

#include <vector>

#include "core/exit_codes.h"
#include "core/frame_buffer.h"
#include "image/surface.h"
#include "scenes/object_scene.h"
#include "scenes/rotozoom_scene.h"
#include "scenes/scene_images.h"

TEST(ObjectSpriteFrame, ThreeSlotsRunOneFrameApartAtFourFramesPerSecond) {
  const int expected[3][3] = {{0, 1, 2}, {1, 2, 3}, {2, 3, 0}};
  const double times[3] = {10.0, 10.3, 10.6};
  for (int i = 0; i < 3; ++i)
    for (int slot = 0; slot < 3; ++slot) EXPECT_EQ(ObjectSpriteFrame(times[i], slot), expected[i][slot]);
}

TEST(RequireImageSizeDeathTest, WrongSizesEndWithAMessageNamingFileAndSize) {
  Surface image;
  image.width = 128, image.height = 256;
  RequireImageSize(image, "ok.bmp", kAnyWidth, 30);
  RequireImageSize(image, "ok.bmp", 128, 256);
  RequireImagePixels(image, "ok.bmp", 32768);
  EXPECT_EXIT(RequireImageSize(image, "data/zoom/texture1.bmp", 256, 256), ::testing::ExitedWithCode(kExitFatalSeen),
              "data/zoom/texture1.bmp : il faut 256 pixels de large et au moins 256 lignes \\(taille lue : 128 x 256\\)");
  EXPECT_EXIT(RequireImageSize(image, "data/boule/anim.bmp", kAnyWidth, 300), ::testing::ExitedWithCode(kExitFatalSeen),
              "data/boule/anim.bmp : il faut au moins 300 lignes");
  EXPECT_EXIT(RequireImagePixels(image, "data/particules/forme.bmp", 64000), ::testing::ExitedWithCode(kExitFatalSeen),
              "data/particules/forme.bmp : il faut au moins 64000 pixels \\(taille lue : 128 x 256\\)");
}

TEST(RotozoomMap, StepsComeBeforeDrawingAndCoordinatesWrapBothWays) {
  // Every texel names its own position: red = row, blue = column.
  std::vector<uint32_t> texture(65536), frame(kFramePixels);
  for (uint32_t i = 0; i < 65536; ++i) texture[i] = (i >> 8) << 16 | (i & 255);
  // Corners, then the texel column and row at pixel (x, y) as start + x * perX + y * perY.
  struct Case { TexturePoint corners[4]; int64_t column[3], row[3]; };
  const Case cases[] = {
      // The unit square shows the texture shifted by one texel (steps before drawing), repeated.
      {{{0, 0}, {256, 0}, {999, 999}, {0, 256}}, {1, 1, 0}, {1, 0, 1}},
      // Equal top corners: one texel per row.
      {{{10, 20}, {10, 20}, {0, 0}, {10, 276}}, {10, 0, 0}, {21, 0, 1}},
      // The first pixel lands on u = -4096: column 255.
      {{{-2, 0}, {254, 0}, {0, 0}, {-2, 256}}, {-1, 1, 0}, {1, 0, 1}},
      // A quarter turn far out on the plane: u runs down the rows, v along the columns
      // backwards, and the running sums wrap in 32 bits without trouble.
      {{{100000.0, 3.0}, {100000.0, -253.0}, {0, 0}, {100256.0, 3.0}}, {100001, 0, 1}, {2, -1, 0}},
      // u = 524289 * 4096 = 2^31 + 4096 leaves the signed range: it wraps to column 1
      // (saturating at INT32_MIN would give column 0).
      {{{524289.0, 0}, {524289.0, 0}, {524289.0, 0}, {524289.0, 0}}, {1, 0, 0}, {0, 0, 0}}};
  for (const Case& c : cases) {
    RotozoomMap(texture.data(), frame.data(), c.corners[0], c.corners[1], c.corners[2], c.corners[3]);
    for (int y = 0; y < kFrameHeight; ++y)
      for (int x = 0; x < kFrameWidth; ++x) {
        const int64_t column = c.column[0] + x * c.column[1] + y * c.column[2], row = c.row[0] + x * c.row[1] + y * c.row[2];
        ASSERT_EQ(frame[y * kFrameWidth + x], static_cast<uint32_t>((row & 255) << 16 | (column & 255)))
            << c.column[0] << ": " << x << "," << y;
      }
  }
}

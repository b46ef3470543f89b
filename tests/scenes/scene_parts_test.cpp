// Smaller scene parts: the object scene's sprite frames and the size checks of images.
#include <gtest/gtest.h>

#include "image/surface.h"
#include "scenes/object_scene.h"
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
  // FatalError ends the process with 9999, which a POSIX parent sees as 15.
  EXPECT_EXIT(RequireImageSize(image, "data/zoom/texture1.bmp", 256, 256), ::testing::ExitedWithCode(15),
              "data/zoom/texture1.bmp : il faut 256 pixels de large et au moins 256 lignes \\(taille lue : 128 x 256\\)");
  EXPECT_EXIT(RequireImageSize(image, "data/boule/anim.bmp", kAnyWidth, 300), ::testing::ExitedWithCode(15),
              "data/boule/anim.bmp : il faut au moins 300 lignes");
  EXPECT_EXIT(RequireImagePixels(image, "data/particules/forme.bmp", 64000), ::testing::ExitedWithCode(15),
              "data/particules/forme.bmp : il faut au moins 64000 pixels \\(taille lue : 128 x 256\\)");
}

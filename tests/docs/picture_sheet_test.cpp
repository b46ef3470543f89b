// The panel operations of the documentation's pictures: sizes, rounding, clipping.
#include <gtest/gtest.h>

#include "tools/docs/picture_sheet.h"

namespace {

TEST(PictureSheet, HalvingRoundsEachChannelAndDropsOddEdges) {
  Picture picture(5, 3);
  // One 2 x 2 block per channel case: 1 + 2 + 2 + 2 = 7 -> 7/4 rounds to 2; 255 stays 255.
  picture.At(0, 0) = 0x010000;
  picture.At(1, 0) = 0x02FF00;
  picture.At(0, 1) = 0x02FF00;
  picture.At(1, 1) = 0x02FF01;
  picture.At(4, 2) = 0xFFFFFF;  // odd column and row: not part of any block
  const Picture half = Halve(picture);
  ASSERT_EQ(std::pair(half.width, half.height), std::pair(2, 1));
  EXPECT_EQ(half.At(0, 0), 0x02BF00u);  // red 7/4 -> 2, green 765/4 -> 191, blue 1/4 -> 0
  EXPECT_EQ(half.At(1, 0), 0u);
}

TEST(PictureSheet, PanelsLandOnTheirGridAndPartsClipAtTheEdges) {
  const Picture a(2, 1, 0xA), b(2, 1, 0xB), c(2, 1, 0xC);
  const Picture sheet = Tile({a, b, c}, 2, 1, 0xF);
  // Two columns, two rows, a gap of 1 around and between: 2 * 3 + 1 by 2 * 2 + 1.
  ASSERT_EQ(std::pair(sheet.width, sheet.height), std::pair(7, 5));
  const struct { int32_t x, y; uint32_t colour; } expected[] = {
      {0, 0, 0xF}, {1, 1, 0xA}, {2, 1, 0xA}, {3, 1, 0xF}, {4, 1, 0xB}, {5, 1, 0xB}, {1, 3, 0xC}, {4, 3, 0xF}, {6, 4, 0xF}};
  for (const auto& e : expected) EXPECT_EQ(sheet.At(e.x, e.y), e.colour) << e.x << "," << e.y;
  EXPECT_EQ(Tile({}, 2, 1, 0).pixels.size(), 0u);

  Picture target(3, 3, 0);
  Paste(&target, Picture(2, 2, 0x7), 2, -1);  // only its bottom-left pixel lands
  EXPECT_EQ(target.At(2, 0), 0x7u);
  EXPECT_EQ(target.At(2, 1) + target.At(1, 0), 0u);

  Picture ramp(4, 2);
  for (int32_t i = 0; i < 8; ++i) ramp.pixels[i] = static_cast<uint32_t>(i);
  const Picture part = Crop(ramp, 1, 1, 2, 1);
  EXPECT_EQ(part.pixels, std::vector<uint32_t>({5, 6}));
  const Picture large = Magnify(part, 3);
  ASSERT_EQ(std::pair(large.width, large.height), std::pair(6, 3));
  EXPECT_EQ(std::pair(large.At(2, 2), large.At(3, 0)), std::pair(5u, 6u));
}

TEST(PictureSheet, MixingGoesFromTheOldColourToTheNewAndIgnoresPointsOutside) {
  Picture picture(1, 1, 0x0080FF);
  MixPixel(&picture, 0, 0, 0xFF0000, 0);
  EXPECT_EQ(picture.At(0, 0), 0x0080FFu);
  MixPixel(&picture, 0, 0, 0xFF0000, 128);
  EXPECT_EQ(picture.At(0, 0), 0x7F4080u);  // each channel halfway, the step truncated toward the old value
  MixPixel(&picture, 0, 0, 0x123456, 256);
  EXPECT_EQ(picture.At(0, 0), 0x123456u);
  for (const auto& [x, y] : {std::pair(-1, 0), std::pair(0, -1), std::pair(1, 0), std::pair(0, 1)})
    MixPixel(&picture, x, y, 0xFFFFFF, 256);
  EXPECT_EQ(picture.At(0, 0), 0x123456u);
}

}  // namespace

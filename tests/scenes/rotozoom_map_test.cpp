// RotozoomMap: steps added before drawing, 20.12 wrap in both directions.
#include <gtest/gtest.h>

#include <vector>

#include "app/frame_buffer.h"
#include "scenes/rotozoom_scene.h"

namespace {

// Every texel names its own position: red = row, blue = column.
std::vector<uint32_t> PositionTexture() {
  std::vector<uint32_t> texture(65536);
  for (uint32_t row = 0; row < 256; ++row)
    for (uint32_t column = 0; column < 256; ++column) texture[row * 256 + column] = row << 16 | column;
  return texture;
}

uint32_t Texel(uint32_t column, uint32_t row) { return (row & 255) << 16 | (column & 255); }

}  // namespace

TEST(RotozoomMap, UnitSquareShowsTheTextureShiftedByOneTexelAndRepeated) {
  const std::vector<uint32_t> texture = PositionTexture();
  std::vector<uint32_t> frame(kFramePixels, 0xDEADBEEF);
  RotozoomMap(texture.data(), frame.data(), {0, 0}, {256, 0}, {999, 999}, {0, 256});
  for (int y = 0; y < kFrameHeight; ++y)
    for (int x = 0; x < kFrameWidth; ++x)
      ASSERT_EQ(frame[y * kFrameWidth + x], Texel(x + 1, y + 1)) << x << "," << y;
}

TEST(RotozoomMap, EqualTopCornersGiveOneTexelPerRow) {
  const std::vector<uint32_t> texture = PositionTexture();
  std::vector<uint32_t> frame(kFramePixels);
  RotozoomMap(texture.data(), frame.data(), {10, 20}, {10, 20}, {0, 0}, {10, 276});
  for (int y = 0; y < kFrameHeight; ++y)
    for (int x = 0; x < kFrameWidth; ++x) ASSERT_EQ(frame[y * kFrameWidth + x], Texel(10, 21 + y));
}

TEST(RotozoomMap, NegativeAndHugeCoordinatesWrap) {
  const std::vector<uint32_t> texture = PositionTexture();
  std::vector<uint32_t> frame(kFramePixels);
  // The first pixel lands on u = -4096: column 255. Rows start one texel down.
  RotozoomMap(texture.data(), frame.data(), {-2, 0}, {254, 0}, {0, 0}, {-2, 256});
  EXPECT_EQ(frame[0], Texel(255, 1));
  EXPECT_EQ(frame[1], Texel(0, 1));
  EXPECT_EQ(frame[kFrameWidth + 2], Texel(1, 2));

  // A quarter turn far out on the plane: u runs down the rows, v along the columns
  // backwards, and the running sums wrap in 32 bits without trouble.
  RotozoomMap(texture.data(), frame.data(), {100000.0, 3.0}, {100000.0, -253.0}, {0, 0}, {100256.0, 3.0});
  EXPECT_EQ(frame[0], Texel(100001, 2));
  EXPECT_EQ(frame[5 * kFrameWidth + 7], Texel(100006, 3 - 8));
  EXPECT_EQ(frame[255 * kFrameWidth + 511], Texel(100256, 3 - 512));
}

// The grid mapper: stepping, wrap and light examples on single blocks, and which blocks
// the whole-frame passes draw.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <tuple>
#include <vector>

#include "core/frame_buffer.h"
#include "image/grid_mapper.h"

namespace {

using Frame = std::vector<uint32_t>;

int Vertex(int c, int r) { return c * kGridRows + r; }

void SetCorners(int32_t* array, int c, int r, int32_t topLeft, int32_t topRight, int32_t bottomLeft, int32_t bottomRight) {
  std::tie(array[Vertex(c, r)], array[Vertex(c + 1, r)], array[Vertex(c, r + 1)], array[Vertex(c + 1, r + 1)]) =
      std::tuple(topLeft, topRight, bottomLeft, bottomRight);
}

class GridMapperTest : public testing::Test {
 protected:
  void SetUp() override {
    for (int32_t* grid : {GridU, GridV, GridLight}) std::fill(grid, grid + kGridVertices, 0);
    std::iota(texture_.begin(), texture_.end(), 0xAB000000u);
  }
  // Texel (u, v) is 0x00vvuu, so a pixel shows where it was read from; the top byte must be dropped.
  Frame texture_ = Frame(65536);
  Frame frame_ = Frame(kFramePixels, 0x00123456);
  uint32_t Pixel(int x, int y) const { return frame_[y * kFrameWidth + x]; }
};

TEST_F(GridMapperTest, WrapArithmeticShiftStepsAndLight) {
  // U runs 0x7FFF.0000 -> 0x8007.0000 across the block, through the sign of 32 bits:
  // columns 255, 0, 1, ... 6.
  const int32_t pastTheSign = static_cast<int32_t>(0x80070000u);
  SetCorners(GridU, 0, 0, 0x7FFF0000, pastTheSign, 0x7FFF0000, pastTheSign);
  // V: down the left edge a difference of -1 steps by -1 (floor), so the value drops by 7.
  SetCorners(GridV, 0, 0, 0x00050000, 0x00050000, 0x0004FFFF, 0x00050000);
  GridMapBlock(texture_.data(), frame_.data(), 0, 0);
  EXPECT_EQ(Frame(frame_.begin(), frame_.begin() + 8), (Frame{0x05FF, 0x0500, 0x0501, 0x0502, 0x0503, 0x0504, 0x0505, 0x0506}));
  // Row 1 starts at V = 0x4FFFF (texel row 4) on the left.
  EXPECT_EQ(Pixel(0, 1), 0x04FFu);
  EXPECT_EQ(Pixel(8, 0) + Pixel(0, 8), 2 * 0x00123456u);  // exactly 8 x 8 pixels written

  // A negative U reads column 255; a positive difference under 8 steps by 0.
  SetCorners(GridU, 1, 0, -0x10000, -0x10000 + 7, -0x10000, -0x10000);
  SetCorners(GridV, 1, 0, 0, 0, 0, 0);
  GridMapBlock(texture_.data(), frame_.data() + 8, 1, 0);
  for (int x = 8; x < 16; ++x) EXPECT_EQ(Pixel(x, 7), 0x00FFu);
  // Light adds the same level to every channel, each limited alone.
  SetCorners(GridU, 2, 3, 0xF00000, 0xF00000, 0xF00000, 0xF00000);  // texel 0x0020F0 throughout
  SetCorners(GridV, 2, 3, 0x200000, 0x200000, 0x200000, 0x200000);
  for (auto [level, expected] : {std::pair(0, 0x0020F0u), std::pair(0x10, 0x1030FFu), std::pair(0xFF, 0xFFFFFFu)}) {
    SetCorners(GridLight, 2, 3, level << 8, level << 8, level << 8, level << 8);
    GridMapBlock(texture_.data(), frame_.data() + 3 * 8 * kFrameWidth + 16, 2, 3);
    EXPECT_EQ(Pixel(16, 24), expected) << level;
    EXPECT_EQ(Pixel(23, 31), expected) << level;
  }
}

TEST_F(GridMapperTest, MaskedSkipsMarkedBlocksAndTheTopAndLeftBordersAndTheOtherDrawsThemAll) {
  std::fill(GridU, GridU + kGridVertices, 0x00400000);  // every texel 0x000040 ...
  GridLight[Vertex(10, 5)] = 256;                      // ... except around one marked vertex
  GridMapMasked(texture_.data(), frame_.data());
  const auto touchesMarker = [](int x, int y) { return (x / 8 == 9 || x / 8 == 10) && (y / 8 == 4 || y / 8 == 5); };
  for (int y = 0; y < kFrameHeight; ++y)
    for (int x = 0; x < kFrameWidth; ++x)
      ASSERT_EQ(Pixel(x, y), x >= 8 && y >= 8 && !touchesMarker(x, y) ? 0x40u : 0x00123456u) << x << "," << y;
  // Unmasked, the marked vertex is light level 1 on every channel.
  GridMap(texture_.data(), frame_.data());
  for (int y = 0; y < kFrameHeight; ++y)
    for (int x = 0; x < kFrameWidth; ++x)
      if (!touchesMarker(x, y)) {
        ASSERT_EQ(Pixel(x, y), 0x40u) << x << "," << y;
      }
  EXPECT_EQ(Pixel(80, 40), 0x010141u);
}

}  // namespace

// RadialBlur: worked examples, and a plain per-pixel version of the arithmetic that the
// twelve specialised passes must match exactly.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <random>
#include <vector>

#include "core/frame_buffer.h"
#include "image/radial_blur.h"

namespace {

using Frame = std::vector<uint32_t>;

const int kDirections[8][2] = {{1, 1}, {1, -1}, {0, -1}, {-1, -1}, {-1, 0}, {1, 0}, {-1, 1}, {0, 1}};
uint32_t Channel(uint32_t pixel, int shift) { return (pixel >> shift) & 0xFF; }
uint32_t At(const Frame& f, int x, int y) { return f[y * kFrameWidth + x]; }

// The blur as the arithmetic states it: rays first, walking out from the centre with
// the float rule, then every other pixel in order of its distance from the centre row
// and column, its weight and neighbours worked out from the signs of dx and dy.
Frame ReferenceBlur(Frame f, int cx, int cy) {
  auto inside = [](int x, int y) { return x >= 0 && x < kFrameWidth && y >= 0 && y < kFrameHeight; };
  for (const auto& d : kDirections) {
    for (int k = 1; k <= 511; ++k) {
      const int x = cx + k * d[0], y = cy + k * d[1];
      if (!inside(x, y)) continue;
      const uint32_t n = At(f, x - d[0], y - d[1]), own = At(f, x, y);
      uint32_t out = 0;
      for (int shift : {16, 8, 0}) {
        const int ownTerm = static_cast<int>(Channel(own, shift) * 0.023);
        const float value = static_cast<float>(static_cast<float>(Channel(n, shift)) * 0.996875f) +
                            static_cast<float>(ownTerm);
        out |= std::min<uint32_t>(static_cast<uint32_t>(value), 255) << shift;
      }
      f[y * kFrameWidth + x] = out;
    }
  }
  for (int ady = 1; ady < kFrameHeight; ++ady) {
    for (int adx = 1; adx < kFrameWidth; ++adx) {
      if (adx == ady) continue;
      for (int sy : {1, -1}) {
        for (int sx : {1, -1}) {
          const int x = cx + sx * adx, y = cy + sy * ady;
          if (!inside(x, y)) continue;
          const bool steep = adx < ady;
          const uint32_t w = steep ? (adx << 16) / ady : (ady << 16) / adx;
          const uint32_t diagonal = At(f, x - sx, y - sy);
          const uint32_t axial = steep ? At(f, x, y - sy) : At(f, x - sx, y);
          uint32_t out = 0;
          for (int shift : {16, 8, 0}) {
            const uint32_t sum = Channel(At(f, x, y), shift) * 1507 +
                                 ((Channel(diagonal, shift) * w) & 0xFFFF0000u) +
                                 ((Channel(axial, shift) * (65536 - w)) & 0xFFFF0000u);
            out |= std::min<uint32_t>(sum >> 16, 255) << shift;
          }
          f[y * kFrameWidth + x] = out;
        }
      }
    }
  }
  return f;
}

TEST(RadialBlur, WhiteCentrePixelFadesOneLevelPerStepAlongTheRays) {
  const int cx = 200, cy = 100;
  Frame frame(kFramePixels, 0);
  frame[cy * kFrameWidth + cx] = 0x00FFFFFF;
  RadialBlur(frame.data(), cx, cy);
  EXPECT_EQ(At(frame, cx, cy), 0x00FFFFFFu);
  for (const auto& d : kDirections) {
    for (int k = 1; k <= 155; ++k) {
      const int x = cx + k * d[0], y = cy + k * d[1];
      if (x < 0 || x >= kFrameWidth || y < 0 || y >= kFrameHeight) break;
      ASSERT_EQ(At(frame, x, y), 0x010101u * static_cast<uint32_t>(255 - k)) << d[0] << "," << d[1] << " k " << k;
    }
  }
  EXPECT_EQ(At(frame, cx + 256, cy), 0u);
  EXPECT_EQ(At(frame, cx + 2, cy + 1), 0x00FEFEFEu);  // half of 254 from each neighbour
}

TEST(RadialBlur, MatchesThePlainArithmeticForRandomFramesAndCentres) {
  // Guard words around the frame catch any write outside it; centres outside are clamped onto it.
  std::vector<uint32_t> guarded(kFramePixels + 2 * 4096, 0xDEADBEEF);
  uint32_t* frame = guarded.data() + 4096;
  std::mt19937 generator(1234);
  std::vector<std::array<int, 4>> centres = {{256, 128, 256, 128}, {0, 0, 0, 0}, {511, 255, 511, 255},
                                             {0, 255, 0, 255}, {511, 0, 511, 0}, {3, 251, 3, 251}, {509, 3, 509, 3},
                                             {-40, 100, 0, 100}, {600, -3, 511, 0}, {INT32_MIN, INT32_MAX, 0, 255}};
  for (int i = 0; i < 5; ++i) {
    const int x = static_cast<int>(generator() % 512), y = static_cast<int>(generator() % 256);
    centres.push_back({x, y, x, y});
  }
  for (auto [cx, cy, clampedX, clampedY] : centres) {
    for (int i = 0; i < kFramePixels; ++i) frame[i] = generator() & 0x00FFFFFF;
    const Frame expected = ReferenceBlur(Frame(frame, frame + kFramePixels), clampedX, clampedY);
    RadialBlur(frame, cx, cy);
    ASSERT_EQ(Frame(frame, frame + kFramePixels), expected) << "centre " << cx << "," << cy;
  }
  auto untouched = [](uint32_t p) { return p == 0xDEADBEEF; };
  EXPECT_TRUE(std::all_of(guarded.begin(), guarded.begin() + 4096, untouched));
  EXPECT_TRUE(std::all_of(guarded.end() - 4096, guarded.end(), untouched));
}

}  // namespace

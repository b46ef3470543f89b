// RadialBlur: values worked out by hand from the blur's rules, on the rays and in every
// quadrant, and centres off the frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "core/frame_buffer.h"
#include "image/radial_blur.h"

namespace {

using Frame = std::vector<uint32_t>;

const int kDirections[8][2] = {{1, 1}, {1, -1}, {0, -1}, {-1, -1}, {-1, 0}, {1, 0}, {-1, 1}, {0, 1}};
constexpr int kCx = 200, kCy = 100;
uint32_t At(const Frame& f, int x, int y) { return f[y * kFrameWidth + x]; }

TEST(RadialBlur, WhiteCentrePixelFadesAlongTheRaysAndThroughTheQuadrants) {
  Frame frame(kFramePixels, 0);
  frame[kCy * kFrameWidth + kCx] = 0x00FFFFFF;
  RadialBlur(frame.data(), kCx, kCy);
  EXPECT_EQ(At(frame, kCx, kCy), 0x00FFFFFFu);
  for (const auto& d : kDirections)
    for (int k = 1; k <= 155; ++k) {
      const int x = kCx + k * d[0], y = kCy + k * d[1];
      if (x < 0 || x >= kFrameWidth || y < 0 || y >= kFrameHeight) break;
      ASSERT_EQ(At(frame, x, y), 0x010101u * static_cast<uint32_t>(255 - k)) << d[0] << "," << d[1] << " k " << k;
    }
  EXPECT_EQ(At(frame, kCx + 256, kCy), 0u);
  // Off the rays, mirrored into each quadrant (offsets from the centre, rays k = 1, 2, 3
  // hold 254, 253, 252):
  //   (2, 1) shallow, w = 32768 from D (1, 0) = 254 and A (1, 1) = 254: 127 + 127 = 254;
  //   (1, 3) steep, w = 21845 from D (0, 2) = 253 and A (1, 2) = 254: 84 + 169 = 253;
  //   (4, 2) shallow, w = 32768 from D (3, 1) = 253 and A (3, 2) = 253: each half
  //   truncated, 126 + 126 = 252, one level below the exact 253.
  const int offsets[3][3] = {{2, 1, 254}, {1, 3, 253}, {4, 2, 252}};
  for (const auto& o : offsets)
    for (int sx : {1, -1})
      for (int sy : {1, -1})
        EXPECT_EQ(At(frame, kCx + sx * o[0], kCy + sy * o[1]), 0x010101u * static_cast<uint32_t>(o[2]))
            << sx * o[0] << "," << sy * o[1];
}

TEST(RadialBlur, OwnLightTermsAndTheLimitAt255) {
  // Pixels lit on a black frame, and the value of the last one after the blur.
  const int centre = kCy * kFrameWidth + kCx;
  const std::pair<std::vector<std::pair<int, uint32_t>>, uint32_t> cases[] = {
      // 255, 44 and 43 own 5, 1 and 0, whatever the pass: on a ray, then in a quadrant.
      {{{centre + 1, 0x00FF2C2Bu}}, 0x00050100u},
      {{{centre + 2 * kFrameWidth - 5, 0x00FF2C2Bu}}, 0x00050100u},
      // On a ray, 254 carried in plus 5 own: limited to 255, nothing spills into green.
      {{{centre, 0x000000FFu}, {centre - kFrameWidth, 0x000000FFu}}, 0x000000FFu}};
  for (const auto& [lit, expected] : cases) {
    Frame frame(kFramePixels, 0);
    for (const auto& [at, value] : lit) frame[at] = value;
    RadialBlur(frame.data(), kCx, kCy);
    EXPECT_EQ(frame[lit.back().first], expected) << "pixel " << lit.back().first;
  }
}

TEST(RadialBlur, CentresOffTheFrameAreClampedOntoItAndNothingOutsideIsTouched) {
  // Guard words around the frame catch any write outside it.
  std::vector<uint32_t> guarded(kFramePixels + 2 * 4096, 0xDEADBEEF);
  uint32_t* frame = guarded.data() + 4096;
  std::mt19937 generator(1234);
  const int centres[][4] = {{-40, 100, 0, 100}, {600, -3, 511, 0}, {INT32_MIN, INT32_MAX, 0, 255}};
  for (const auto& [cx, cy, clampedX, clampedY] : centres) {
    for (int i = 0; i < kFramePixels; ++i) frame[i] = generator() & 0x00FFFFFF;
    Frame expected(frame, frame + kFramePixels);
    RadialBlur(expected.data(), clampedX, clampedY);
    RadialBlur(frame, cx, cy);
    ASSERT_EQ(Frame(frame, frame + kFramePixels), expected) << "centre " << cx << "," << cy;
  }
  EXPECT_EQ(std::count(guarded.begin(), guarded.begin() + 4096, 0xDEADBEEF), 4096);
  EXPECT_EQ(std::count(guarded.end() - 4096, guarded.end(), 0xDEADBEEF), 4096);
}

}  // namespace

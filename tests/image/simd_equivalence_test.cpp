// Each SIMD pixel routine against its scalar reference, on random frames and at edge
// positions, bit for bit.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "core/frame_buffer.h"
#include "image/blit_additive.h"
#include "image/grid_mapper.h"
#include "image/invert_frame.h"
#include "image/radial_blur.h"
#include "image/rotozoom_row.h"
#include "image/vertical_smear.h"
#include "tests/image/blur_centres.h"
#include "tests/simd_targets.h"

namespace {

using Frame = std::vector<uint32_t>;

// Runs the dispatched kernel and its scalar reference, each on its own copy of `start`
// (`run` calls one with its arguments around the pixels), and returns the first pixel
// where they differ, or -1: a short message when a kernel is wrong.
template <class Kernel, class Run>
int64_t Differs(const Frame& start, Kernel* kernel, Kernel* scalar, Run run) {
  Frame simd = start, reference = start;
  run(kernel, simd.data());
  run(scalar, reference.data());
  const auto [left, right] = std::mismatch(simd.begin(), simd.end(), reference.begin());
  return left == simd.end() ? -1 : left - simd.begin();
}

// Random pixels: most with a non-zero top byte, which no routine may let through
// differently, and a third bright enough in every channel to saturate.
Frame RandomFrame(std::mt19937& generator, size_t count) {
  Frame pixels(count);
  for (uint32_t& p : pixels) {
    p = generator();
    if (p % 3 == 0) p &= 0x00FFFFFF;
    if (p % 3 == 1) p |= 0x00F0F0F0;
  }
  return pixels;
}

TEST(SimdEqualsScalar, BlitAdditiveEverySizeAndEdge) {
  ForEachTarget([] {
    std::mt19937 generator(14);
    const Frame start = RandomFrame(generator, kFramePixels);
    for (int trial = 0; trial < 120; ++trial) {
      // Widths across every tail length; positions that clip on each side.
      const int32_t width = 1 + static_cast<int32_t>(generator() % (trial < 40 ? 70 : 600)),
                    height = 1 + static_cast<int32_t>(generator() % 300),
                    x = static_cast<int32_t>(generator() % 1200) - 600, y = static_cast<int32_t>(generator() % 600) - 300;
      const Frame source = RandomFrame(generator, static_cast<size_t>(width) * height);
      const auto blit = [&](auto kernel, uint32_t* frame) { kernel(source.data(), width, height, frame, x, y); };
      ASSERT_EQ(Differs(start, BlitAdditive, BlitAdditiveScalar, blit), -1) << width << "x" << height << " at " << x << "," << y;
    }
  });
}

TEST(SimdEqualsScalar, InvertFrameAndVerticalSmear) {
  ForEachTarget([] {
    std::mt19937 generator(15);
    for (float keep : {0.0f, 0.013f, 0.5f, 0.77f, 0.9999f, 1.0f, 3.0f}) {
      const Frame start = RandomFrame(generator, kFramePixels);
      ASSERT_EQ(Differs(start, VerticalSmear, VerticalSmearScalar, [&](auto kernel, uint32_t* f) { kernel(f, keep); }), -1)
          << keep;
      ASSERT_EQ(Differs(start, InvertFrame, InvertFrameScalar, [](auto kernel, uint32_t* f) { kernel(f); }), -1);
    }
  });
}

TEST(SimdEqualsScalar, RadialBlurAtEdgeAndRandomCentres) {
  ForEachTarget([] {
    std::mt19937 generator(16);
    for (auto [cx, cy] : BlurCentres(generator)) {
      const auto blur = [x = cx, y = cy](auto kernel, uint32_t* frame) { kernel(frame, x, y); };
      ASSERT_EQ(Differs(RandomFrame(generator, kFramePixels), RadialBlur, RadialBlurScalar, blur), -1) << cx << "," << cy;
    }
  });
}

// Random grids: coordinates anywhere in 32 bits, so differences wrap, light levels of
// either sign and size, and a quarter of the vertices marked as misses.
TEST(SimdEqualsScalar, GridMapAndMaskedOnRandomGrids) {
  ForEachTarget([] {
    std::mt19937 generator(17);
    const Frame texture = RandomFrame(generator, 65536);
    for (int trial = 0; trial < 6; ++trial) {
      for (int i = 0; i < kGridVertices; ++i) {
        GridU[i] = static_cast<int32_t>(generator());
        GridV[i] = static_cast<int32_t>(generator());
        const uint32_t pick = generator();
        GridLight[i] = pick % 4 == 0   ? kGridLightMissMarker
                       : pick % 4 == 1 ? static_cast<int32_t>(generator())
                                       : static_cast<int32_t>(pick % 0x10000) - 0x2000;
      }
      const Frame start = RandomFrame(generator, kFramePixels);
      const auto map = [&](auto kernel, uint32_t* frame) { kernel(texture.data(), frame); };
      ASSERT_EQ(Differs(start, GridMapMasked, GridMapMaskedScalar, map), -1) << trial;
      ASSERT_EQ(Differs(start, GridMap, GridMapScalar, map), -1) << trial;
    }
  });
}

// Rows from anywhere on the plane with steps of any size, so the lane sums wrap.
TEST(SimdEqualsScalar, RotozoomRowAnywhere) {
  ForEachTarget([] {
    std::mt19937 generator(18);
    const Frame texture = RandomFrame(generator, 65536);
    for (int trial = 0; trial < 200; ++trial) {
      const uint32_t u = generator(), v = generator();
      const uint32_t stepU = trial % 2 ? generator() : generator() % 8192 - 4096, stepV = generator() >> (trial % 32);
      const auto row = [&](auto kernel, uint32_t* pixels) { kernel(texture.data(), pixels, u, v, stepU, stepV); };
      ASSERT_EQ(Differs(Frame(kFrameWidth), RotozoomRow, RotozoomRowScalar, row), -1) << trial;
    }
  });
}

}  // namespace

// The icons: area resampling keeps each colour's mean, and every icon shows the emblem
// (a bright ring around a dark middle) at its size.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "tools/assetgen/icons.h"

namespace {

using assetgen::Canvas;

Canvas Checker(int side, int cell) {
  Canvas canvas(side, side);
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) {
      const float v = ((x / cell) + (y / cell)) % 2 == 0 ? 1.0f : 0.0f;
      canvas.At(x, y) = {v, 0.5f, 1.0f - v};
    }
  return canvas;
}

struct ResampleCase {
  int side, cell, size;
  float expectedRed;  // in every pixel, or -1 where only the mean is fixed
};

TEST(Icons, AreaResamplingKeepsTheMeanAtEveryScale) {
  const ResampleCase cases[] = {
      {4, 1, 1, 0.5f},    // a 4 x 4 checker into one pixel
      {8, 2, 2, 0.5f},    // each 4 x 4 block holds two cells of each
      {8, 4, 2, -1},      // integer factor: each pixel is one cell
      {216, 8, 48, -1},   // the icons' own factors, fractional
      {216, 8, 128, -1},
      {216, 8, 256, -1},  // enlarging
  };
  for (const ResampleCase& test : cases) {
    const Canvas source = Checker(test.side + 6, test.cell);
    const Canvas out = assetgen::ResampleSquare(source, 3, 3, test.side, test.size);
    ASSERT_EQ(out.width(), test.size);
    double sourceRed = 0, outRed = 0;
    for (int y = 3; y < 3 + test.side; ++y)
      for (int x = 3; x < 3 + test.side; ++x) sourceRed += source.At(x, y).r;
    for (int y = 0; y < test.size; ++y)
      for (int x = 0; x < test.size; ++x) {
        const assetgen::Colour& c = out.At(x, y);
        outRed += c.r;
        EXPECT_NEAR(c.g, 0.5f, 1e-5) << test.side << " -> " << test.size;
        EXPECT_NEAR(c.r + c.b, 1.0f, 1e-5);
        if (test.expectedRed >= 0) {
          EXPECT_NEAR(c.r, test.expectedRed, 1e-5);
        }
      }
    EXPECT_NEAR(outRed / (test.size * test.size), sourceRed / (test.side * test.side), 1e-4)
        << test.side << " -> " << test.size;
  }
  // Integer factor on cell boundaries: the cells themselves come out.
  const Canvas cells = assetgen::ResampleSquare(Checker(8, 4), 0, 0, 8, 2);
  EXPECT_FLOAT_EQ(cells.At(0, 0).r, 1.0f);
  EXPECT_FLOAT_EQ(cells.At(1, 0).r, 0.0f);
}

float Brightness(const Canvas& icon, int x, int y) {
  const assetgen::Colour& c = icon.At(x, y);
  return c.r + c.g + c.b;
}

TEST(Icons, EverySizeShowsTheRingAroundTheLetter) {
  for (const int size : assetgen::kIconSizes) {
    const Canvas icon = assetgen::MakeIcon(size);
    ASSERT_EQ(icon.width(), size);
    ASSERT_EQ(icon.height(), size);
    // The ring crosses the middle of each side within its outer eighth; the corners are
    // the dark ground.
    float top = 0, bottom = 0, left = 0, right = 0;
    const int middle = size / 2, band = size / 8;
    for (int i = 0; i < band; ++i) {
      top = std::max(top, Brightness(icon, middle, i));
      bottom = std::max(bottom, Brightness(icon, middle, size - 1 - i));
      left = std::max(left, Brightness(icon, i, middle));
      right = std::max(right, Brightness(icon, size - 1 - i, middle));
    }
    for (const float ring : {top, bottom, left, right}) EXPECT_GT(ring, 1.2f) << size;
    EXPECT_LT(Brightness(icon, 0, 0), 0.4f) << size;
    EXPECT_LT(Brightness(icon, size - 1, size - 1), 0.4f) << size;
  }
}

}  // namespace

// The triangle filler: fill rule, texel sampling, clipping, and that it never writes
// outside the frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>

#include "app/frame_buffer.h"
#include "engine3d/texture_triangle.h"
#include "tests/engine3d/engine3d_test_support.h"

namespace {

struct Corner {
  int32_t x, y, u, v;
};

void Draw(uint32_t* frame, const Corner& a, const Corner& b, const Corner& c) {
  TextureTriangle(TestTexture().data(), frame, a.x, a.y, b.x, b.y, c.x, c.y, a.u, a.v, b.u, b.v, c.u, c.v);
}

// The columns drawn on row y of a frame cleared to `background`, as [first, last]
// runs.
std::vector<std::pair<int32_t, int32_t>> Runs(const uint32_t* frame, int32_t y, uint32_t background) {
  std::vector<std::pair<int32_t, int32_t>> runs;
  for (int32_t x = 0; x < kFrameWidth; ++x) {
    if (frame[y * kFrameWidth + x] == background) continue;
    if (!runs.empty() && runs.back().second == x - 1) {
      runs.back().second = x;
    } else {
      runs.push_back({x, x});
    }
  }
  return runs;
}

using Runs_t = std::vector<std::pair<int32_t, int32_t>>;
constexpr uint32_t kBackground = 0xFF000000;  // no texel has a top byte

// The filler written out step by step with 64-bit numbers and a per-pixel test, as
// the reference for everything the real one does to be fast (skipping rows and
// columns off the frame).
void ReferenceTriangle(uint32_t* frame, Corner c0, Corner c1, Corner c2) {
  const uint32_t* texture = TestTexture().data();
  if (c1.y > c2.y) std::swap(c1, c2);
  if (c0.y > c1.y) std::swap(c0, c1);
  if (c1.y > c2.y) std::swap(c1, c2);
  if (c2.y == c0.y) return;
  const int64_t t = c1.y - c0.y, n = c2.y - c0.y;
  Corner s{static_cast<int32_t>(c0.x + (c2.x - c0.x) * t / n), c1.y, static_cast<int32_t>(c0.u + (c2.u - c0.u) * t / n),
           static_cast<int32_t>(c0.v + (c2.v - c0.v) * t / n)};
  Corner l = s, r = c1;
  if (s.x > c1.x) std::swap(l, r);
  const auto part = [&](int32_t top, int32_t bottom, Corner l0, Corner l1, Corner r0, Corner r1) {
    const int64_t rows = bottom - top;
    int64_t xl = l0.x * 65536LL, ul = l0.u * 65536LL, vl = l0.v * 65536LL;
    int64_t xr = r0.x * 65536LL, ur = r0.u * 65536LL, vr = r0.v * 65536LL;
    const int64_t dxl = (l1.x - l0.x) * 65536LL / rows, dul = (l1.u - l0.u) * 65536LL / rows,
                  dvl = (l1.v - l0.v) * 65536LL / rows;
    const int64_t dxr = (r1.x - r0.x) * 65536LL / rows, dur = (r1.u - r0.u) * 65536LL / rows,
                  dvr = (r1.v - r0.v) * 65536LL / rows;
    for (int64_t y = top; y < bottom; ++y) {
      const int64_t w = (xr - xl) >> 16;
      if (w > 0) {
        const int64_t du = (ur - ul) / w, dv = (vr - vl) / w;
        int64_t u = ul, v = vl;
        for (int64_t x = xl >> 16; x <= xr >> 16; ++x) {
          if (y >= 0 && y <= 255 && x >= 0 && x <= 511) {
            const bool inside = u >= 0 && u < 0xFF0000 && v >= 0 && v < 0xFF0000;
            frame[y * 512 + x] = inside ? texture[(v >> 16) * 256 + (u >> 16)] : texture[0];
          }
          u += du;
          v += dv;
        }
      }
      xl += dxl, ul += dul, vl += dvl, xr += dxr, ur += dur, vr += dvr;
    }
  };
  if (c1.y > c0.y) part(c0.y, c1.y, c0, l, c0, r);
  if (c2.y > c1.y) part(c1.y, c2.y, l, c2, r, c2);
}

TEST(TextureTriangle, FillRuleOfTheListedTriangles) {
  GuardedFrame frame;
  frame.Clear(kBackground);
  Draw(frame.frame(), {10, 10, 5, 5}, {20, 10, 5, 5}, {10, 20, 5, 5});
  for (int32_t y = 0; y < kFrameHeight; ++y) {
    const Runs_t runs = Runs(frame.frame(), y, kBackground);
    if (y >= 10 && y <= 19) {
      EXPECT_EQ(runs, (Runs_t{{10, 20 - (y - 10)}})) << y;
    } else {
      EXPECT_TRUE(runs.empty()) << y;
    }
  }

  frame.Clear(kBackground);
  Draw(frame.frame(), {100, 50, 5, 5}, {50, 100, 5, 5}, {150, 150, 5, 5});
  EXPECT_TRUE(Runs(frame.frame(), 50, kBackground).empty());
  EXPECT_EQ(Runs(frame.frame(), 51, kBackground), (Runs_t{{99, 100}}));
  EXPECT_EQ(Runs(frame.frame(), 100, kBackground), (Runs_t{{50, 125}}));
  EXPECT_EQ(Runs(frame.frame(), 149, kBackground), (Runs_t{{148, 149}}));
  EXPECT_TRUE(Runs(frame.frame(), 150, kBackground).empty());
}

TEST(TextureTriangle, FlatAndSliverTrianglesDrawNothing) {
  GuardedFrame frame;
  frame.Clear(kBackground);
  Draw(frame.frame(), {10, 30, 0, 0}, {200, 30, 0, 0}, {100, 30, 0, 0});  // one row
  Draw(frame.frame(), {10, 0, 0, 0}, {10, 10, 0, 0}, {11, 10, 0, 0});     // under a pixel wide
  for (int32_t y = 0; y < kFrameHeight; ++y) EXPECT_TRUE(Runs(frame.frame(), y, kBackground).empty()) << y;
}

TEST(TextureTriangle, SamplesTexelsAndFallsBackToTexelZeroOutside0To254) {
  GuardedFrame frame;
  frame.Clear(kBackground);
  // Row 0 spans columns 0..256 with u = column, v = 10; u from -2 on row 0 of the
  // second triangle.
  Draw(frame.frame(), {0, 0, 0, 10}, {256, 0, 256, 10}, {0, 64, 0, 10});
  const uint32_t* row = frame.frame();
  EXPECT_EQ(row[0], TestTexel(0, 10));
  EXPECT_EQ(row[254], TestTexel(254, 10));
  EXPECT_EQ(row[255], kTexelZeroMarker);
  EXPECT_EQ(row[256], kTexelZeroMarker);
  EXPECT_EQ(row[257], kBackground);
  Draw(frame.frame(), {300, 0, -2, 254}, {400, 0, 98, 254}, {300, 100, -2, 254});
  EXPECT_EQ(row[300], kTexelZeroMarker);
  EXPECT_EQ(row[301], kTexelZeroMarker);
  EXPECT_EQ(row[302], TestTexel(0, 254));
  EXPECT_EQ(row[303], TestTexel(1, 254));
}

TEST(TextureTriangle, ClipsPerPixelWithTheSameTexels) {
  GuardedFrame frame;
  GuardedFrame reference;
  // A corner at x = 600 on visible rows, and one above the frame.
  const Corner triangles[][3] = {{{300, 40, 10, 20}, {600, 90, 240, 60}, {350, 200, 100, 230}},
                                 {{-140, -100, 0, 0}, {650, 120, 254, 30}, {20, 400, 60, 254}}};
  for (const auto& t : triangles) {
    frame.Clear(kBackground);
    reference.Clear(kBackground);
    Draw(frame.frame(), t[0], t[1], t[2]);
    ReferenceTriangle(reference.frame(), t[0], t[1], t[2]);
    EXPECT_TRUE(std::equal(frame.frame(), frame.frame() + kFramePixels, reference.frame()));
    EXPECT_EQ(Runs(frame.frame(), 90, kBackground).back().second, 511);
  }
}

TEST(TextureTriangle, AgreesWithTheStepByStepWalkOnRandomTriangles) {
  std::mt19937 random(1234);
  std::uniform_int_distribution<int32_t> column(-149, 661), row(-149, 405), texel(-20, 280);
  GuardedFrame frame;
  GuardedFrame reference;
  for (int trial = 0; trial < 300; ++trial) {
    Corner c[3];
    for (Corner& corner : c) corner = {column(random), row(random), texel(random), texel(random)};
    frame.Clear(kBackground);
    reference.Clear(kBackground);
    Draw(frame.frame(), c[0], c[1], c[2]);
    ReferenceTriangle(reference.frame(), c[0], c[1], c[2]);
    ASSERT_TRUE(std::equal(frame.frame(), frame.frame() + kFramePixels, reference.frame())) << trial;
  }
}

TEST(TextureTriangle, CornersInAnyOrderDrawTheSamePixels) {
  std::mt19937 random(99);
  std::uniform_int_distribution<int32_t> column(-149, 661), row(-149, 405), texel(0, 254), small(0, 6);
  GuardedFrame first;
  GuardedFrame other;
  for (int trial = 0; trial < 200; ++trial) {
    std::array<Corner, 3> c;
    for (Corner& corner : c) corner = {column(random), row(random), texel(random), texel(random)};
    if (trial % 3 == 0) c[1].y = c[0].y;  // flat tops and bottoms, where ties decide the order
    if (trial % 3 == 1) c[2].y = c[1].y;
    if (trial % 5 == 0) c[2].x = c[0].x + small(random);
    std::array<int, 3> order = {0, 1, 2};
    first.Clear(kBackground);
    Draw(first.frame(), c[0], c[1], c[2]);
    while (std::next_permutation(order.begin(), order.end())) {
      other.Clear(kBackground);
      Draw(other.frame(), c[order[0]], c[order[1]], c[order[2]]);
      ASSERT_TRUE(std::equal(first.frame(), first.frame() + kFramePixels, other.frame()))
          << trial << ": " << order[0] << order[1] << order[2];
    }
  }
}

TEST(TextureTriangle, NeverWritesOutsideTheFrame) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int32_t> wide(-20000, 20000);
  std::uniform_int_distribution<int32_t> any(INT32_MIN, INT32_MAX);
  GuardedFrame frame;
  for (int trial = 0; trial < 400; ++trial) {
    Corner c[3];
    for (Corner& corner : c) {
      if (trial % 4 == 3) {
        corner = {any(random), any(random), any(random), any(random)};
      } else {
        corner = {wide(random), wide(random), wide(random), wide(random)};
      }
    }
    Draw(frame.frame(), c[0], c[1], c[2]);
    ASSERT_TRUE(frame.GuardsIntact()) << trial;
  }
  // The largest coordinates still drawn, spanning the frame in every direction.
  const int32_t m = kTriangleCoordinateLimit;
  Draw(frame.frame(), {-m, -m, -m, m}, {m, -m, m, -m}, {-m, m, m, m});
  Draw(frame.frame(), {m, m, -m, -m}, {m, -m, m, m}, {-m, m, -m, m});
  EXPECT_TRUE(frame.GuardsIntact());
  // Beyond the limit nothing is drawn.
  frame.Clear(kBackground);
  Draw(frame.frame(), {0, 0, 0, 0}, {m + 1, 0, 0, 0}, {0, 100, 0, 0});
  EXPECT_TRUE(Runs(frame.frame(), 10, kBackground).empty());
}

}  // namespace

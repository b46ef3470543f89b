// The triangle filler, the depth sort, the per-face tests and the whole of Render.
#include <pthread.h>

#include <array>
#include <limits>
#include <cstring>
#include <bit>
#include <numeric>
#include <random>

#include "core/exit_codes.h"
#include "engine3d/face_sort.h"
#include "engine3d/texture_triangle.h"
#include "tests/engine3d/engine3d_test_support.h"

namespace {

constexpr uint32_t kBackground = 0xFF000000;  // no texel has a top byte
constexpr float kIdentity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};

struct Corner {
  int32_t x, y, u, v;
};

void Draw(GuardedFrame& frame, const Corner& a, const Corner& b, const Corner& c) {
  TextureTriangle(TestTexture(), frame.frame(), a.x, a.y, b.x, b.y, c.x, c.y, a.u, a.v, b.u, b.v, c.u, c.v);
}

// First and last drawn column of a row, or {-1, -1}; the row must have no holes.
std::pair<int32_t, int32_t> Span(GuardedFrame& frame, int32_t y) {
  const uint32_t* row = frame.frame() + y * kFrameWidth;
  int32_t first = -1, last = -1;
  for (int32_t x = 0; x < kFrameWidth; ++x) {
    if (row[x] == kBackground) continue;
    if (first < 0) first = x;
    EXPECT_TRUE(last < 0 || last == x - 1) << "hole in row " << y;
    last = x;
  }
  return {first, last};
}

TEST(TextureTriangle, FillRuleOfTheListedTriangles) {
  GuardedFrame frame(kBackground);
  Draw(frame, {10, 10, 5, 5}, {20, 10, 5, 5}, {10, 20, 5, 5});
  for (int32_t y = 0; y < kFrameHeight; ++y)
    EXPECT_EQ(Span(frame, y), (y >= 10 && y <= 19 ? std::pair{10, 30 - y} : std::pair{-1, -1})) << y;
  frame.Clear(kBackground);
  Draw(frame, {100, 50, 5, 5}, {50, 100, 5, 5}, {150, 150, 5, 5});
  // Row 50 is the apex row, and row 150 the bottom edge: neither is drawn.
  std::vector<std::pair<int32_t, int32_t>> spans;
  for (int32_t y : {50, 51, 100, 149, 150}) spans.push_back(Span(frame, y));
  EXPECT_EQ(spans, (std::vector<std::pair<int32_t, int32_t>>{{-1, -1}, {99, 100}, {50, 125}, {148, 149}, {-1, -1}}));
  frame.Clear(kBackground);
  Draw(frame, {10, 30, 0, 0}, {200, 30, 0, 0}, {100, 30, 0, 0});  // a single row
  Draw(frame, {10, 0, 0, 0}, {10, 10, 0, 0}, {11, 10, 0, 0});     // every row under a pixel wide
  EXPECT_EQ(frame.CountNot(kBackground), 0);
}

TEST(TextureTriangle, SamplesTexelsZeroTo254AndTexelZeroOutside) {
  GuardedFrame frame(kBackground);
  Draw(frame, {0, 0, 0, 10}, {256, 0, 256, 10}, {0, 64, 0, 10});  // row 0: u = column
  Draw(frame, {300, 0, -2, 254}, {400, 0, 98, 254}, {300, 100, -2, 254});
  const uint32_t* row = frame.frame();
  EXPECT_EQ((std::vector{row[0], row[254], row[255], row[256], row[301], row[302]}),
            (std::vector{TestTexel(0, 10), TestTexel(254, 10), kTexelZeroMarker, kTexelZeroMarker, kTexelZeroMarker,
                         TestTexel(0, 254)}));
}

TEST(TextureTriangle, ClipsPerPixelWithTheTexelsOfTheUnclippedTriangle) {
  // Moving a triangle by whole pixels moves its pixels and nothing else, so the part
  // left on screen must match the same part of the triangle drawn fully on screen.
  std::mt19937 random(1234);
  std::uniform_int_distribution<int32_t> column(0, 300), row(0, 150), texel(-20, 280), shift(-200, 200);
  GuardedFrame whole, moved;
  for (int trial = 0; trial < 300; ++trial) {
    Corner c[3];
    for (Corner& corner : c) corner = {column(random), row(random), texel(random), texel(random)};
    const int32_t dx = trial == 0 ? 300 : shift(random), dy = trial == 0 ? 0 : shift(random) / 2;
    whole.Clear(kBackground);
    moved.Clear(kBackground);
    Draw(whole, c[0], c[1], c[2]);
    for (Corner& corner : c) corner.x += dx, corner.y += dy;
    Draw(moved, c[0], c[1], c[2]);  // trial 0: a corner beyond column 511
    for (int32_t y = std::max(0, dy); y < std::min(kFrameHeight, kFrameHeight + dy); ++y)
      for (int32_t x = std::max(0, dx); x < std::min(kFrameWidth, kFrameWidth + dx); ++x)
        ASSERT_EQ(moved.frame()[y * kFrameWidth + x], whole.frame()[(y - dy) * kFrameWidth + x - dx]) << trial;
  }
}

TEST(TextureTriangle, CornersInAnyOrderDrawTheSamePixelsAndNothingOutsideTheFrame) {
  std::mt19937 random(99);
  std::uniform_int_distribution<int32_t> column(-149, 661), row(-149, 405), texel(0, 254), wide(-20000, 20000),
      any(INT32_MIN, INT32_MAX);
  GuardedFrame first, other;
  for (int trial = 0; trial < 300; ++trial) {
    std::array<Corner, 3> c;
    for (Corner& k : c)
      k = trial < 200    ? Corner{column(random), row(random), texel(random), texel(random)}
          : trial % 2 ? Corner{wide(random), wide(random), wide(random), wide(random)}
                         : Corner{any(random), any(random), any(random), any(random)};
    if (trial % 3 < 2) c[trial % 3 + 1].y = c[trial % 3].y;  // flat tops and bottoms: ties in the sort
    first.Clear(kBackground);
    Draw(first, c[0], c[1], c[2]);
    std::array<int, 3> order = {0, 1, 2};
    while (std::next_permutation(order.begin(), order.end())) {
      other.Clear(kBackground);
      Draw(other, c[order[0]], c[order[1]], c[order[2]]);
      ASSERT_TRUE(first.block == other.block) << trial << ": " << order[0] << order[1] << order[2];
    }
  }
  const int32_t m = kTriangleCoordinateLimit;  // the largest corners still drawn
  Draw(first, {-m, -m, -m, m}, {m, -m, m, -m}, {-m, m, m, m});
  Draw(first, {m, m, -m, -m}, {m, -m, m, m}, {-m, m, -m, m});
  EXPECT_TRUE(first.GuardsIntact());  // the guards, once hit, stay hit
  first.Clear(kBackground);
  Draw(first, {0, 0, 0, 0}, {m + 1, 0, 0, 0}, {0, 100, 0, 0});
  EXPECT_EQ(first.CountNot(kBackground), 0);
}

// The SIMD spans must draw what the pixel-by-pixel form draws: spans of every length
// about the vector width, clipped on all sides, texel coordinates leaving 0..254 mid-span
// and running backwards, and spans ending on the frame's last pixel of an allocation
// that ends there too (a store past it is a fault under the sanitizers).
TEST(TextureTriangle, SimdSpansDrawWhatThePlainFormDraws) {
  std::mt19937 random(23);
  GuardedFrame simd(kBackground), plain(kBackground);
  const auto coordinate = [&](int32_t low, int32_t high) {
    return low + static_cast<int32_t>(random() % static_cast<uint32_t>(high - low + 1));
  };
  for (int trial = 0; trial < 4000; ++trial) {
    const int32_t size = trial % 4 == 0 ? 4 : trial % 4 == 1 ? 20 : trial % 4 == 2 ? 80 : 700;
    const int32_t cx = coordinate(-40, kFrameWidth + 40), cy = coordinate(-40, kFrameHeight + 40);
    int32_t c[12];
    for (int corner = 0; corner < 3; ++corner) {
      c[corner * 4] = cx + coordinate(-size, size);
      c[corner * 4 + 1] = cy + coordinate(-size, size);
      c[corner * 4 + 2] = coordinate(-60, 320);
      c[corner * 4 + 3] = coordinate(-60, 320);
    }
    TextureTriangle(TestTexture(), simd.frame(), c[0], c[1], c[4], c[5], c[8], c[9], c[2], c[3], c[6], c[7], c[10], c[11]);
    TextureTriangleScalar(TestTexture(), plain.frame(), c[0], c[1], c[4], c[5], c[8], c[9], c[2], c[3], c[6], c[7], c[10],
                          c[11]);
    if (trial % 50 == 49) {
      ASSERT_TRUE(simd.block == plain.block) << "triangles up to " << trial;
      simd.Clear(kBackground);
      plain.Clear(kBackground);
    }
  }
  EXPECT_TRUE(simd.GuardsIntact());
  std::vector<uint32_t> exact(kFramePixels, kBackground), exactPlain = exact;
  for (const int32_t width : {1, 3, 7, 8, 9, 15, 16, 17, 33}) {
    const int32_t left = kFrameWidth - 1 - width;
    TextureTriangle(TestTexture(), exact.data(), left, 250, kFrameWidth - 1 + 4, 250, left, kFrameHeight + 5, 0, 0, 40, 9, 7, 200);
    TextureTriangleScalar(TestTexture(), exactPlain.data(), left, 250, kFrameWidth - 1 + 4, 250, left, kFrameHeight + 5, 0, 0, 40,
                          9, 7, 200);
    ASSERT_EQ(exact, exactPlain) << "spans of " << width + 1 << " pixels ending on the last one";
  }
}

// Sorts the keys in place; returns the face indices, which start as 0, 1, 2 ...
std::vector<int32_t> SortFaces(std::vector<float>& keys) {
  std::vector<int32_t> indices(keys.size());
  std::iota(indices.begin(), indices.end(), 0);
  QuickSortFaces(keys.data(), indices.data(), 0, static_cast<int32_t>(keys.size()) - 1);
  return indices;
}

TEST(QuickSortFaces, EqualKeysEndWhereThePartitionsLeaveThemAndEveryKeyMovesWithItsIndex) {
  // Traced by hand through the partition steps, the middle key as the pivot.
  const std::pair<std::vector<float>, std::vector<int32_t>> traced[] = {
      {{1, 1, 1}, {2, 1, 0}}, {{2, 1, 2, 1}, {3, 1, 0, 2}}, {{3, 1, 2, 1, 3, 2, 1}, {3, 6, 1, 5, 2, 0, 4}}};
  for (auto [keys, order] : traced) EXPECT_EQ(SortFaces(keys), order);
  std::mt19937 random(5);
  for (int trial = 0; trial < 200; ++trial) {
    std::vector<float> keys(1 + random() % 300);
    for (float& key : keys) key = static_cast<float>(random() % (trial % 2 ? 5 : 100000));
    const std::vector<float> original = keys;
    const std::vector<int32_t> indices = SortFaces(keys);
    ASSERT_TRUE(std::is_sorted(keys.begin(), keys.end())) << trial;
    for (size_t i = 0; i < keys.size(); ++i) ASSERT_EQ(keys[i], original[indices[i]]) << trial;
  }
  QuickSortFaces(nullptr, nullptr, 0, -1);  // an empty range returns at once, touching nothing
}

// The fast sorter must leave keys and indices exactly where the quicksort does, equal
// keys, signed zeros and NaN included, and must not be thrown by the counts it saw before.
TEST(FaceSorter, EndsInTheQuicksortsOrderWhateverTheKeys) {
  std::mt19937 random(11);
  FaceSorter sorter;
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const auto check = [&](std::vector<float> keys, const char* what) {
    std::vector<int32_t> indices(keys.size());
    for (int32_t& index : indices) index = static_cast<int32_t>(random() % 100000);
    std::vector<float> expectedKeys = keys;
    std::vector<int32_t> expectedIndices = indices;
    const int32_t count = static_cast<int32_t>(keys.size());
    QuickSortFaces(expectedKeys.data(), expectedIndices.data(), 0, count - 1);
    sorter.Sort(keys.data(), indices.data(), count);
    ASSERT_EQ(indices, expectedIndices) << what << ", " << count << " keys";
    // Bit for bit, so that NaN and the sign of zero count too.
    ASSERT_TRUE(keys.empty() || std::memcmp(keys.data(), expectedKeys.data(), keys.size() * sizeof(float)) == 0) << what;
  };
  for (int trial = 0; trial < 300; ++trial) {
    const int32_t count = static_cast<int32_t>(random() % (trial % 3 == 0 ? 6000 : 40));
    // Few distinct values (many ties), a handful of ties among many, all distinct.
    const uint32_t spread = trial % 4 == 0 ? 3 : trial % 4 == 1 ? 50 : trial % 4 == 2 ? 1000000 : 0;
    std::vector<float> keys(static_cast<size_t>(count));
    for (float& key : keys) {
      key = spread != 0 ? static_cast<float>(random() % spread) - static_cast<float>(spread / 2)
                        : std::bit_cast<float>(static_cast<uint32_t>(random()) & 0xBF7FFFFFu);  // finite, either sign
    }
    check(keys, "random keys");
    if (count > 2) {
      keys[random() % count] = 0.0f;
      keys[random() % count] = -0.0f;  // equal to 0.0 for the quicksort
      check(keys, "signed zeros");
      keys[random() % count] = nan;
      check(keys, "a NaN key");
    }
  }
  check({}, "no keys");
  check({2.0f}, "one key");
  std::vector<float> descending(5000);
  std::iota(descending.rbegin(), descending.rend(), -2500.0f);
  check(descending, "descending keys");
  check(std::vector<float>(300, 7.0f), "all keys equal");
}

std::vector<float> worstKeys(10000);
std::vector<int32_t> worstSlots(worstKeys.size());

TEST(QuickSortFaces, WorstCaseKeysFitInASmallStack) {
  // Every middle pivot is the largest key of its range, so each partition splits off
  // one key: recursing into the left part would go 10000 calls deep, past the stack.
  std::vector<int32_t>& slots = worstSlots;
  std::iota(slots.begin(), slots.end(), 0);
  for (size_t hi = worstKeys.size() - 1; hi >= 1; --hi) {
    worstKeys[slots[hi / 2]] = static_cast<float>(hi);
    std::swap(slots[hi / 2], slots[hi]);
  }
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setstacksize(&attributes, 256 * 1024);
  pthread_t thread;
  const auto sort = [](void*) -> void* { return QuickSortFaces(worstKeys.data(), worstSlots.data(), 0, static_cast<int32_t>(worstKeys.size()) - 1), nullptr;
  };
  ASSERT_EQ(pthread_create(&thread, &attributes, sort, nullptr), 0);
  pthread_join(thread, nullptr);
  EXPECT_TRUE(std::is_sorted(worstKeys.begin(), worstKeys.end()));
}

// One triangle through Render, seen by the identity camera from z = -256 by default,
// where a point at z = 0 lands on (x + 256, y + 128). Returns the pixels drawn.
int32_t RenderOneFace(const std::vector<Vecteur3d>& points, Vecteur3d camera = {0, 0, -256},
                      const Vecteur3d* faceNormal = nullptr) {
  Objet3d object;
  LoadTestObject(&object, points, {{0, 1, 2}});
  if (faceNormal != nullptr) object.faceNormals[0] = *faceNormal;
  GuardedFrame frame(kBackground);
  object.Render(kIdentity, camera, frame.frame());
  EXPECT_TRUE(frame.GuardsIntact());
  return frame.CountNot(kBackground);
}

TEST(DrawFace, CullsBackFacesDrawsEdgeOnOnesAndDropsFacesOutOfBounds) {
  const std::vector<Vecteur3d> facing = {{0, 0, 0}, {0, 40, 0}, {40, 0, 0}};
  EXPECT_GT(RenderOneFace(facing), 700);
  EXPECT_EQ(RenderOneFace({facing[0], facing[2], facing[1]}), 0);
  // Only the stored normal decides: at right angles to the view it counts as facing.
  const Vecteur3d sideways = {1, 0, 0}, away = {0, 0, 1};
  EXPECT_GT(RenderOneFace(facing, {0, 0, -256}, &sideways), 700);
  EXPECT_EQ(RenderOneFace(facing, {0, 0, -256}, &away), 0);
  // Corners on columns 661 / 662, rows 405 / 406, column -149 / -150, row -149 / -150.
  for (int32_t in : {0, 1}) {
    const float out = static_cast<float>(1 - in);
    EXPECT_EQ(RenderOneFace({{0, 0, 0}, {0, 20, 0}, {405 + out, 0, 0}}) > 0, in);
    EXPECT_EQ(RenderOneFace({{0, 0, 0}, {0, 277 + out, 0}, {20, 0, 0}}) > 0, in);
    EXPECT_EQ(RenderOneFace({{0, 0, 0}, {-405 - out, 0, 0}, {0, 20, 0}}) > 0, in);
    EXPECT_EQ(RenderOneFace({{0, 0, 0}, {0, -277 - out, 0}, {-20, 0, 0}}) > 0, in);
  }
  // From z = -10 the third corner is 1 in front, in the camera plane (projected to
  // the centre), or behind it (mirrored to column 0): only the first is drawn.
  for (auto [z, drawn] : {std::pair{-9.0f, true}, {-10.0f, false}, {-10.5f, false}})
    EXPECT_EQ(RenderOneFace({{0, 0, 0}, {0, 5, 0}, {0.5f, 0, z}}, {0, 0, -10}) > 0, drawn) << z;
}

TEST(Render, NearerFacesAreDrawnLastWhateverTheirOrderInTheFile) {
  const std::vector<Vecteur3d> points = {{-20, -20, 0}, {-20, 20, 0}, {20, -20, 0}, {-30, -30, 10}, {-30, 30, 10}, {30, -30, 10}};
  for (const auto& faces : {std::vector<FaceIndices>{{0, 1, 2}, {3, 4, 5}}, std::vector<FaceIndices>{{3, 4, 5}, {0, 1, 2}}}) {
    Objet3d object;
    LoadTestObject(&object, points, faces);
    for (int i = 3; i < 6; ++i) object.pointNormals[i] = {0.6f, 0, -0.8f};  // the far face samples texel 199
    GuardedFrame frame(kBackground);
    object.Render(kIdentity, {0, 0, -256}, frame.frame());
    // Inside both, inside the far one only, and outside both.
    const uint32_t* f = frame.frame();
    EXPECT_EQ((std::vector{f[124 * kFrameWidth + 252], f[102 * kFrameWidth + 230], f[200 * kFrameWidth + 400]}),
              (std::vector{TestTexel(127, 127), TestTexel(199, 127), kBackground}));
  }
}

TEST(LoadTextureDeathTest, TheEnvironmentMapMustBe256WideAndAtLeast255High) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const std::string narrow = TestFileName("narrow") + ".bmp", low = TestFileName("low") + ".bmp", enough = low + "2";
  WriteBmp24(narrow, 128, 256);
  WriteBmp24(low, 256, 254);
  WriteBmp24(enough, 256, 255);
  Objet3d object;
  EXPECT_EXIT(object.LoadTexture(narrow.c_str()), ::testing::ExitedWithCode(kExitFatalSeen),
              "narrow_[A-Za-z_0-9]+\\.bmp must be 256 pixels wide.*128 x 256");
  EXPECT_EXIT(object.LoadTexture(low.c_str()), ::testing::ExitedWithCode(kExitFatalSeen), "256 x 254");
  object.LoadTexture(enough.c_str());
  EXPECT_EQ(object.texture.height, 255);
  for (const std::string& name : {narrow, low, enough}) std::remove(name.c_str());
}

}  // namespace

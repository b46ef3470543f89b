// Sorting, the per-face tests and the whole Render pipeline.
#include <gtest/gtest.h>
#include <pthread.h>

#include <cmath>
#include <cstdio>
#include <random>

#include "app/frame_buffer.h"
#include "engine3d/camera.h"
#include "engine3d/face_sort.h"
#include "engine3d/lwo_writer.h"
#include "engine3d/objet3d.h"
#include "tests/engine3d/engine3d_test_support.h"

namespace {

constexpr float kIdentity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};

// The sort as first written: always recursing into the left part.
void LeftFirstQuickSort(float* keys, int32_t* indices, int32_t lo, int32_t hi) {
  while (lo < hi) {
    const float p = keys[(lo + hi) / 2];
    int32_t i = lo, j = hi;
    do {
      while (keys[i] < p) ++i;
      while (keys[j] > p) --j;
      if (i > j) break;
      std::swap(keys[i], keys[j]);
      std::swap(indices[i], indices[j]);
      ++i, --j;
    } while (i <= j);
    LeftFirstQuickSort(keys, indices, lo, j);
    lo = i;
  }
}

void Sort(std::vector<float>* keys, std::vector<int32_t>* indices) {
  SortKeys = keys->data();
  SortIndices = indices->data();
  QuickSortFaces(0, static_cast<int32_t>(keys->size()) - 1);
}

TEST(QuickSortFaces, EqualKeysEndInThePartitionOrder) {
  std::vector<float> keys = {1, 1, 1};
  std::vector<int32_t> indices = {0, 1, 2};
  Sort(&keys, &indices);
  EXPECT_EQ(indices, (std::vector<int32_t>{2, 1, 0}));
  // An empty range returns at once.
  SortKeys = nullptr;
  SortIndices = nullptr;
  QuickSortFaces(0, -1);
}

TEST(QuickSortFaces, SameOrderAsTheLeftFirstSortOnRandomKeys) {
  std::mt19937 random(5);
  for (int trial = 0; trial < 200; ++trial) {
    const int32_t count = 1 + static_cast<int32_t>(random() % 300);
    std::uniform_int_distribution<int32_t> key(0, trial % 2 ? 5 : 100000);
    std::vector<float> keys(count);
    std::vector<int32_t> indices(count);
    for (int32_t i = 0; i < count; ++i) keys[i] = static_cast<float>(key(random)), indices[i] = i;
    std::vector<float> expectedKeys = keys;
    std::vector<int32_t> expectedIndices = indices;
    LeftFirstQuickSort(expectedKeys.data(), expectedIndices.data(), 0, count - 1);
    Sort(&keys, &indices);
    ASSERT_EQ(indices, expectedIndices) << trial;
    ASSERT_TRUE(std::is_sorted(keys.begin(), keys.end()));
  }
}

void* SortOnThread(void* argument) {
  auto* keys = static_cast<std::vector<float>*>(argument);
  std::vector<int32_t> indices(keys->size());
  SortKeys = keys->data();
  SortIndices = indices.data();
  QuickSortFaces(0, static_cast<int32_t>(keys->size()) - 1);
  return nullptr;
}

TEST(QuickSortFaces, WorstCaseKeysFitInASmallStack) {
  // Keys arranged so that every middle pivot is the largest key of its range: each
  // partition splits off a single key. Recursing into the left part would go 10000
  // calls deep; a 256 KiB stack only holds a few thousand.
  const int32_t count = 10000;
  std::vector<int32_t> slots(count);
  for (int32_t i = 0; i < count; ++i) slots[i] = i;
  std::vector<float> keys(count, 0.0f);
  for (int32_t hi = count - 1; hi >= 1; --hi) {
    keys[slots[hi / 2]] = static_cast<float>(hi);
    std::swap(slots[hi / 2], slots[hi]);
  }
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setstacksize(&attributes, 256 * 1024);
  pthread_t thread;
  ASSERT_EQ(pthread_create(&thread, &attributes, SortOnThread, &keys), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attributes);
  EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
  EXPECT_EQ(keys.back(), static_cast<float>(count - 1));
}

// Counts the pixels that differ from `background`.
int32_t DrawnPixels(const uint32_t* frame, uint32_t background) {
  int32_t drawn = 0;
  for (int32_t i = 0; i < kFramePixels; ++i) drawn += frame[i] != background;
  return drawn;
}

constexpr uint32_t kBackground = 0xFF000000;

// One triangle seen by the identity camera from z = -256, where a point at z = 0
// projects to (x + 256, y + 128).
int32_t DrawOneFace(const std::vector<Vecteur3d>& points, Vecteur3d camera = {0, 0, -256},
                    const Vecteur3d* faceNormal = nullptr) {
  Objet3d object;
  LoadTestObject(&object, points, {{0, 1, 2}});
  if (faceNormal != nullptr) object.faceNormals[0] = *faceNormal;
  GuardedFrame frame;
  frame.Clear(kBackground);
  object.Render(kIdentity, camera, frame.frame());
  EXPECT_TRUE(frame.GuardsIntact());
  return DrawnPixels(frame.frame(), kBackground);
}

TEST(DrawFace, BackFacesAreCulledAndEdgeOnFacesDrawn) {
  const std::vector<Vecteur3d> facing = {{0, 0, 0}, {0, 40, 0}, {40, 0, 0}};
  EXPECT_GT(DrawOneFace(facing), 700);
  EXPECT_EQ(DrawOneFace({facing[0], facing[2], facing[1]}), 0);
  // Only the stored normal decides: at right angles to the view it counts as facing.
  const Vecteur3d sideways = {1, 0, 0}, away = {0, 0, 1};
  EXPECT_GT(DrawOneFace(facing, {0, 0, -256}, &sideways), 700);
  EXPECT_EQ(DrawOneFace(facing, {0, 0, -256}, &away), 0);
}

TEST(DrawFace, FacesReachingOutOfTheBandAroundTheScreenAreDropped) {
  // Corner columns 661 and 662, rows 405 and 406, then -149 and -150.
  EXPECT_GT(DrawOneFace({{0, 0, 0}, {0, 20, 0}, {405, 0, 0}}), 0);
  EXPECT_EQ(DrawOneFace({{0, 0, 0}, {0, 20, 0}, {406, 0, 0}}), 0);
  EXPECT_GT(DrawOneFace({{0, 0, 0}, {0, 277, 0}, {20, 0, 0}}), 0);
  EXPECT_EQ(DrawOneFace({{0, 0, 0}, {0, 278, 0}, {20, 0, 0}}), 0);
  EXPECT_GT(DrawOneFace({{0, 0, 0}, {0, -277, 0}, {-20, 0, 0}}), 0);
  EXPECT_EQ(DrawOneFace({{0, 0, 0}, {0, -278, 0}, {-20, 0, 0}}), 0);
  EXPECT_GT(DrawOneFace({{0, 0, 0}, {-405, 0, 0}, {0, 20, 0}}), 0);
  EXPECT_EQ(DrawOneFace({{0, 0, 0}, {-406, 0, 0}, {0, 20, 0}}), 0);
}

TEST(DrawFace, FacesWithACornerOnOrBehindTheCameraPlaneAreDropped) {
  // From z = -10, the third corner at z = -9 is 1 in front, at -10 in the camera
  // plane (projected to the centre) and at -10.5 behind (mirrored to column 0).
  EXPECT_GT(DrawOneFace({{0, 0, 0}, {0, 5, 0}, {0.5f, 0, -9}}, {0, 0, -10}), 0);
  EXPECT_EQ(DrawOneFace({{0, 0, 0}, {0, 5, 0}, {0.5f, 0, -10}}, {0, 0, -10}), 0);
  EXPECT_EQ(DrawOneFace({{0, 0, 0}, {0, 5, 0}, {0.5f, 0, -10.5f}}, {0, 0, -10}), 0);
}

TEST(Render, NearerFacesAreDrawnLastAndNothingIsCleared) {
  // Two overlapping squares' worth of triangles, the far one at z = 10.
  const std::vector<Vecteur3d> points = {{-20, -20, 0}, {-20, 20, 0}, {20, -20, 0},
                                         {-30, -30, 10}, {-30, 30, 10}, {30, -30, 10}};
  for (bool nearFirst : {true, false}) {
    Objet3d object;
    const std::vector<FaceIndices> faces =
        nearFirst ? std::vector<FaceIndices>{{0, 1, 2}, {3, 4, 5}} : std::vector<FaceIndices>{{3, 4, 5}, {0, 1, 2}};
    LoadTestObject(&object, points, faces);
    // Tilt the far square's normals so it samples other texels.
    for (int i = 3; i < 6; ++i) object.pointNormals[i] = {0.6f, 0, -0.8f};
    GuardedFrame frame;
    frame.Clear(kBackground);
    object.Render(kIdentity, {0, 0, -256}, frame.frame());
    const uint32_t* f = frame.frame();
    EXPECT_EQ(f[124 * kFrameWidth + 252], TestTexel(127, 127));  // inside both
    EXPECT_EQ(f[102 * kFrameWidth + 230], TestTexel(199, 127));   // only the far one
    EXPECT_EQ(f[200 * kFrameWidth + 400], kBackground);
  }
}

TEST(Render, AnObjectWithNoFacesDrawsNothing) {
  Objet3d object;
  GuardedFrame frame;
  frame.Clear(kBackground);
  object.Render(kIdentity, {0, 0, 0}, frame.frame());
  EXPECT_EQ(DrawnPixels(frame.frame(), kBackground), 0);
}

TEST(Render, TorusAtTheObjectSceneCameraMatchesItsRecordedHash) {
  std::vector<Vecteur3d> points;
  std::vector<FaceIndices> faces;
  MakeTorus(9.0f, 3.5f, 24, 12, &points, &faces);
  Objet3d object;
  LoadTestObject(&object, points, faces);
  object.SetPosition(0, 60, 0);
  GuardedFrame frame;
  for (double t : {1.0, 2.7}) {
    // The object scene's orbit and view direction at time t.
    const Vecteur3d camera = {static_cast<float>(std::sin(t) * -20.0), static_cast<float>(60.0 - std::sin(1.3 * t) * 20.0),
                              static_cast<float>(std::cos(t) * -20.0)};
    const float dx = -camera.x, dy = 60.0f - camera.y, dz = -camera.z;
    const float length = static_cast<float>(std::sqrt(static_cast<double>(dx) * dx + static_cast<double>(dy) * dy +
                                                      static_cast<double>(dz) * dz));
    float matrix[9];
    CameraMatrix(matrix, dx / length, dy / length, dz / length, 0.0);
    frame.Clear(0);
    object.Render(matrix, camera, frame.frame());
    ASSERT_TRUE(frame.GuardsIntact());
    EXPECT_GT(DrawnPixels(frame.frame(), 0), 20000) << t;
    const uint64_t hash = HashFrame(frame.frame());
    std::printf("t = %.1f: frame hash 0x%016llx\n", t, static_cast<unsigned long long>(hash));
    // Changed only on purpose: any change to the picture of the engine shows here.
    EXPECT_EQ(hash, t == 1.0 ? 0x121c2e697d8c697bull : 0xabbd2ff967f45afbull) << t;
  }
}

using LoadTextureDeathTest = ::testing::Test;

TEST_F(LoadTextureDeathTest, TheEnvironmentMapMustBe256WideAndAtLeast255High) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const std::string narrow = TestFileName("narrow") + ".bmp";
  WriteBmp24(narrow, 128, 256, [](int32_t, int32_t) { return 0u; });
  const std::string low = TestFileName("low") + ".bmp";
  WriteBmp24(low, 256, 254, [](int32_t, int32_t) { return 0u; });
  const std::string enough = TestFileName("enough") + ".bmp";
  WriteBmp24(enough, 256, 255, [](int32_t, int32_t) { return 0u; });
  Objet3d object;
  EXPECT_EXIT(object.LoadTexture(narrow.c_str()), ::testing::ExitedWithCode(9999 & 0xFF), "narrow_.*\\.bmp must be 256 pixels wide");
  EXPECT_EXIT(object.LoadTexture(low.c_str()), ::testing::ExitedWithCode(9999 & 0xFF), "256 x 254");
  object.LoadTexture(enough.c_str());
  EXPECT_EQ(object.texture.height, 255);
  for (const std::string& name : {narrow, low, enough}) std::remove(name.c_str());
}

}  // namespace

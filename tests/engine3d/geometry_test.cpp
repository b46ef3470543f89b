// Normals, the camera matrix and basis, the projection and the per-point and per-face values
// the renderer reads.
#include <cmath>

#include "core/exit_codes.h"
#include "engine3d/camera.h"
#include "tests/engine3d/engine3d_test_support.h"

namespace {

constexpr float kIdentity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};

void ExpectNear(const float* actual, std::initializer_list<float> expected, float tolerance = 1e-7f) {
  for (float value : expected) EXPECT_NEAR(*actual++, value, tolerance);
}

TEST(Normals, FaceNormalsFollowTheCornerOrderAndPointNormalsAverageThem) {
  Objet3d object;
  // Face 0 in z = 0 facing +z, face 1 in x = 0 facing +x, sharing points 0 and 1;
  // their areas differ, and nothing is weighted by area.
  LoadTestObject(&object, {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 0, 3}}, {{0, 2, 1}, {0, 1, 3}});
  ExpectNear(&object.faceNormals[0].x, {0, 0, 1, 1, 0, 0});
  ExpectNear(&object.pointNormals[0].x, {0.7071068f, 0, 0.7071068f, 0.7071068f, 0, 0.7071068f, 0, 0, 1, 1, 0, 0});
  EXPECT_EQ(object.camNormals.size(), 4u);
}

TEST(Normals, ComponentsAreRoundedToFloatBeforeTheLength) {
  // Worked out in double from the float corners: a length taken from the unrounded cross
  // product, as GCC's vectoriser once made it, moves some of these components by a last bit.
  Objet3d object;
  LoadTestObject(&object, {{0, 0, 0}, {-8.3f, -3.4f, -6.9f}, {2.7f, 9.5f, 1.6f}, {-9.2f, -9.4f, -9.3f}, {6.7f, 3.9f, -9.7f}},
                 {{0, 1, 2}, {0, 3, 4}}, false);
  object.CalcNormalesFaces();
  ExpectNear(&object.faceNormals[0].x,
             {0x1.4de652p-1f, -0x1.db7de6p-5f, -0x1.8300fp-1f, 0x1.467ec8p-1f, -0x1.843bc6p-1f, 0x1.15b19ep-3f}, 0);
}

TEST(NormalsDeathTest, DegenerateTrianglesAndUnusedPointsEndWithCodeOne) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const auto expectExit = [](const std::vector<Vecteur3d>& points, const std::vector<FaceIndices>& faces, bool onFaces) {
    Objet3d object;
    LoadTestObject(&object, points, faces, false);
    if (!onFaces) object.CalcNormalesFaces();
    EXPECT_EXIT(onFaces ? object.CalcNormalesFaces() : object.CalcNormalesPoints(), ::testing::ExitedWithCode(kExitObjectUnusable), "");
  };
  // A point named twice in a triangle: see Tampering.Object.
  expectExit({{0, 0, 0}, {1, 1, 1}, {2, 2, 2}}, {{0, 1, 2}}, true);                 // on one line
  expectExit({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {5, 5, 5}}, {{0, 1, 2}}, false);     // an unused point
  expectExit({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}, {0, 2, 1}}, false);     // opposite faces cancel
}

TEST(CameraMatrix, AxisDirectionsAndOrthonormalRows) {
  float m[9];
  CameraMatrix(m, 1, 0, 0, 0.0);
  ExpectNear(m, {0, 0, -1, 0, 1, 0, 1, 0, 0});
  CameraMatrix(m, 0, 1, 0, 0.0);  // g = 0: the roll alone turns the right axis
  ExpectNear(m, {0, 0, -1, -1, 0, 0, 0, 1, 0});
  for (const Vecteur3d& d : {Vecteur3d{0.6f, 0, 0.8f}, Vecteur3d{0.48f, -0.6f, 0.64f}, Vecteur3d{-0.36f, 0.48f, -0.8f}})
    for (double roll : {0.0, 0.7, -2.5}) {
      CameraMatrix(m, d.x, d.y, d.z, roll);
      ExpectNear(m + 6, {d.x, d.y, d.z}, 0);
      for (int r = 0; r < 9; r += 3)
        for (int s = 0; s < 9; s += 3)
          EXPECT_NEAR(m[r] * m[s] + m[r + 1] * m[s + 1] + m[r + 2] * m[s + 2], r == s ? 1.0 : 0.0, 1e-6);
    }
}

TEST(CameraMatrix, LookingAlongTheZAxisContinuesFromNearbyDirections) {
  float axis[9], near[9];
  const double epsilon = 1e-4;
  for (float side : {1.0f, -1.0f})
    for (double roll : {0.0, 0.4, -1.9}) {
      CameraMatrix(axis, 0, 0, side, roll);
      for (double azimuth : {0.0, 1.0, 2.5, -2.0}) {
        CameraMatrix(near, static_cast<float>(epsilon * std::cos(azimuth)), static_cast<float>(epsilon * std::sin(azimuth)),
                     static_cast<float>(side * std::sqrt(1 - epsilon * epsilon)), roll);
        for (int i = 0; i < 9; ++i) EXPECT_NEAR(axis[i], near[i], 1e-3) << side << " " << roll << " " << i;
      }
    }
}

// The nine numbers of the rounded basis in one vector, so that a failure shows them all.
std::vector<float> Basis(CameraBasisMemory* memory, float a, float b, float c, double roll) {
  const CameraRows r = RoundCameraBasis(BuildCameraBasis(memory, a, b, c, roll));
  return {r.right[0], r.right[1], r.right[2], r.down[0], r.down[1], r.down[2], r.forward[0], r.forward[1], r.forward[2]};
}

// The remembering builder: the engine's matrix for ordinary directions, and for the
// degenerate ones what it last saw, where the engine's matrix takes limits instead.
TEST(CameraBasis, KeepsTheLastDefinedDirectionAndAngle) {
  CameraBasisMemory memory;
  // Nothing seen yet: rays that hit nothing.
  EXPECT_EQ(Basis(&memory, 0, 0, 1, 0.3), std::vector<float>(9, 0.0f));
  float m[9];
  CameraMatrix(m, 0.6f, 0, 0.8f, 0.25);
  EXPECT_EQ(Basis(&memory, 0.6f, 0, 0.8f, 0.25), std::vector<float>(m, m + 9));
  // Along -z the last direction's basis stays, turned by the new roll only.
  CameraBasisMemory fresh;
  EXPECT_EQ(Basis(&memory, 0, 0, -1, 1.25), Basis(&fresh, 0.6f, 0, 0.8f, 1.25));
  // Straight up (g = 0): P = (0, 0, -1) and Q = (-1, 0, 0) are defined, the angle is the
  // last one seen (atan2(0, 1) = 0) plus the roll, so right = (sin r, 0, -cos r).
  const double roll = 0.5;
  const float s = static_cast<float>(std::sin(roll)), c = static_cast<float>(std::cos(roll));
  ExpectNear(Basis(&memory, 0, 1, 0, roll).data(), {s, 0, -c, -c, 0, -s, 0, 1, 0});
}

TEST(Transform, ProjectsWithFocalLength256TruncatingTowardZero) {
  Objet3d object;
  LoadTestObject(&object,
                 {{0, 0, -1}, {0, 0, 1}, {0, 1, 0}, {0, 0, 0}, {-10, 5, 0}, {-10, 0, 0}, {-30, 2, -1}, {10, 2, 20.03125f}, {0, 0, 0}},
                 {{0, 1, 2}, {3, 4, 5}, {6, 7, 8}}, false);
  float m[9];
  CameraMatrix(m, 1, 0, 0, 0.0);  // right = -z, down = +y, view = +x
  object.Transform(m, {-10, 0, 0});
  // Points 4 and 5 lie in the camera plane; 6 is 20 behind the camera, mirrored
  // through the centre; 7 lands on column -0.4, truncated to 0.
  const int32_t expected[][2] = {{281, 128}, {230, 128}, {256, 153}, {256, 128}, {256, 128}, {256, 128}, {243, 102}, {0, 153}};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(std::pair(object.screenX[i], object.screenY[i]), std::pair(expected[i][0], expected[i][1])) << i;
  ExpectNear(&object.camPoints[0].x, {1, 0, 10});
  object.SetPosition(0, 0, 1);  // the object moves, not the camera's axes
  object.Transform(m, {-10, 0, 0});
  EXPECT_EQ(object.screenX[3], 230);
}

TEST(Transform, NormalsGiveEnvironmentTexelsAndFacesTheirDepthKeys) {
  Objet3d object;
  LoadTestObject(&object, {{0, 0, 1}, {0, 0, 2}, {0, 0, 4}, {1, 1, 3}, {2, 1, 3}, {1, 2, 3}}, {{0, 1, 2}, {3, 4, 5}},
                 false);
  object.pointNormals = {{0, 0, -1}, {1, 0, 0}, {0, -1, 0}, {-1, 0, 0}, {0, 1, 0}, {0.6f, 0.8f, 0}};
  object.camNormals.resize(6);
  object.Transform(kIdentity, {0, 0, 0});
  object.CalcEnvUV();
  const int32_t expected[][2] = {{127, 127}, {247, 127}, {127, 7}, {7, 127}, {127, 247}, {199, 223}};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(std::pair(object.envUV[i].u, object.envUV[i].v), std::pair(expected[i][0], expected[i][1])) << i;
  object.CalcFaceDepths();
  // (4 + 2 + 1) times the float nearest 1/3, rounded to float; 9 / 3 comes out as 3.
  EXPECT_EQ(object.faceDepth[0], static_cast<float>(7.0 * 0.3333333432674408));
  EXPECT_EQ(object.faceDepth[1], 3.0f);
  EXPECT_EQ(object.faceOrder[1], 1);
}

}  // namespace

// The camera matrix, the projection of points and normals, and the depth keys.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "engine3d/camera.h"
#include "engine3d/lwo_writer.h"
#include "engine3d/objet3d.h"
#include "tests/engine3d/engine3d_test_support.h"

namespace {

constexpr float kIdentity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};

void ExpectMatrix(const float (&m)[9], std::initializer_list<float> expected, float tolerance = 1e-7f) {
  int i = 0;
  for (float value : expected) {
    EXPECT_NEAR(m[i], value, tolerance) << "entry " << i;
    ++i;
  }
}

// Loads points with one face per three consecutive points (normals not computed).
void LoadPoints(Objet3d* object, const std::vector<Vecteur3d>& points) {
  std::vector<FaceIndices> faces;
  for (int32_t i = 0; i + 2 < static_cast<int32_t>(points.size()); i += 3) faces.push_back({i, i + 1, i + 2});
  const std::string fileName = TestFileName("points") + ".lwo";
  ASSERT_TRUE(WriteBytes(fileName, EncodeLwo(points, faces)));
  object->LoadLWO(fileName.c_str());
  std::remove(fileName.c_str());
}

TEST(CameraMatrix, AxisDirections) {
  float m[9];
  CameraMatrix(m, 1, 0, 0, 0.0);
  ExpectMatrix(m, {0, 0, -1, 0, 1, 0, 1, 0, 0});
  // Straight up the y axis: g is 0 and the roll alone turns the right axis.
  CameraMatrix(m, 0, 1, 0, 0.0);
  ExpectMatrix(m, {0, 0, -1, -1, 0, 0, 0, 1, 0});
}

TEST(CameraMatrix, RowsAreOrthonormalWithTheDirectionLast) {
  const float directions[][3] = {{0.6f, 0.0f, 0.8f}, {0.48f, -0.6f, 0.64f}, {-0.36f, 0.48f, -0.8f}};
  for (const auto& d : directions) {
    for (double roll : {0.0, 0.7, -2.5}) {
      float m[9];
      CameraMatrix(m, d[0], d[1], d[2], roll);
      EXPECT_EQ(m[6], d[0]);
      EXPECT_EQ(m[7], d[1]);
      EXPECT_EQ(m[8], d[2]);
      for (int r = 0; r < 3; ++r) {
        for (int s = 0; s < 3; ++s) {
          const double dot = m[r * 3] * m[s * 3] + m[r * 3 + 1] * m[s * 3 + 1] + m[r * 3 + 2] * m[s * 3 + 2];
          EXPECT_NEAR(dot, r == s ? 1.0 : 0.0, 1e-6) << r << s;
        }
      }
    }
  }
}

TEST(CameraMatrix, LookingAlongTheZAxisContinuesFromNearbyDirections) {
  for (float side : {1.0f, -1.0f}) {
    for (double roll : {0.0, 0.4, -1.9}) {
      float axis[9];
      CameraMatrix(axis, 0.0f, 0.0f, side, roll);
      for (float value : axis) EXPECT_TRUE(std::isfinite(value));
      for (double azimuth : {0.0, 1.0, 2.5, -2.0}) {
        const double epsilon = 1e-4;
        float near[9];
        CameraMatrix(near, static_cast<float>(epsilon * std::cos(azimuth)),
                     static_cast<float>(epsilon * std::sin(azimuth)),
                     static_cast<float>(side * std::sqrt(1.0 - epsilon * epsilon)), roll);
        for (int i = 0; i < 9; ++i) EXPECT_NEAR(axis[i], near[i], 1e-3) << side << " " << roll << " " << i;
      }
    }
  }
}

TEST(Transform, ProjectsThroughTheCentreWithFocalLength256) {
  Objet3d object;
  LoadPoints(&object, {{0, 0, -1}, {0, 0, 1}, {0, 1, 0}, {0, 0, 0}, {10, 0, 0}, {-10, 0, 0}});
  float m[9];
  CameraMatrix(m, 1, 0, 0, 0.0);
  object.Transform(m, {-10, 0, 0});
  const int32_t expectedX[] = {281, 230, 256, 256, 256, 256};
  const int32_t expectedY[] = {128, 128, 153, 128, 128, 128};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(object.screenX[i], expectedX[i]) << i;
    EXPECT_EQ(object.screenY[i], expectedY[i]) << i;
  }
  EXPECT_EQ(object.camPoints[0].x, 1.0f);
  EXPECT_EQ(object.camPoints[0].z, 10.0f);
  // The point (-10, 0, 0) is in the camera plane.
  EXPECT_EQ(object.camPoints[5].z, 0.0f);
  EXPECT_EQ(object.screenX[5], 256);
  EXPECT_EQ(object.screenY[5], 128);
  // The position moves the object, not the camera's axes.
  object.SetPosition(0, 0, 1);
  object.Transform(m, {-10, 0, 0});
  EXPECT_EQ(object.screenX[3], 230);
}

TEST(Transform, TruncatesTowardZeroAndMirrorsPointsBehindTheCamera) {
  Objet3d object;
  LoadPoints(&object, {{-256.5f, 0, 256}, {-257.5f, 0, 256}, {10, 20, -256}});
  object.Transform(kIdentity, {0, 0, 0});
  EXPECT_EQ(object.screenX[0], 0);  // -0.5
  EXPECT_EQ(object.screenX[1], -1);  // -1.5
  EXPECT_EQ(object.screenX[2], 246);
  EXPECT_EQ(object.screenY[2], 108);
}

TEST(Transform, NormalsTurnWithTheCameraIntoEnvironmentTexels) {
  Objet3d object;
  LoadPoints(&object, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  object.pointNormals = new Vecteur3d[3]{{-1, 0, 0}, {0, 0, 1}, {0, -1, 0}};
  object.camNormals = new Vecteur3d[3];
  float m[9];
  CameraMatrix(m, 1, 0, 0, 0.0);  // right = -z, down = +y, view = +x
  object.Transform(m, {-10, 0, 0});
  object.CalcEnvUV();
  // Facing the camera: the centre texel. The camera's right axis is -z here, so the
  // normal +z points left (u = 7) and -y points up (v = 7).
  EXPECT_EQ(object.envUV[0].u, 127);
  EXPECT_EQ(object.envUV[0].v, 127);
  EXPECT_EQ(object.envUV[1].u, 7);
  EXPECT_EQ(object.envUV[1].v, 127);
  EXPECT_EQ(object.envUV[2].u, 127);
  EXPECT_EQ(object.envUV[2].v, 7);
  object.camNormals[0] = {1, 0, 0};
  object.CalcEnvUV();
  EXPECT_EQ(object.envUV[0].u, 247);
}

TEST(Transform, DepthKeysAreTheScaledSumOfTheCornerDepths) {
  Objet3d object;
  LoadPoints(&object, {{0, 0, 1}, {0, 0, 2}, {0, 0, 4}, {0, 0, 3}, {0, 0, 3}, {0, 0, 3}});
  object.Transform(kIdentity, {0, 0, 0});
  object.CalcFaceDepths();
  EXPECT_EQ(object.faceDepth[0], static_cast<float>(7.0 * static_cast<double>(0.33333334f)));
  EXPECT_EQ(object.faceDepth[1], static_cast<float>(9.0 * static_cast<double>(0.33333334f)));
  EXPECT_EQ(object.faceDepth[1], 3.0f);
  EXPECT_EQ(object.faceOrder[0], 0);
  EXPECT_EQ(object.faceOrder[1], 1);
}

}  // namespace

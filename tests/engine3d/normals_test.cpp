// Face and point normals, and the objects they refuse.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "engine3d/lwo_writer.h"
#include "engine3d/objet3d.h"
#include "tests/engine3d/engine3d_test_support.h"

namespace {

void LoadMesh(Objet3d* object, const std::vector<Vecteur3d>& points, const std::vector<FaceIndices>& faces) {
  const std::string fileName = TestFileName("normals") + ".lwo";
  ASSERT_TRUE(WriteBytes(fileName, EncodeLwo(points, faces)));
  object->LoadLWO(fileName.c_str());
  std::remove(fileName.c_str());
}

void ExpectVector(const Vecteur3d& actual, float x, float y, float z) {
  EXPECT_FLOAT_EQ(actual.x, x);
  EXPECT_FLOAT_EQ(actual.y, y);
  EXPECT_FLOAT_EQ(actual.z, z);
}

TEST(Normals, SingleTriangleFacesAlongItsCounterClockwiseSide) {
  Objet3d object;
  LoadMesh(&object, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
  object.CalcNormalesFaces();
  object.CalcNormalesPoints();
  ExpectVector(object.faceNormals[0], 0, 0, 1);
  for (int i = 0; i < 3; ++i) ExpectVector(object.pointNormals[i], 0, 0, 1);
  EXPECT_NE(object.camNormals, nullptr);
}

TEST(Normals, PointNormalsAverageTheFacesThatShareThePoint) {
  Objet3d object;
  // Two faces on the edge (0,0,0)-(0,1,0): one in the z = 0 plane facing +z, one in
  // the x = 0 plane facing +x; their lengths differ, and normals are not weighted.
  LoadMesh(&object, {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 0, 3}}, {{0, 2, 1}, {0, 1, 3}});
  object.CalcNormalesFaces();
  object.CalcNormalesPoints();
  ExpectVector(object.faceNormals[0], 0, 0, 1);
  ExpectVector(object.faceNormals[1], 1, 0, 0);
  ExpectVector(object.pointNormals[0], 0.7071068f, 0, 0.7071068f);
  ExpectVector(object.pointNormals[1], 0.7071068f, 0, 0.7071068f);
  ExpectVector(object.pointNormals[2], 0, 0, 1);
  ExpectVector(object.pointNormals[3], 1, 0, 0);
}

TEST(Normals, ClosedMeshNormalsPointOutwards) {
  std::vector<Vecteur3d> points;
  std::vector<FaceIndices> faces;
  MakeTorus(10.0f, 3.0f, 12, 8, &points, &faces);
  Objet3d object;
  LoadMesh(&object, points, faces);
  object.CalcNormalesFaces();
  object.CalcNormalesPoints();
  for (int32_t i = 0; i < object.nbPoints; ++i) {
    // Outward: away from the tube's centre line.
    const Vecteur3d& p = object.points[i];
    const double ring = std::sqrt(static_cast<double>(p.x) * p.x + static_cast<double>(p.z) * p.z);
    const double cx = p.x * 10.0 / ring, cz = p.z * 10.0 / ring;
    const Vecteur3d& n = object.pointNormals[i];
    EXPECT_GT((p.x - cx) * n.x + p.y * n.y + (p.z - cz) * n.z, 2.5) << i;
  }
}

using NormalsDeathTest = ::testing::Test;

TEST_F(NormalsDeathTest, DegenerateTrianglesAndUnusedPointsEndWithCodeOne) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  {
    Objet3d object;  // three points on one line
    LoadMesh(&object, {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}}, {{0, 1, 2}});
    EXPECT_EXIT(object.CalcNormalesFaces(), ::testing::ExitedWithCode(1), "");
  }
  {
    Objet3d object;  // a triangle naming one point twice
    LoadMesh(&object, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 1}});
    EXPECT_EXIT(object.CalcNormalesFaces(), ::testing::ExitedWithCode(1), "");
  }
  {
    Objet3d object;  // point 3 is used by no face
    LoadMesh(&object, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {5, 5, 5}}, {{0, 1, 2}});
    object.CalcNormalesFaces();
    EXPECT_EXIT(object.CalcNormalesPoints(), ::testing::ExitedWithCode(1), "");
  }
  {
    Objet3d object;  // two faces with opposite normals cancel on their shared points
    LoadMesh(&object, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}, {0, 2, 1}});
    object.CalcNormalesFaces();
    EXPECT_EXIT(object.CalcNormalesPoints(), ::testing::ExitedWithCode(1), "");
  }
}

}  // namespace

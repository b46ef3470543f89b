// The 3D object: loads, has sound normals, is a closed outward surface and stays clear of
// the camera that circles it.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "engine3d/camera.h"
#include "engine3d/lwo_reader.h"
#include "engine3d/objet3d.h"

namespace {

const std::string kObjectPath = std::string(ZELTO_DATA_DIR) + "/3d/u_mec.lwo";

struct Loaded {
  LwoStatus status;
  LwoMesh mesh;
};

Loaded Parse() {
  size_t length = 0;
  uint8_t* block = LoadFile(kObjectPath.c_str(), &length);
  Loaded loaded;
  loaded.status = ParseLwo(block, length, &loaded.mesh);
  delete[] block;
  return loaded;
}

Vecteur3d Minus(Vecteur3d a, Vecteur3d b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
double Dot(Vecteur3d a, Vecteur3d b) { return double(a.x) * b.x + double(a.y) * b.y + double(a.z) * b.z; }
Vecteur3d Cross(Vecteur3d a, Vecteur3d b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

TEST(ObjectAsset, ClosedOutwardMeshOfTheRightSize) {
  const Loaded loaded = Parse();
  ASSERT_EQ(loaded.status, LwoStatus::kOk) << LwoStatusText(loaded.status);
  const LwoMesh& mesh = loaded.mesh;
  ASSERT_GE(mesh.faces.size(), 1000u);
  ASSERT_LE(mesh.faces.size(), 6000u);

  // Closed and consistently wound: every directed edge once, its reverse once.
  std::map<std::pair<int, int>, int> directed;
  std::vector<int> uses(mesh.points.size(), 0);
  double volume = 0;
  for (const FaceIndices& f : mesh.faces) {
    const int corners[3] = {f.a, f.b, f.c};
    for (int k = 0; k < 3; ++k) {
      ++directed[{corners[k], corners[(k + 1) % 3]}];
      ++uses[corners[k]];
    }
    const Vecteur3d a = mesh.points[f.a], b = mesh.points[f.b], c = mesh.points[f.c];
    const Vecteur3d n = Cross(Minus(b, a), Minus(c, a));
    EXPECT_GT(std::sqrt(Dot(n, n)), 1e-4) << "degenerate triangle";
    volume += Dot(a, Cross(b, c)) / 6.0;
  }
  for (const auto& [edge, count] : directed) {
    EXPECT_EQ(count, 1) << edge.first << "->" << edge.second;
    const auto reverse = directed.find({edge.second, edge.first});
    EXPECT_TRUE(reverse != directed.end() && reverse->second == 1) << edge.first << "-" << edge.second;
  }
  for (size_t i = 0; i < uses.size(); ++i) EXPECT_GT(uses[i], 0) << "point " << i << " unused";
  EXPECT_GT(volume, 0.0) << "faces wound inwards";

  for (const Vecteur3d& p : mesh.points) {
    const double dy = p.y - 60.0;
    EXPECT_LE(std::sqrt(double(p.x) * p.x + dy * dy + double(p.z) * p.z), 12.5);
  }
}

TEST(ObjectAsset, LoadsWithSoundNormals) {
  Objet3d object;
  object.LoadLWO(kObjectPath.c_str());  // ends the process on a bad file
  object.CalcNormalesFaces();           // ends it on a face without area
  object.CalcNormalesPoints();          // ends it on an unused point or cancelling normals
  ASSERT_GT(object.nbPoints, 0);
  for (int32_t i = 0; i < object.nbPoints; ++i) {
    const Vecteur3d n = object.pointNormals[i];
    EXPECT_NEAR(Dot(n, n), 1.0, 1e-4);
  }
}

// Along the whole camera path the object is in front of the camera and every corner
// projects inside the band the renderer accepts, so no triangle is ever dropped.
TEST(ObjectAsset, StaysInViewAlongTheCameraPath) {
  const Loaded loaded = Parse();
  ASSERT_EQ(loaded.status, LwoStatus::kOk);
  for (double t = 0.0; t < 40.0; t += 0.05) {
    const Vecteur3d camera{static_cast<float>(std::sin(t) * -20.0), static_cast<float>(60.0 - std::sin(1.3 * t) * 20.0),
                           static_cast<float>(std::cos(t) * -20.0)};
    const Vecteur3d toTarget = Minus(Vecteur3d{0, 60, 0}, camera);
    const float length = static_cast<float>(std::sqrt(Dot(toTarget, toTarget)));
    float matrix[9];
    CameraMatrix(matrix, toTarget.x / length, toTarget.y / length, toTarget.z / length, 0.0);
    double nearest = 1e9;
    int left = 1 << 30, right = -(1 << 30), top = 1 << 30, bottom = -(1 << 30);
    for (const Vecteur3d& p : loaded.mesh.points) {
      const Vecteur3d q = Minus(p, camera);
      const double x = matrix[0] * q.x + matrix[1] * q.y + matrix[2] * q.z;
      const double y = matrix[3] * q.x + matrix[4] * q.y + matrix[5] * q.z;
      const double z = matrix[6] * q.x + matrix[7] * q.y + matrix[8] * q.z;
      nearest = std::min(nearest, z);
      const int sx = static_cast<int>(x * 256 / z + 256), sy = static_cast<int>(y * 256 / z + 128);
      left = std::min(left, sx);
      right = std::max(right, sx);
      top = std::min(top, sy);
      bottom = std::max(bottom, sy);
    }
    ASSERT_GT(nearest, 4.0) << "t=" << t;
    ASSERT_GT(left, -150) << "t=" << t;
    ASSERT_LT(right, 662) << "t=" << t;
    ASSERT_GT(top, -150) << "t=" << t;
    ASSERT_LT(bottom, 406) << "t=" << t;
  }
}

}  // namespace

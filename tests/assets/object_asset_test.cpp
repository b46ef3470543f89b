// The 3D object: loads with sound normals, is a closed outward surface and stays clear of
// the camera that circles it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <utility>

#include "core/trig.h"
#include "engine3d/camera.h"
#include "engine3d/objet3d.h"

namespace {

Vecteur3d Minus(Vecteur3d a, Vecteur3d b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
double Dot(Vecteur3d a, Vecteur3d b) { return double(a.x) * b.x + double(a.y) * b.y + double(a.z) * b.z; }
Vecteur3d Cross(Vecteur3d a, Vecteur3d b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }

TEST(ObjectAsset, ClosedOutwardAndClearOfTheCamera) {
  Objet3d object;
  object.LoadLWO((std::string(ZELTO_DATA_DIR) + "/3d/u_mec.lwo").c_str());  // each of these three ends
  object.CalcNormalesFaces();   // the process on a bad file, a face without area,
  object.CalcNormalesPoints();  // an unused point or cancelling normals
  ASSERT_TRUE(object.nbFaces >= 1000 && object.nbFaces <= 6000) << object.nbFaces << " faces";
  // Closed and consistently wound: every directed edge once, its reverse once.
  std::map<std::pair<int, int>, int> directed;
  double volume = 0;
  for (int32_t i = 0; i < object.nbFaces; ++i) {
    const FaceIndices& f = object.faces[i];
    const int corners[3] = {f.a, f.b, f.c};
    for (int k = 0; k < 3; ++k) ++directed[{corners[k], corners[(k + 1) % 3]}];
    volume += Dot(object.points[f.a], Cross(object.points[f.b], object.points[f.c])) / 6.0;
  }
  for (const auto& [edge, count] : directed)  // and so is the reverse, when it is there
    EXPECT_EQ(std::pair(count, directed.count({edge.second, edge.first})), std::pair(1, size_t{1}))
        << "edge " << edge.first << "-" << edge.second << " and its reverse";
  EXPECT_GT(volume, 0.0) << "faces wound inwards";
  // Along the whole camera path the object is in front of the camera and every corner
  // projects inside the band the renderer accepts, so no triangle is ever dropped.
  for (double t = 0.0; t < 40.0; t += 0.05) {
    const Vecteur3d camera{static_cast<float>(Sin(t) * -20.0), static_cast<float>(60.0 - Sin(1.3 * t) * 20.0),
                           static_cast<float>(Cos(t) * -20.0)};
    const Vecteur3d toTarget = Minus(Vecteur3d{0, 60, 0}, camera);
    const float length = static_cast<float>(std::sqrt(Dot(toTarget, toTarget)));
    float m[9];
    CameraMatrix(m, toTarget.x / length, toTarget.y / length, toTarget.z / length, 0.0);
    for (int32_t i = 0; i < object.nbPoints; ++i) {
      const Vecteur3d q = Minus(object.points[i], camera);
      const double z = m[6] * q.x + m[7] * q.y + m[8] * q.z;
      ASSERT_GT(z, 4.0) << "t=" << t;
      const double x = (m[0] * q.x + m[1] * q.y + m[2] * q.z) * 256 / z + 256;
      const double y = (m[3] * q.x + m[4] * q.y + m[5] * q.z) * 256 / z + 128;
      ASSERT_TRUE(x > -150 && x < 662 && y > -150 && y < 406) << "t=" << t << " point " << i;
    }
  }
}

}  // namespace

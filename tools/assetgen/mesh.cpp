// The ridged ring of the 3D scene and the LightWave object encoder.
#include "tools/assetgen/mesh.h"

#include <algorithm>
#include <cmath>

#include "core/trig.h"
#include "engine3d/lwo_writer.h"

namespace assetgen {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kSegments = 96;   // around the ring
constexpr int kSides = 24;      // around the tube
constexpr double kRingRadius = 7.2;
constexpr double kTubeRadius = 2.6;
constexpr int kLobes = 4;            // ridges on the tube's section...
constexpr int kTwists = 3;           // ...that wind round it this many times per turn
constexpr double kLobeDepth = 0.12;  // of the tube radius
constexpr double kCentreY = 60.0;
constexpr double kTilt = 0.35;  // radians about the x axis, so the orbit never sees it square on for long

struct Vector {
  double x, y, z;
};
Vector operator+(Vector a, Vector b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vector operator*(Vector a, double k) { return {a.x * k, a.y * k, a.z * k}; }

// A point of the ring before it is tilted and lifted: the ring lies in the xy plane round
// the z axis; `around` is the angle round the ring, `section` the angle round the tube.
Vector RingPoint(double around, double section) {
  const double radius = kTubeRadius * (1 + kLobeDepth * Cos(kLobes * section + kTwists * around));
  const Vector outward{Cos(around), Sin(around), 0};
  return outward * (kRingRadius + radius * Cos(section)) + Vector{0, 0, radius * Sin(section)};
}

}  // namespace

Mesh MakeRing() {
  Mesh mesh;
  const double c = Cos(kTilt), sn = Sin(kTilt);
  for (int i = 0; i < kSegments; ++i)
    for (int j = 0; j < kSides; ++j) {
      const Vector p = RingPoint(2 * kPi * i / kSegments, 2 * kPi * j / kSides);
      mesh.points.push_back(static_cast<float>(p.x));
      mesh.points.push_back(static_cast<float>(p.y * c - p.z * sn + kCentreY));
      mesh.points.push_back(static_cast<float>(p.y * sn + p.z * c));
    }
  // Two triangles per quad. Going round the ring (i) and then round the tube (j), the
  // cross product of the two steps points out of the surface, so this order faces outwards.
  auto index = [](int i, int j) { return static_cast<uint16_t>((i % kSegments) * kSides + (j % kSides)); };
  for (int i = 0; i < kSegments; ++i)
    for (int j = 0; j < kSides; ++j) {
      const uint16_t p00 = index(i, j), p01 = index(i, j + 1), p10 = index(i + 1, j), p11 = index(i + 1, j + 1);
      mesh.faces.insert(mesh.faces.end(), {p00, p10, p11});
      mesh.faces.insert(mesh.faces.end(), {p00, p11, p01});
    }
  return mesh;
}

std::vector<uint8_t> EncodeLwob(const Mesh& mesh) {
  std::vector<Vecteur3d> points;
  for (size_t i = 0; i + 2 < mesh.points.size(); i += 3)
    points.push_back({mesh.points[i], mesh.points[i + 1], mesh.points[i + 2]});
  std::vector<FaceIndices> faces;
  for (size_t i = 0; i + 2 < mesh.faces.size(); i += 3)
    faces.push_back({mesh.faces[i], mesh.faces[i + 1], mesh.faces[i + 2]});
  const LwoSurface chrome = {"Chrome", 200, 210, 230};
  return EncodeLwo(points, faces, &chrome);
}

}  // namespace assetgen

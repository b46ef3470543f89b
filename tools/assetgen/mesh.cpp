// The mushroom of the 3D scene and the LightWave object encoder.
#include "tools/assetgen/mesh.h"

#include <cmath>
#include <utility>

#include "core/trig.h"
#include "engine3d/lwo_writer.h"

namespace assetgen {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kSegments = 48;  // around the axis
constexpr double kCentreY = 60.0;
constexpr double kScale = 0.75;  // the outline below is drawn 1.33 times the size the scene shows
// The camera looks at the centre and the rays start from what covers it: the stem just under
// the cap, which faces the camera when it looks level. (At the cap's joint the surface would
// turn edge-on there and light every ray at once.)
constexpr double kCentreOnStem = 1.6;

// The outline from the middle of the flat foot up to the top of the cap, as (radius,
// height above the centre): foot, flared stem, the cap's underside (a bowl that steepens
// towards the rim: a flat one would turn edge-on to the camera all at once and light every
// ray together), its rolled rim and the dome. The first and last radius are 0: the two poles.
constexpr std::pair<double, double> kOutline[] = {
    {0.0, -8.5},  {1.2, -8.5},  {2.4, -8.5},  {3.3, -8.4},  {3.6, -8.0},  {3.45, -7.3}, {3.2, -6.4},  {3.0, -5.4},
    {2.85, -4.3}, {2.75, -3.1}, {2.7, -1.9},  {2.75, -0.7}, {2.9, 0.1},   {3.61, 0.18}, {4.32, 0.3},  {5.03, 0.48},
    {5.74, 0.74}, {6.46, 1.07}, {7.17, 1.51}, {7.88, 2.06}, {8.59, 2.76}, {9.1, 3.4},   {9.35, 3.95}, {9.3, 4.5},
    {9.0, 5.0},   {8.4, 5.6},   {7.6, 6.15},  {6.6, 6.65},  {5.5, 7.05},  {4.2, 7.4},   {2.85, 7.65}, {1.45, 7.82},
    {0.0, 7.87}};
constexpr int kOutlinePoints = static_cast<int>(sizeof kOutline / sizeof kOutline[0]);

}  // namespace

Mesh MakeMushroom() {
  Mesh mesh;
  // The two poles, then a ring of kSegments points for each inner outline point.
  const auto addPoint = [&mesh](double x, double y, double z) {
    mesh.points.push_back(static_cast<float>(x * kScale));
    mesh.points.push_back(static_cast<float>(y * kScale - kCentreOnStem + kCentreY));
    mesh.points.push_back(static_cast<float>(z * kScale));
  };
  // The camera's screen-down row points along +y, so the outline is stood on its head:
  // heights negated, and taken from the last point so the winding stays outward.
  const auto outline = [](int j) { return std::pair(kOutline[kOutlinePoints - 1 - j].first, -kOutline[kOutlinePoints - 1 - j].second); };
  addPoint(0, outline(0).second, 0);
  addPoint(0, outline(kOutlinePoints - 1).second, 0);
  for (int j = 1; j < kOutlinePoints - 1; ++j)
    for (int i = 0; i < kSegments; ++i) {
      const double angle = 2 * kPi * i / kSegments;
      addPoint(outline(j).first * Cos(angle), outline(j).second, outline(j).first * Sin(angle));
    }
  constexpr uint16_t kFirst = 0, kLast = 1;  // the poles
  auto index = [](int i, int j) {  // j = 1 .. kOutlinePoints - 2
    return static_cast<uint16_t>(2 + (j - 1) * kSegments + i % kSegments);
  };
  // Stepping along the outline (j) and then round the axis (i), the cross product of the two
  // steps points out of the surface, so this order faces outwards.
  for (int i = 0; i < kSegments; ++i) {
    mesh.faces.insert(mesh.faces.end(), {kFirst, index(i, 1), index(i + 1, 1)});
    for (int j = 1; j < kOutlinePoints - 2; ++j) {
      const uint16_t p00 = index(i, j), p01 = index(i, j + 1), p10 = index(i + 1, j), p11 = index(i + 1, j + 1);
      mesh.faces.insert(mesh.faces.end(), {p00, p01, p11});
      mesh.faces.insert(mesh.faces.end(), {p00, p11, p10});
    }
    mesh.faces.insert(mesh.faces.end(), {index(i, kOutlinePoints - 2), kLast, index(i + 1, kOutlinePoints - 2)});
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

// The object of the 3D scene: a trefoil knot swept by a round tube, and its LWOB file.
//
// The mesh is a closed surface with shared vertices: every point is used, every edge is
// shared by exactly two triangles, and each triangle is wound so that (b - a) x (c - a)
// points outwards. It is centred on (0, 60, 0), inside a radius of 12, the space the
// object scene's camera circles at radius 20.
#pragma once

#include <cstdint>
#include <vector>

namespace assetgen {

struct Mesh {
  std::vector<float> points;     // x, y, z per point
  std::vector<uint16_t> faces;   // a, b, c per triangle
};

Mesh MakeKnot();

// LightWave object bytes: FORM/LWOB with PNTS, POLS (each polygon: count 3, three
// indices, surface 1), SRFS and a minimal SURF; big-endian throughout.
std::vector<uint8_t> EncodeLwob(const Mesh& mesh);

}  // namespace assetgen

// The object of the 3D scene: a mushroom, a surface of revolution about the vertical axis
// (a flared stem under a domed cap), and its LWOB file.
//
// The mesh is a closed surface with shared vertices: every point is used, every edge is
// shared by exactly two triangles, and each triangle is wound so that (b - a) x (c - a)
// points outwards. It is centred on (0, 60, 0), the point the object scene's camera looks
// at from 20 to 28 units away, and stays within a radius of 10.2, which fills most of the
// frame from the nearest camera. The camera circles the vertical axis, so the outline
// changes only as the camera rises and falls: the light rays streaming from it sweep slowly.
#pragma once

#include <cstdint>
#include <vector>

namespace assetgen {

struct Mesh {
  std::vector<float> points;     // x, y, z per point
  std::vector<uint16_t> faces;   // a, b, c per triangle
};

Mesh MakeMushroom();

// LightWave object bytes (engine3d/lwo_writer.h) with one surface, "Chrome".
std::vector<uint8_t> EncodeLwob(const Mesh& mesh);

}  // namespace assetgen

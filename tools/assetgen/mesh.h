// The object of the 3D scene: a chunky ring (a torus whose section carries four ridges
// that wind round it), and its LWOB file.
//
// The mesh is a closed surface with shared vertices: every point is used, every edge is
// shared by exactly two triangles, and each triangle is wound so that (b - a) x (c - a)
// points outwards. It is centred on (0, 60, 0), the point the object scene's camera looks
// at from 20 to 28 units away, so the ring's hole sits where the light rays start, and it
// stays within a radius of 10.2, which fills most of the frame from the nearest camera.
#pragma once

#include <cstdint>
#include <vector>

namespace assetgen {

struct Mesh {
  std::vector<float> points;     // x, y, z per point
  std::vector<uint16_t> faces;   // a, b, c per triangle
};

Mesh MakeRing();

// LightWave object bytes (engine3d/lwo_writer.h) with one surface, "Chrome".
std::vector<uint8_t> EncodeLwob(const Mesh& mesh);

}  // namespace assetgen

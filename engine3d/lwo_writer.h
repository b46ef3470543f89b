// The LightWave object writer: encodes a triangle mesh as the LWOB file that
// engine3d/lwo_reader.h reads back, for the generated object and for tests and benchmarks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine3d/objet3d.h"
#include "engine3d/vecteur3d.h"

// The one surface of a mesh, for modellers that show it: a name and a colour.
struct LwoSurface {
  std::string name;
  uint8_t red, green, blue;
};

// FORM/LWOB with a PNTS chunk and a POLS chunk (surface number 1 on every triangle), and
// with a surface, an SRFS chunk naming it and a SURF chunk holding its COLR; big-endian
// throughout. Indices must lie in 0..65535.
std::vector<uint8_t> EncodeLwo(const std::vector<Vecteur3d>& points, const std::vector<FaceIndices>& faces,
                               const LwoSurface* surface = nullptr);

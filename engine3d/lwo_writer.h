// The LightWave object writer: encodes a triangle mesh as the LWOB file that
// engine3d/lwo_reader.h reads back, for generated meshes in tests and benchmarks.
#pragma once

#include <cstdint>
#include <vector>

#include "engine3d/objet3d.h"
#include "engine3d/vecteur3d.h"

// FORM/LWOB with a PNTS chunk and a POLS chunk (surface number 1 on every triangle).
// Indices must lie in 0..65535.
std::vector<uint8_t> EncodeLwo(const std::vector<Vecteur3d>& points,
                               const std::vector<FaceIndices>& faces);

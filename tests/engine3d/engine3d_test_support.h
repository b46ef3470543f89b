// Shared helpers of the 3D engine tests: LightWave bytes, loaded objects, and frames
// with guard words around them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/frame_buffer.h"
#include "engine3d/objet3d.h"

// A LightWave file assembled chunk by chunk; Build fills in the FORM size.
struct LwoBytes {
  std::vector<uint8_t> chunks;
  LwoBytes& Chunk(const char* tag, const std::vector<uint8_t>& data);
  std::vector<uint8_t> Build(const char* formType = "LWOB") const;
};
std::vector<uint8_t> PointsData(const std::vector<Vecteur3d>& points);
std::vector<uint8_t> TrianglesData(const std::vector<FaceIndices>& faces);

// A file name unique to the running test, in the test's working directory.
std::string TestFileName(const std::string& stem);
void WriteBmp24(const std::string& fileName, int32_t width, int32_t height);

// The environment map of the tests: texel (u, v) is u << 16 | v << 8 | (u ^ v),
// except texel 0, which is a marker colour.
constexpr uint32_t kTexelZeroMarker = 0x00FF00FF;
uint32_t TestTexel(int32_t u, int32_t v);
const uint32_t* TestTexture();

// Loads the mesh through a file and LoadLWO, computes its normals and loads the test
// environment map (through a BMP file) as its texture.
void LoadTestObject(Objet3d* object, const std::vector<Vecteur3d>& points,
                    const std::vector<FaceIndices>& faces, bool withNormalsAndTexture = true);

// The frame inside a larger block whose guard words must survive every drawing.
class GuardedFrame {
 public:
  static constexpr int32_t kGuardWords = 4096;
  explicit GuardedFrame(uint32_t fill = 0);
  uint32_t* frame() { return block_.data() + kGuardWords; }
  void Clear(uint32_t value);
  bool GuardsIntact() const;
  int32_t CountNot(uint32_t value) const;
  bool operator==(const GuardedFrame& other) const { return block_ == other.block_; }

 private:
  std::vector<uint32_t> block_;
};

uint64_t HashFrame(const uint32_t* frame);  // FNV-1a of the bytes

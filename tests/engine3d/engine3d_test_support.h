// Shared helpers of the 3D engine tests: files written on the fly, loaded objects,
// frames with guard words.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine3d/objet3d.h"

// A LightWave file assembled chunk by chunk, with the FORM size filled in.
class LwoBytes {
 public:
  LwoBytes& Chunk(const char* tag, const std::vector<uint8_t>& data);
  LwoBytes& Raw(const std::vector<uint8_t>& data);
  std::vector<uint8_t> Build(const char* formType = "LWOB") const;

 private:
  std::vector<uint8_t> chunks_;
};

std::vector<uint8_t> PointsData(const std::vector<Vecteur3d>& points);
// Triangles, each (count 3, a, b, c, surface 1).
std::vector<uint8_t> TrianglesData(const std::vector<FaceIndices>& faces);
void PutBigEndian16(std::vector<uint8_t>* bytes, uint32_t value);
void PutBigEndian32(std::vector<uint8_t>* bytes, uint32_t value);

// A unique file name in the test's working directory.
std::string TestFileName(const std::string& stem);

// Writes a 24-bit bottom-up BMP; `pixel(x, y)` gives 0x00RRGGBB for the top-down row y.
void WriteBmp24(const std::string& fileName, int32_t width, int32_t height,
                const std::function<uint32_t(int32_t, int32_t)>& pixel);

// The 256 x 256 environment map of the tests: every texel different from its
// neighbours (red = u, green = v, blue = u ^ v), texel 0 painted a marker colour.
uint32_t TestTexel(int32_t u, int32_t v);
constexpr uint32_t kTexelZeroMarker = 0x00FF00FF;
const std::vector<uint32_t>& TestTexture();

// Loads an object from points and faces through a real file and LoadLWO, with its
// normals computed and the test environment map loaded.
void LoadTestObject(Objet3d* object, const std::vector<Vecteur3d>& points,
                    const std::vector<FaceIndices>& faces);

// The frame buffer inside a bigger block whose guard words must stay untouched.
class GuardedFrame {
 public:
  static constexpr uint32_t kGuard = 0xDEADBEEF;
  static constexpr int32_t kGuardWords = 4096;
  GuardedFrame();
  uint32_t* frame() { return block_.data() + kGuardWords; }
  bool GuardsIntact() const;
  void Clear(uint32_t value);

 private:
  std::vector<uint32_t> block_;
};

// FNV-1a over the frame's bytes.
uint64_t HashFrame(const uint32_t* frame);

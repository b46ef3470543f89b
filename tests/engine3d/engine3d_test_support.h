// Shared helpers of the 3D engine tests: loaded objects, and frames with guard words
// around them.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "core/frame_buffer.h"
#include "engine3d/lwo_writer.h"
#include "engine3d/objet3d.h"
#include "image/bmp_writer.h"
#include "tools/fixtures/mesh_fixtures.h"

// Named after the running test, so that a death test's child process, which runs the
// test again from the start, writes the very files its parent removes.
inline std::string TestFileName(const std::string& stem) {
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  return stem + "_" + test->test_suite_name() + "_" + test->name();
}

// The environment map of the tests: texel (u, v) is u << 16 | v << 8 | (u ^ v),
// except texel 0, which is a marker colour.
constexpr uint32_t kTexelZeroMarker = 0x00FF00FF;
inline uint32_t TestTexel(int32_t u, int32_t v) {
  return u == 0 && v == 0 ? kTexelZeroMarker : static_cast<uint32_t>(u << 16 | v << 8 | ((u ^ v) & 0xFF));
}
inline std::vector<uint32_t> TestPicture(int32_t width, int32_t height) {
  std::vector<uint32_t> pixels(width * height);
  for (int32_t i = 0; i < width * height; ++i) pixels[i] = TestTexel(i % width, i / width);
  return pixels;
}
inline const uint32_t* TestTexture() {
  static const std::vector<uint32_t> texture = TestPicture(256, 256);
  return texture.data();
}
inline void WriteBmp24(const std::string& fileName, int32_t width, int32_t height) {
  const std::vector<uint32_t> pixels = TestPicture(width, height);
  std::vector<uint8_t> bytes(pixels.size() * 3);
  PackRGB24(pixels.data(), bytes.data(), static_cast<int32_t>(pixels.size()));
  ASSERT_EQ(BMP_Save(fileName.c_str(), bytes.data(), width, height, 24, nullptr), BmpSaveStatus::kSaved);
}

// Loads the mesh through a file and LoadLWO, computes its normals and loads the test
// environment map (through a BMP file) as its texture.
inline void LoadTestObject(Objet3d* object, const std::vector<Vecteur3d>& points, const std::vector<FaceIndices>& faces,
                           bool withNormalsAndTexture = true) {
  const std::string objectFile = TestFileName("object") + ".lwo", textureFile = TestFileName("env") + ".bmp";
  ASSERT_TRUE(WriteBytes(objectFile, EncodeLwo(points, faces)));
  object->LoadLWO(objectFile.c_str());
  std::remove(objectFile.c_str());
  if (!withNormalsAndTexture) return;
  object->CalcNormalesFaces();
  object->CalcNormalesPoints();
  WriteBmp24(textureFile, 256, 256);
  object->LoadTexture(textureFile.c_str());
  std::remove(textureFile.c_str());
}

// The frame inside a larger block whose guard words must survive every drawing.
struct GuardedFrame {
  static constexpr int32_t kGuardWords = 4096;
  static constexpr uint32_t kGuard = 0xDEADBEEF;
  std::vector<uint32_t> block = std::vector<uint32_t>(kFramePixels + 2 * kGuardWords, kGuard);
  explicit GuardedFrame(uint32_t fill = 0) { Clear(fill); }
  uint32_t* frame() { return block.data() + kGuardWords; }
  void Clear(uint32_t value) { std::fill_n(frame(), kFramePixels, value); }
  bool GuardsIntact() const {
    return std::count(block.begin(), block.end(), kGuard) - std::count(block.begin() + kGuardWords, block.end() - kGuardWords, kGuard) == 2 * kGuardWords;
  }
  int32_t CountNot(uint32_t value) const {
    return static_cast<int32_t>(std::count_if(block.begin() + kGuardWords, block.end() - kGuardWords, [&](uint32_t w) { return w != value; }));
  }
};

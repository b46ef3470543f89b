// Shared helpers of the 3D engine tests.
#include "tests/engine3d/engine3d_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "engine3d/lwo_writer.h"

namespace {

void Put(std::vector<uint8_t>* bytes, uint32_t value, int count) {
  for (int shift = 8 * (count - 1); shift >= 0; shift -= 8) bytes->push_back(static_cast<uint8_t>(value >> shift));
}

constexpr uint32_t kGuard = 0xDEADBEEF;

}  // namespace

LwoBytes& LwoBytes::Chunk(const char* tag, const std::vector<uint8_t>& data) {
  chunks.insert(chunks.end(), tag, tag + 4);
  Put(&chunks, static_cast<uint32_t>(data.size()), 4);
  chunks.insert(chunks.end(), data.begin(), data.end());
  return *this;
}

std::vector<uint8_t> LwoBytes::Build(const char* formType) const {
  std::vector<uint8_t> bytes = {'F', 'O', 'R', 'M'};
  Put(&bytes, static_cast<uint32_t>(4 + chunks.size()), 4);
  bytes.insert(bytes.end(), formType, formType + 4);
  bytes.insert(bytes.end(), chunks.begin(), chunks.end());
  return bytes;
}

std::vector<uint8_t> PointsData(const std::vector<Vecteur3d>& points) {
  std::vector<uint8_t> bytes = EncodeLwo(points, {});
  return std::vector<uint8_t>(bytes.begin() + 20, bytes.end() - 8);  // the PNTS data alone
}

std::vector<uint8_t> TrianglesData(const std::vector<FaceIndices>& faces) {
  std::vector<uint8_t> bytes = EncodeLwo({}, faces);
  return std::vector<uint8_t>(bytes.begin() + 28, bytes.end());  // the POLS data alone
}

std::string TestFileName(const std::string& stem) {
  // Named after the running test, so that a death test's child process, which runs
  // the test again from the start, writes the very files its parent removes.
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::string prefix = std::string(test->test_suite_name()) + "_" + test->name();
  static std::string lastPrefix;
  static int counter = 0;
  if (prefix != lastPrefix) lastPrefix = prefix, counter = 0;
  return stem + "_" + prefix + "_" + std::to_string(counter++);
}

void WriteBmp24(const std::string& fileName, int32_t width, int32_t height) {
  const uint32_t rowBytes = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
  std::vector<uint8_t> bytes = {'B', 'M'};
  for (uint32_t value : {54 + rowBytes * height, 0u, 54u, 40u, static_cast<uint32_t>(width),
                         static_cast<uint32_t>(height), 1u | 24u << 16, 0u, rowBytes * height, 0u, 0u, 0u, 0u}) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
  }
  for (int32_t row = height - 1; row >= 0; --row) {  // bottom-up
    for (int32_t x = 0; x < width; ++x) {
      const uint32_t texel = TestTexel(x, row);
      for (int i = 0; i < 3; ++i) bytes.push_back(static_cast<uint8_t>(texel >> (8 * i)));
    }
    bytes.resize(bytes.size() + rowBytes - width * 3, 0);
  }
  ASSERT_TRUE(WriteBytes(fileName, bytes));
}

uint32_t TestTexel(int32_t u, int32_t v) {
  return u == 0 && v == 0 ? kTexelZeroMarker : static_cast<uint32_t>(u << 16 | v << 8 | ((u ^ v) & 0xFF));
}

const uint32_t* TestTexture() {
  static const std::vector<uint32_t> texture = [] {
    std::vector<uint32_t> pixels(256 * 256);
    for (int32_t i = 0; i < 256 * 256; ++i) pixels[i] = TestTexel(i % 256, i / 256);
    return pixels;
  }();
  return texture.data();
}

void LoadTestObject(Objet3d* object, const std::vector<Vecteur3d>& points, const std::vector<FaceIndices>& faces,
                    bool withNormalsAndTexture) {
  const std::string objectFile = TestFileName("object") + ".lwo";
  ASSERT_TRUE(WriteBytes(objectFile, EncodeLwo(points, faces)));
  object->LoadLWO(objectFile.c_str());
  std::remove(objectFile.c_str());
  if (!withNormalsAndTexture) return;
  object->CalcNormalesFaces();
  object->CalcNormalesPoints();
  const std::string textureFile = TestFileName("env") + ".bmp";
  WriteBmp24(textureFile, 256, 256);
  object->LoadTexture(textureFile.c_str());
  std::remove(textureFile.c_str());
}

GuardedFrame::GuardedFrame(uint32_t fill) : block_(kFramePixels + 2 * kGuardWords, kGuard) { Clear(fill); }

void GuardedFrame::Clear(uint32_t value) { std::fill_n(frame(), kFramePixels, value); }

bool GuardedFrame::GuardsIntact() const {
  return std::all_of(block_.begin(), block_.begin() + kGuardWords, [](uint32_t w) { return w == kGuard; }) &&
         std::all_of(block_.end() - kGuardWords, block_.end(), [](uint32_t w) { return w == kGuard; });
}

int32_t GuardedFrame::CountNot(uint32_t value) const {
  return static_cast<int32_t>(
      std::count_if(block_.begin() + kGuardWords, block_.end() - kGuardWords, [&](uint32_t w) { return w != value; }));
}

uint64_t HashFrame(const uint32_t* frame) {
  uint64_t hash = 1469598103934665603ull;
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(frame);
  for (int32_t i = 0; i < kFrameBytes; ++i) hash = (hash ^ bytes[i]) * 1099511628211ull;
  return hash;
}

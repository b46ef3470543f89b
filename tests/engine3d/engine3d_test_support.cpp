// Shared helpers of the 3D engine tests.
#include "tests/engine3d/engine3d_test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "app/frame_buffer.h"
#include "engine3d/lwo_writer.h"

void PutBigEndian16(std::vector<uint8_t>* bytes, uint32_t value) {
  bytes->push_back(static_cast<uint8_t>(value >> 8));
  bytes->push_back(static_cast<uint8_t>(value));
}

void PutBigEndian32(std::vector<uint8_t>* bytes, uint32_t value) {
  PutBigEndian16(bytes, value >> 16);
  PutBigEndian16(bytes, value & 0xFFFF);
}

LwoBytes& LwoBytes::Chunk(const char* tag, const std::vector<uint8_t>& data) {
  for (int i = 0; i < 4; ++i) chunks_.push_back(static_cast<uint8_t>(tag[i]));
  PutBigEndian32(&chunks_, static_cast<uint32_t>(data.size()));
  chunks_.insert(chunks_.end(), data.begin(), data.end());
  return *this;
}

LwoBytes& LwoBytes::Raw(const std::vector<uint8_t>& data) {
  chunks_.insert(chunks_.end(), data.begin(), data.end());
  return *this;
}

std::vector<uint8_t> LwoBytes::Build(const char* formType) const {
  std::vector<uint8_t> bytes = {'F', 'O', 'R', 'M'};
  PutBigEndian32(&bytes, static_cast<uint32_t>(4 + chunks_.size()));
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(formType[i]));
  bytes.insert(bytes.end(), chunks_.begin(), chunks_.end());
  return bytes;
}

std::vector<uint8_t> PointsData(const std::vector<Vecteur3d>& points) {
  std::vector<uint8_t> bytes;
  for (const Vecteur3d& point : points) {
    for (float value : {point.x, point.y, point.z}) {
      uint32_t word;
      std::memcpy(&word, &value, 4);
      PutBigEndian32(&bytes, word);
    }
  }
  return bytes;
}

std::vector<uint8_t> TrianglesData(const std::vector<FaceIndices>& faces) {
  std::vector<uint8_t> bytes;
  for (const FaceIndices& face : faces) {
    PutBigEndian16(&bytes, 3);
    PutBigEndian16(&bytes, static_cast<uint32_t>(face.a));
    PutBigEndian16(&bytes, static_cast<uint32_t>(face.b));
    PutBigEndian16(&bytes, static_cast<uint32_t>(face.c));
    PutBigEndian16(&bytes, 1);
  }
  return bytes;
}

std::string TestFileName(const std::string& stem) {
  static std::atomic<int> counter{0};
  return stem + "_" + std::to_string(getpid()) + "_" + std::to_string(counter++);
}

void WriteBmp24(const std::string& fileName, int32_t width, int32_t height,
                const std::function<uint32_t(int32_t, int32_t)>& pixel) {
  const int32_t rowBytes = (width * 3 + 3) & ~3;
  std::vector<uint8_t> bytes(54 + static_cast<size_t>(rowBytes) * height, 0);
  const auto put32 = [&](size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
  };
  bytes[0] = 'B';
  bytes[1] = 'M';
  put32(2, static_cast<uint32_t>(bytes.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(width));
  put32(22, static_cast<uint32_t>(height));
  bytes[26] = 1;
  bytes[28] = 24;
  put32(34, static_cast<uint32_t>(rowBytes) * height);
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* row = bytes.data() + 54 + static_cast<size_t>(height - 1 - y) * rowBytes;
    for (int32_t x = 0; x < width; ++x) {
      const uint32_t value = pixel(x, y);
      row[x * 3 + 0] = static_cast<uint8_t>(value);
      row[x * 3 + 1] = static_cast<uint8_t>(value >> 8);
      row[x * 3 + 2] = static_cast<uint8_t>(value >> 16);
    }
  }
  ASSERT_TRUE(WriteBytes(fileName, bytes));
}

uint32_t TestTexel(int32_t u, int32_t v) {
  if (u == 0 && v == 0) return kTexelZeroMarker;
  return static_cast<uint32_t>(u << 16 | v << 8 | ((u ^ v) & 0xFF));
}

const std::vector<uint32_t>& TestTexture() {
  static const std::vector<uint32_t> texture = [] {
    std::vector<uint32_t> pixels(256 * 256);
    for (int32_t v = 0; v < 256; ++v) {
      for (int32_t u = 0; u < 256; ++u) pixels[v * 256 + u] = TestTexel(u, v);
    }
    return pixels;
  }();
  return texture;
}

void LoadTestObject(Objet3d* object, const std::vector<Vecteur3d>& points,
                    const std::vector<FaceIndices>& faces) {
  const std::string objectFile = TestFileName("object") + ".lwo";
  ASSERT_TRUE(WriteBytes(objectFile, EncodeLwo(points, faces)));
  object->LoadLWO(objectFile.c_str());
  std::remove(objectFile.c_str());
  object->CalcNormalesFaces();
  object->CalcNormalesPoints();
  const std::string textureFile = TestFileName("env") + ".bmp";
  WriteBmp24(textureFile, 256, 256, [](int32_t x, int32_t y) { return TestTexel(x, y); });
  object->LoadTexture(textureFile.c_str());
  std::remove(textureFile.c_str());
}

GuardedFrame::GuardedFrame() : block_(kFramePixels + 2 * kGuardWords, kGuard) { Clear(0); }

bool GuardedFrame::GuardsIntact() const {
  for (int32_t i = 0; i < kGuardWords; ++i) {
    if (block_[i] != kGuard || block_[kGuardWords + kFramePixels + i] != kGuard) return false;
  }
  return true;
}

void GuardedFrame::Clear(uint32_t value) {
  std::fill(block_.begin() + kGuardWords, block_.begin() + kGuardWords + kFramePixels, value);
}

uint64_t HashFrame(const uint32_t* frame) {
  uint64_t hash = 1469598103934665603ull;
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(frame);
  for (int32_t i = 0; i < kFrameBytes; ++i) {
    hash ^= bytes[i];
    hash *= 1099511628211ull;
  }
  return hash;
}

// The LightWave object writer.
#include "engine3d/lwo_writer.h"

#include <cstring>

#include "core/byte_order.h"

namespace {

void PutTag(std::vector<uint8_t>* bytes, const char* tag) {
  for (int i = 0; i < 4; ++i) bytes->push_back(static_cast<uint8_t>(tag[i]));
}

void PutFloat(std::vector<uint8_t>* bytes, float value) {
  uint32_t word;
  std::memcpy(&word, &value, sizeof word);
  PutBigEndian32(bytes, word);
}

}  // namespace

std::vector<uint8_t> EncodeLwo(const std::vector<Vecteur3d>& points, const std::vector<FaceIndices>& faces,
                               const LwoSurface* surface) {
  std::vector<uint8_t> bytes;
  PutTag(&bytes, "FORM");
  PutBigEndian32(&bytes, 0);  // patched below
  PutTag(&bytes, "LWOB");
  PutTag(&bytes, "PNTS");
  PutBigEndian32(&bytes, static_cast<uint32_t>(points.size() * 12));
  for (const Vecteur3d& point : points) {
    PutFloat(&bytes, point.x);
    PutFloat(&bytes, point.y);
    PutFloat(&bytes, point.z);
  }
  PutTag(&bytes, "POLS");
  PutBigEndian32(&bytes, static_cast<uint32_t>(faces.size() * 10));
  for (const FaceIndices& face : faces) {
    PutBigEndian16(&bytes, 3);
    PutBigEndian16(&bytes, static_cast<uint32_t>(face.a));
    PutBigEndian16(&bytes, static_cast<uint32_t>(face.b));
    PutBigEndian16(&bytes, static_cast<uint32_t>(face.c));
    PutBigEndian16(&bytes, 1);
  }
  if (surface != nullptr) {
    // Names are zero-terminated and padded to an even length.
    std::vector<uint8_t> name(surface->name.begin(), surface->name.end());
    name.push_back(0);
    if (name.size() % 2 != 0) name.push_back(0);
    PutTag(&bytes, "SRFS");
    PutBigEndian32(&bytes, static_cast<uint32_t>(name.size()));
    bytes.insert(bytes.end(), name.begin(), name.end());
    PutTag(&bytes, "SURF");
    PutBigEndian32(&bytes, static_cast<uint32_t>(name.size() + 10));
    bytes.insert(bytes.end(), name.begin(), name.end());
    PutTag(&bytes, "COLR");
    PutBigEndian16(&bytes, 4);
    for (uint8_t channel : {surface->red, surface->green, surface->blue, uint8_t{0}}) bytes.push_back(channel);
  }
  const uint32_t formSize = static_cast<uint32_t>(bytes.size() - 8);
  bytes[4] = static_cast<uint8_t>(formSize >> 24);
  bytes[5] = static_cast<uint8_t>(formSize >> 16);
  bytes[6] = static_cast<uint8_t>(formSize >> 8);
  bytes[7] = static_cast<uint8_t>(formSize);
  return bytes;
}

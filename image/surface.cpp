// Surface: a decoded BMP image in 32-bit pixels, and the two pixel conversions.
#include "image/surface.h"

#include <string>

#include "core/fatal_error.h"

Surface::Surface() = default;

Surface::Surface(const char* fileName) { Load(fileName); }

Surface::Surface(const DecodedBmp& image) {
  if (image.pixels == nullptr) return;
  const int32_t count = image.width * image.height;  // at most 16384 * 16384, checked by the reader
  pixels.resize(static_cast<size_t>(count));
  if (image.bitsPerPixel == 8) {
    ConvertBuffer8To32(image.pixels.get(), image.palette.get(), pixels.data(), count);
  } else {
    ConvertBuffer24To32(image.pixels.get(), pixels.data(), count);
  }
  width = image.width;
  height = image.height;
  depth = 32;
}

Surface::~Surface() = default;

BmpStatus Surface::BMP_Load(const char* fileName) {
  SnifferLog("Surface::BMP_Load(char *nom)");
  DecodedBmp image;
  const BmpStatus status = LoadBmpFile(fileName, &image);
  if (status != BmpStatus::kLoaded) {
    if (image.trace != nullptr) SnifferLog("%s", image.trace);
    *this = Surface();
    width = image.width;
    height = image.height;
    return status;
  }
  *this = Surface(image);
  SnifferLog("Chargement surface BMP : OK");
  return BmpStatus::kLoaded;
}

void Surface::Load(const char* fileName) {
  if (BMP_Load(fileName) != BmpStatus::kLoaded) {
    std::string message = "Impossible de charger l'Surface : ";
    message += fileName != nullptr ? fileName : "(null)";
    message += " !!\n";
    FatalError(message.c_str());
  }
}

void ConvertBuffer24To32(const uint8_t* source, uint32_t* destination, int32_t count) {
  for (int32_t i = 0; i < count; ++i) {
    destination[i] = static_cast<uint32_t>(source[0]) | (static_cast<uint32_t>(source[1]) << 8) |
                     (static_cast<uint32_t>(source[2]) << 16);
    source += 3;
  }
}

void ConvertBuffer8To32(const uint8_t* source, const uint8_t* palette, uint32_t* destination,
                        int32_t count) {
  for (int32_t i = 0; i < count; ++i) {
    const uint8_t* entry = palette + 4 * source[i];
    destination[i] = static_cast<uint32_t>(entry[0]) | (static_cast<uint32_t>(entry[1]) << 8) |
                     (static_cast<uint32_t>(entry[2]) << 16);
  }
}

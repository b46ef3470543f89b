// Surface: BMP loading into 32-bit pixels, and the raw reader that scenes use for textures.
#include "image/surface.h"

#include <cstring>
#include <string>

#include "core/fatal_error.h"

Surface::Surface() : pixels(nullptr), width(0), height(0), depth(0), palette(nullptr) {}

Surface::Surface(const char* fileName) : Surface() { Load(fileName); }

Surface::~Surface() { Release(); }

void Surface::Release() {
  delete[] pixels;
  pixels = nullptr;
  delete[] palette;
  palette = nullptr;
}

BmpStatus Surface::BMP_Load(const char* fileName) {
  SnifferLog("Surface::BMP_Load(char *nom)");
  Release();
  std::unique_ptr<uint8_t[]> file;
  size_t fileSize = 0;
  if (!ReadBmpFile(fileName, &file, &fileSize)) return BmpStatus::kNotBmp;
  DecodedBmp image;
  const BmpStatus status = DecodeBmp(file.get(), fileSize, &image);
  width = image.width;
  height = image.height;
  depth = image.bitsPerPixel;
  if (status != BmpStatus::kLoaded) {
    if (image.trace != nullptr) SnifferLog("%s", image.trace);
    return status;
  }
  // pixels is a word array; the file's bytes go into enough words to hold them.
  const size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(height) *
                       static_cast<size_t>(depth / 8);
  pixels = new uint32_t[(bytes + 3) / 4]();
  std::memcpy(pixels, image.pixels.get(), bytes);
  palette = image.palette.release();
  SnifferLog("Chargement surface BMP : OK");
  return BmpStatus::kLoaded;
}

void Surface::Convert24To32(const uint8_t* source, uint32_t* destination) {
  ConvertBuffer24To32(source, destination, width * height);
}

void Surface::Load(const char* fileName) {
  if (BMP_Load(fileName) != BmpStatus::kLoaded) {
    std::string message = "Impossible de charger l'Surface : ";
    message += fileName != nullptr ? fileName : "(null)";
    message += " !!\n";
    FatalError(message.c_str());
  }
  const int32_t count = width * height;  // at most 16384 * 16384, checked by the reader
  uint32_t* words = new uint32_t[static_cast<size_t>(count)];
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(pixels);
  if (depth == 8) {
    ConvertBuffer8To32(bytes, palette, words, count);
  } else {
    Convert24To32(bytes, words);
  }
  Release();
  pixels = words;
  depth = 32;
}

BmpStatus BMP_LoadRaw(const char* fileName, uint8_t** pixels, int32_t* width, int32_t* height,
                    int32_t* bitsPerPixel, uint8_t** palette) {
  *pixels = nullptr;
  *palette = nullptr;
  std::unique_ptr<uint8_t[]> file;
  size_t fileSize = 0;
  if (!ReadBmpFile(fileName, &file, &fileSize)) return BmpStatus::kNotBmp;
  DecodedBmp image;
  const BmpStatus status = DecodeBmp(file.get(), fileSize, &image);
  *width = image.width;
  *height = image.height;
  *bitsPerPixel = image.bitsPerPixel;
  if (status != BmpStatus::kLoaded) return status;
  *pixels = image.pixels.release();
  *palette = image.palette.release();
  return BmpStatus::kLoaded;
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

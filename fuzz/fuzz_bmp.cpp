// Fuzzes the BMP reader: DecodeBmp on the bytes, then the file paths that scenes use
// (Surface::BMP_Load, Surface::Load when the file is loadable, BMP_LoadRaw), which must
// agree with it. Surface::Load is only reached for a loadable file: its failure is the
// process-ending FatalError by design.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fuzz/fuzz_file.h"
#include "image/bmp_reader.h"
#include "image/surface.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  DecodedBmp decoded;
  const BmpStatus status = DecodeBmp(data, size, &decoded);
  Check(status >= BmpStatus::kLoaded && status <= BmpStatus::kDamaged);
  size_t imageBytes = 0;
  if (status == BmpStatus::kLoaded) {
    Check(decoded.width > 0 && decoded.width % 4 == 0 && decoded.width <= kBmpMaxSide);
    Check(decoded.height > 0 && decoded.height <= kBmpMaxSide);
    Check(decoded.bitsPerPixel == 24 || decoded.bitsPerPixel == 8);
    Check(decoded.pixels != nullptr);
    Check((decoded.palette != nullptr) == (decoded.bitsPerPixel == 8));
    imageBytes = static_cast<size_t>(decoded.width) * static_cast<size_t>(decoded.height) *
                 static_cast<size_t>(decoded.bitsPerPixel / 8);
    // The pixels came from the file: they cannot be more than it holds.
    Check(imageBytes <= size);
    // Touch every byte so that a short buffer shows up under AddressSanitizer.
    uint32_t sum = 0;
    for (size_t i = 0; i < imageBytes; ++i) sum += decoded.pixels[i];
    for (size_t i = 0; decoded.palette && i < 1024; ++i) sum += decoded.palette[i];
    (void)sum;
  } else {
    Check(decoded.pixels == nullptr && decoded.palette == nullptr);
  }

  const char* fileName = FuzzFileWithContents(data, size);
  {
    Surface surface;
    Check(surface.BMP_Load(fileName) == status);
    if (status == BmpStatus::kLoaded) {
      Check(std::memcmp(surface.pixels, decoded.pixels.get(), imageBytes) == 0);
    } else {
      Check(surface.pixels == nullptr && surface.palette == nullptr);
    }
  }
  if (status == BmpStatus::kLoaded) {
    Surface surface;
    surface.Load(fileName);
    Check(surface.depth == 32 && surface.width == decoded.width && surface.height == decoded.height);
    const size_t count = static_cast<size_t>(surface.width) * static_cast<size_t>(surface.height);
    for (size_t i = 0; i < count; ++i) Check((surface.pixels[i] >> 24) == 0);
  }
  uint8_t* pixels = nullptr;
  uint8_t* palette = nullptr;
  int32_t width = 0, height = 0, bitsPerPixel = 0;
  Check(BMP_LoadRaw(fileName, &pixels, &width, &height, &bitsPerPixel, &palette) == status);
  if (status == BmpStatus::kLoaded) {
    Check(width == decoded.width && height == decoded.height && bitsPerPixel == decoded.bitsPerPixel);
    Check(std::memcmp(pixels, decoded.pixels.get(), imageBytes) == 0);
  } else {
    Check(pixels == nullptr && palette == nullptr);
  }
  delete[] pixels;
  delete[] palette;
  return 0;
}

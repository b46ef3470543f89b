// Fuzzes the BMP reader: DecodeBmp on the bytes, then the file paths that scenes use
// (Surface::BMP_Load, LoadBmpFile), which must agree with it. Surface::Load is left out:
// its failure is the process-ending FatalError by design.
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
    // The surface is the decoded image in 32 bits, or empty.
    Surface surface;
    Check(surface.BMP_Load(fileName) == status);
    if (status == BmpStatus::kLoaded) {
      Check(surface.depth == 32 && surface.width == decoded.width && surface.height == decoded.height);
      const size_t count = static_cast<size_t>(surface.width) * static_cast<size_t>(surface.height);
      Check(surface.pixels.size() == count);
      for (size_t i = 0; i < count; ++i) Check((surface.pixels[i] >> 24) == 0);
    } else {
      Check(surface.pixels.empty());
    }
  }
  DecodedBmp loaded;
  Check(LoadBmpFile(fileName, &loaded) == status);
  if (status == BmpStatus::kLoaded) {
    Check(loaded.width == decoded.width && loaded.height == decoded.height && loaded.bitsPerPixel == decoded.bitsPerPixel);
    Check(std::memcmp(loaded.pixels.get(), decoded.pixels.get(), imageBytes) == 0);
  } else {
    Check(loaded.pixels == nullptr && loaded.palette == nullptr);
  }
  return 0;
}

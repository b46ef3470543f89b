// Screen grabs and the BMP writer.
#include "app/screen_grab.h"

#include <cstdio>
#include <memory>

#include "app/demo.h"
#include "core/frame_buffer.h"

int32_t GrabCounter = 1;

namespace {

void Put16(uint8_t* at, uint32_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
}

void Put32(uint8_t* at, uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

// 32-bit 0x00RRGGBB in, 24-bit B, G, R out; the top byte never reaches the output.
void PackRGB24(const uint32_t* source, uint8_t* destination, int32_t count) {
  for (int32_t i = 0; i < count; ++i) {
    const uint32_t pixel = source[i];
    destination[0] = static_cast<uint8_t>(pixel);
    destination[1] = static_cast<uint8_t>(pixel >> 8);
    destination[2] = static_cast<uint8_t>(pixel >> 16);
    destination += 3;
  }
}

int32_t BMP_Save(const char* fileName, const uint8_t* pixels, int32_t width, int32_t height,
                 int32_t bitsPerPixel, const uint8_t* palette) {
  if (bitsPerPixel != 8 && bitsPerPixel != 16 && bitsPerPixel != 24) return kBmpUnsupportedDepth;
  if (width <= 0 || height <= 0) return kBmpInvalidSize;
  const int64_t paletteEntries = bitsPerPixel == 8 ? 256 : 1;
  const int64_t rowBytes = static_cast<int64_t>(width) * bitsPerPixel / 8;
  const int64_t dataOffset = 54 + 4 * paletteEntries;
  const int64_t fileSize = dataOffset + rowBytes * height;
  if (fileSize > INT32_MAX) return kBmpInvalidSize;

  uint8_t header[54] = {};
  header[0] = 'B';
  header[1] = 'M';
  Put32(header + 2, static_cast<uint32_t>(fileSize));
  Put32(header + 10, static_cast<uint32_t>(dataOffset));
  Put32(header + 14, 40);
  Put32(header + 18, static_cast<uint32_t>(width));
  Put32(header + 22, static_cast<uint32_t>(height));  // positive: rows bottom-up
  Put16(header + 26, 1);
  Put16(header + 28, static_cast<uint32_t>(bitsPerPixel));
  Put32(header + 38, 2000);
  Put32(header + 42, 2000);

  std::FILE* file = std::fopen(fileName, "wb");
  if (!file) return kBmpWriteFailed;
  bool ok = std::fwrite(header, 1, sizeof header, file) == sizeof header;
  if (bitsPerPixel == 8) {
    static const uint8_t kZeroPalette[1024] = {};
    ok = ok && std::fwrite(palette ? palette : kZeroPalette, 1, 1024, file) == 1024;
  } else {
    static const uint8_t kGap[4] = {};
    ok = ok && std::fwrite(kGap, 1, 4, file) == 4;
  }
  for (int32_t row = height - 1; ok && row >= 0; --row)
    ok = std::fwrite(pixels + row * rowBytes, 1, static_cast<size_t>(rowBytes), file) ==
         static_cast<size_t>(rowBytes);
  ok = (std::fclose(file) == 0) && ok;
  if (!ok) {
    // A half-written grab is worse than none.
    std::remove(fileName);
    return kBmpWriteFailed;
  }
  return kBmpSaved;
}

void Demo::ScreenGrab() {
  std::unique_ptr<uint8_t[]> packed(new uint8_t[kFramePixels * 3]);
  PackRGB24(frameBuffer, packed.get(), kFramePixels);
  char name[32];
  std::snprintf(name, sizeof name, "grab_%d.bmp", static_cast<int>(GrabCounter));
  ++GrabCounter;
  BMP_Save(name, packed.get(), kFrameWidth, kFrameHeight, 24, nullptr);
}

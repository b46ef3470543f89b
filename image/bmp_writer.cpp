// The BMP header and the packed-pixel BMP writer.
#include "image/bmp_writer.h"

#include <cstdio>

namespace {

void Put16(uint8_t* at, uint32_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
}

void Put32(uint8_t* at, uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

int64_t BmpImageBytes(const BmpLayout& layout) {
  return static_cast<int64_t>(layout.width) * layout.bitsPerPixel / 8 * layout.height;
}

int64_t BmpFileBytes(const BmpLayout& layout) {
  return kBmpHeaderBytes + int64_t{layout.paletteBytes} + BmpImageBytes(layout);
}

void EncodeBmpHeader(const BmpLayout& layout, uint8_t header[kBmpHeaderBytes]) {
  for (int i = 0; i < kBmpHeaderBytes; ++i) header[i] = 0;
  header[0] = 'B';
  header[1] = 'M';
  Put32(header + 2, static_cast<uint32_t>(BmpFileBytes(layout)));
  Put32(header + 10, static_cast<uint32_t>(kBmpHeaderBytes + layout.paletteBytes));
  Put32(header + 14, 40);
  Put32(header + 18, static_cast<uint32_t>(layout.width));
  Put32(header + 22, static_cast<uint32_t>(layout.height));
  Put16(header + 26, 1);
  Put16(header + 28, static_cast<uint32_t>(layout.bitsPerPixel));
  if (layout.recordsImageBytes) Put32(header + 34, static_cast<uint32_t>(BmpImageBytes(layout)));
  Put32(header + 38, static_cast<uint32_t>(layout.pixelsPerMetre));
  Put32(header + 42, static_cast<uint32_t>(layout.pixelsPerMetre));
}

BmpSaveStatus BMP_Save(const char* fileName, const uint8_t* pixels, int32_t width, int32_t height,
                 int32_t bitsPerPixel, const uint8_t* palette) {
  if (bitsPerPixel != 8 && bitsPerPixel != 16 && bitsPerPixel != 24) return BmpSaveStatus::kUnsupportedDepth;
  if (width <= 0 || height <= 0) return BmpSaveStatus::kInvalidSize;
  BmpLayout layout;
  layout.width = width;
  layout.height = height;
  layout.bitsPerPixel = bitsPerPixel;
  layout.paletteBytes = bitsPerPixel == 8 ? 1024 : 4;
  layout.pixelsPerMetre = 2000;
  if (BmpFileBytes(layout) > INT32_MAX) return BmpSaveStatus::kInvalidSize;
  const int64_t rowBytes = static_cast<int64_t>(width) * bitsPerPixel / 8;

  uint8_t header[kBmpHeaderBytes];
  EncodeBmpHeader(layout, header);
  std::FILE* file = std::fopen(fileName, "wb");
  if (!file) return BmpSaveStatus::kWriteFailed;
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
    return BmpSaveStatus::kWriteFailed;
  }
  return BmpSaveStatus::kSaved;
}

const char* BmpSaveStatusText(BmpSaveStatus status) {
  switch (status) {
    case BmpSaveStatus::kSaved: return "no error";
    case BmpSaveStatus::kUnsupportedDepth: return "bits per pixel neither 8, 16 nor 24";
    case BmpSaveStatus::kWriteFailed: return "the file could not be created or written";
    case BmpSaveStatus::kInvalidSize: return "width or height not positive, or a file over 2 GiB";
  }
  return "unknown error";
}

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

// The BMP reader: header checks and row copying for uncompressed 24-bit and 8-bit files.
#include "image/bmp_reader.h"

#include <climits>
#include <cstdio>
#include <cstring>

#include "core/checked_size.h"
#include "core/data_location.h"

namespace {

constexpr size_t kFileHeaderBytes = 14;
constexpr size_t kInfoHeaderBytes = 40;
constexpr size_t kPaletteEntries = 256;

uint16_t ReadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t ReadU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

int32_t ReadI32(const uint8_t* p) { return static_cast<int32_t>(ReadU32(p)); }

BmpStatus Fail(DecodedBmp* out, BmpStatus status, const char* trace) {
  out->pixels.reset();
  out->palette.reset();
  out->trace = trace;
  return status;
}

}  // namespace

BmpStatus DecodeBmp(const uint8_t* data, size_t size, DecodedBmp* out) {
  out->pixels.reset();
  out->palette.reset();
  out->trace = nullptr;
  if (data == nullptr || size < kFileHeaderBytes + kInfoHeaderBytes) {
    return Fail(out, BmpStatus::kNotBmp, nullptr);
  }
  const uint8_t* info = data + kFileHeaderBytes;
  if (ReadU16(data) != 0x4D42) return Fail(out, BmpStatus::kNotBmp, "Format non BMP");

  out->bitsPerPixel = ReadU16(info + 14);
  if (out->bitsPerPixel != 24 && out->bitsPerPixel != 8) {
    return Fail(out, BmpStatus::kBadDepth, "BMP pas 24 Bits");
  }
  const int32_t headerWidth = ReadI32(info + 4);
  out->width = headerWidth;
  if (headerWidth % 4 != 0) return Fail(out, BmpStatus::kWidthNotMultipleOf4, "Pas multiple de 4");
  const int32_t headerHeight = ReadI32(info + 8);
  // INT_MIN has no absolute value; it is refused below with the other impossible sizes.
  out->height = headerHeight == INT_MIN ? INT_MIN : (headerHeight < 0 ? -headerHeight : headerHeight);
  if (ReadU32(info + 16) != 0) return Fail(out, BmpStatus::kCompressed, "Compression non support\xE9" "e");

  // From here on the historical loader trusted the header; this one checks it.
  if (out->width <= 0 || out->width > kBmpMaxSide || out->height <= 0 ||
      out->height > kBmpMaxSide) {
    return Fail(out, BmpStatus::kDamaged, nullptr);
  }
  const size_t bytesPerPixel = static_cast<size_t>(out->bitsPerPixel / 8);

  if (out->bitsPerPixel == 8) {
    // The palette follows the info header, which is 40 bytes in the classic format but
    // 108 or 124 in the later ones; the header also says how many entries it holds.
    const uint32_t infoSize = ReadU32(info);
    uint32_t entries = ReadU32(info + 32);
    if (entries == 0 || entries > kPaletteEntries) entries = kPaletteEntries;
    size_t paletteStart = 0;
    size_t paletteEnd = 0;
    if (infoSize < kInfoHeaderBytes || !CheckedAdd(kFileHeaderBytes, infoSize, &paletteStart) ||
        !CheckedAdd(paletteStart, size_t{entries} * 4, &paletteEnd) || paletteEnd > size) {
      return Fail(out, BmpStatus::kDamaged, nullptr);
    }
    out->palette = std::make_unique<uint8_t[]>(kPaletteEntries * 4);  // zeroed: black
    std::memcpy(out->palette.get(), data + paletteStart, size_t{entries} * 4);
  }

  const size_t pixelOffset = ReadU32(data + 10);
  size_t rowBytes = 0;
  size_t imageBytes = 0;
  size_t pixelEnd = 0;
  if (!CheckedImageBytes(out->width, 1, static_cast<int64_t>(bytesPerPixel), &rowBytes) ||
      !CheckedImageBytes(out->width, out->height, static_cast<int64_t>(bytesPerPixel), &imageBytes) ||
      !CheckedAdd(pixelOffset, imageBytes, &pixelEnd) || pixelEnd > size) {
    return Fail(out, BmpStatus::kDamaged, nullptr);
  }

  // Rows carry no padding: the width is a multiple of 4, so 3 * width and width are too.
  out->pixels = std::make_unique<uint8_t[]>(imageBytes);
  const uint8_t* source = data + pixelOffset;
  if (headerHeight < 0) {
    std::memcpy(out->pixels.get(), source, imageBytes);  // top-down: file order is memory order
  } else {
    for (int32_t row = out->height - 1; row >= 0; --row) {  // bottom-up: first stored row is the last
      std::memcpy(out->pixels.get() + static_cast<size_t>(row) * rowBytes, source, rowBytes);
      source += rowBytes;
    }
  }
  return BmpStatus::kLoaded;
}

bool ReadBmpFile(const char* fileName, std::unique_ptr<uint8_t[]>* bytes, size_t* size) {
  bytes->reset();
  *size = 0;
  if (fileName == nullptr) return false;
  std::FILE* file = std::fopen(DataPath(fileName).c_str(), "rb");
  if (file == nullptr) return false;
  bool ok = std::fseek(file, 0, SEEK_END) == 0;
  const long end = ok ? std::ftell(file) : -1;
  ok = ok && end >= 0 && static_cast<unsigned long>(end) <= kBmpMaxFileBytes &&
       std::fseek(file, 0, SEEK_SET) == 0;
  if (ok) {
    const size_t length = static_cast<size_t>(end);
    // One spare byte so an empty file still gets a buffer; a file that changed size
    // between the measure and the read is refused. (Left uninitialised: the read fills it;
    // spelled with new because emscripten's C++ library lacks make_unique_for_overwrite.)
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[length + 1]);
    ok = std::fread(buffer.get(), 1, length + 1, file) == length;
    if (ok) {
      *bytes = std::move(buffer);
      *size = length;
    }
  }
  std::fclose(file);
  return ok;
}

BmpStatus LoadBmpFile(const char* fileName, DecodedBmp* out) {
  std::unique_ptr<uint8_t[]> file;
  size_t fileSize = 0;
  if (!ReadBmpFile(fileName, &file, &fileSize)) {
    *out = DecodedBmp{};
    return BmpStatus::kNotBmp;
  }
  return DecodeBmp(file.get(), fileSize, out);
}

const char* BmpStatusText(BmpStatus status) {
  switch (status) {
    case BmpStatus::kLoaded: return "no error";
    case BmpStatus::kNotBmp: return "cannot be read, or does not start with BM";
    case BmpStatus::kBadDepth: return "neither 24 nor 8 bits per pixel";
    case BmpStatus::kCompressed: return "compressed";
    case BmpStatus::kWidthNotMultipleOf4: return "width not a multiple of 4";
    case BmpStatus::kDamaged: return "impossible sizes or offsets, or pixels missing from the file";
  }
  return "unknown error";
}

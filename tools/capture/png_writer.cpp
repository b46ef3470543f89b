// PNG pictures in stored deflate blocks, or filtered and compressed.
#include "tools/capture/png_writer.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/byte_order.h"
#include "tools/capture/deflate.h"

namespace {

constexpr size_t kStoredBlockMax = 65535;

const std::array<uint32_t, 256>& CrcTable() {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> entries{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      entries[n] = c;
    }
    return entries;
  }();
  return table;
}

// A chunk: length, type, data, CRC of type and data.
void PutChunk(std::vector<uint8_t>* out, const char type[4], const uint8_t* data, size_t size) {
  PutBigEndian32(out, static_cast<uint32_t>(size));
  const size_t typeStart = out->size();
  out->insert(out->end(), type, type + 4);
  out->insert(out->end(), data, data + size);
  PutBigEndian32(out, Crc32(out->data() + typeStart, size + 4));
}

// The five PNG filters of one row of RGB bytes: each byte minus its prediction from the
// byte to the left (a), above (b) and above-left (c), all 0 outside the picture.
enum Filter : uint8_t { kNone, kSub, kUp, kAverage, kPaeth, kFilterCount };

uint8_t Paeth(int32_t a, int32_t b, int32_t c) {
  const int32_t p = a + b - c;
  const int32_t pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return static_cast<uint8_t>(a);
  return static_cast<uint8_t>(pb <= pc ? b : c);
}

void FilterRow(Filter filter, const uint8_t* row, const uint8_t* above, size_t size, uint8_t* out) {
  constexpr size_t kPixelBytes = 3;
  for (size_t i = 0; i < size; ++i) {
    const int32_t a = i >= kPixelBytes ? row[i - kPixelBytes] : 0;
    const int32_t b = above ? above[i] : 0;
    const int32_t c = above && i >= kPixelBytes ? above[i - kPixelBytes] : 0;
    int32_t prediction = 0;
    switch (filter) {
      case kNone: break;
      case kSub: prediction = a; break;
      case kUp: prediction = b; break;
      case kAverage: prediction = (a + b) / 2; break;
      case kPaeth: prediction = Paeth(a, b, c); break;
      case kFilterCount: break;
    }
    out[i] = static_cast<uint8_t>(row[i] - prediction);
  }
}

// Each row gets the filter whose output, read as signed bytes, sums to the least magnitude
// (the usual guess at what deflates best); ties go to the lower filter number.
std::vector<uint8_t> FilterRows(const std::vector<uint8_t>& raw, size_t rowBytes, int32_t height) {
  const size_t pixelBytes = rowBytes - 1;
  std::vector<uint8_t> filtered(raw.size());
  std::vector<uint8_t> trial(pixelBytes);
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* row = raw.data() + static_cast<size_t>(y) * rowBytes + 1;
    const uint8_t* above = y > 0 ? row - rowBytes : nullptr;
    uint8_t* out = filtered.data() + static_cast<size_t>(y) * rowBytes;
    uint64_t bestCost = UINT64_MAX;
    for (uint8_t filter = kNone; filter < kFilterCount; ++filter) {
      FilterRow(static_cast<Filter>(filter), row, above, pixelBytes, trial.data());
      uint64_t cost = 0;
      for (const uint8_t value : trial) cost += static_cast<uint64_t>(std::abs(static_cast<int8_t>(value)));
      if (cost < bestCost) {
        bestCost = cost;
        out[0] = filter;
        std::memcpy(out + 1, trial.data(), pixelBytes);
      }
    }
  }
  return filtered;
}

void PutStoredBlocks(std::vector<uint8_t>* zlib, const std::vector<uint8_t>& raw) {
  size_t offset = 0;
  do {
    const size_t length = raw.size() - offset < kStoredBlockMax ? raw.size() - offset : kStoredBlockMax;
    const bool last = offset + length == raw.size();
    zlib->push_back(last ? 1 : 0);  // BFINAL, BTYPE 00 (stored)
    zlib->push_back(static_cast<uint8_t>(length));
    zlib->push_back(static_cast<uint8_t>(length >> 8));
    zlib->push_back(static_cast<uint8_t>(~length));
    zlib->push_back(static_cast<uint8_t>(~length >> 8));
    zlib->insert(zlib->end(), raw.begin() + static_cast<ptrdiff_t>(offset),
                 raw.begin() + static_cast<ptrdiff_t>(offset + length));
    offset += length;
  } while (offset < raw.size());
}

}  // namespace

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc) {
  const std::array<uint32_t, 256>& table = CrcTable();
  uint32_t c = crc ^ 0xFFFFFFFFu;
  for (size_t i = 0; i < size; ++i) c = table[(c ^ data[i]) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

uint32_t Adler32(const uint8_t* data, size_t size) {
  constexpr uint32_t kModulus = 65521;
  uint32_t a = 1, b = 0;
  while (size > 0) {
    // 5552 bytes is the longest run for which b cannot overflow 32 bits before the modulo.
    const size_t run = size < 5552 ? size : 5552;
    for (size_t i = 0; i < run; ++i) {
      a += data[i];
      b += a;
    }
    a %= kModulus;
    b %= kModulus;
    data += run;
    size -= run;
  }
  return (b << 16) | a;
}

// Pixels 0x00RRGGBB, stride width, top row first -> rows of a filter byte and R, G, B bytes.
std::vector<uint8_t> EncodePng(const uint32_t* pixels, int32_t width, int32_t height, PngPacking packing) {
  const size_t rowBytes = 1 + static_cast<size_t>(width) * 3;
  std::vector<uint8_t> raw(rowBytes * static_cast<size_t>(height));
  uint8_t* destination = raw.data();
  for (int32_t y = 0; y < height; ++y) {
    const uint32_t* source = pixels + static_cast<size_t>(y) * static_cast<size_t>(width);
    *destination++ = 0;  // filter: none
    for (int32_t x = 0; x < width; ++x) {
      const uint32_t pixel = source[x];
      destination[0] = static_cast<uint8_t>(pixel >> 16);
      destination[1] = static_cast<uint8_t>(pixel >> 8);
      destination[2] = static_cast<uint8_t>(pixel);
      destination += 3;
    }
  }

  // zlib stream: header (deflate, 32 KB window, no dictionary, check bits), the deflate
  // data, Adler-32 of the (filtered) rows.
  std::vector<uint8_t> zlib;
  zlib.push_back(0x78);
  zlib.push_back(0x01);
  if (packing == PngPacking::kStored) {
    zlib.reserve(raw.size() + raw.size() / kStoredBlockMax * 5 + 16);
    PutStoredBlocks(&zlib, raw);
  } else {
    raw = FilterRows(raw, rowBytes, height);
    const std::vector<uint8_t> deflated = DeflateFixedCodes(raw.data(), raw.size());
    zlib.insert(zlib.end(), deflated.begin(), deflated.end());
  }
  PutBigEndian32(&zlib, Adler32(raw.data(), raw.size()));

  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  png.reserve(zlib.size() + 64);
  std::vector<uint8_t> header;
  PutBigEndian32(&header, static_cast<uint32_t>(width));
  PutBigEndian32(&header, static_cast<uint32_t>(height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, adaptive filters, no interlace
  PutChunk(&png, "IHDR", header.data(), header.size());
  PutChunk(&png, "IDAT", zlib.data(), zlib.size());
  PutChunk(&png, "IEND", nullptr, 0);
  return png;
}

bool WritePngFile(const std::string& path, const uint32_t* pixels, int32_t width, int32_t height,
                  std::string* error, PngPacking packing) {
  const std::vector<uint8_t> png = EncodePng(pixels, width, height, packing);
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) {
    *error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  const bool written = std::fwrite(png.data(), 1, png.size(), file) == png.size();
  const int writeErrno = errno;
  if (std::fclose(file) != 0 || !written) {
    *error = "cannot write " + path + ": " + std::strerror(written ? errno : writeErrno);
    return false;
  }
  return true;
}

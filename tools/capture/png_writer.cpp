// PNG frames in stored deflate blocks.
#include "tools/capture/png_writer.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/byte_order.h"

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

// Pixels 0x00RRGGBB, stride width, top row first -> rows of filter byte 0 and R, G, B bytes.
std::vector<uint8_t> EncodePng(const uint32_t* pixels, int32_t width, int32_t height) {
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

  // zlib stream: header (deflate, 32 KB window, no dictionary, check bits), stored blocks,
  // Adler-32 of the raw data.
  std::vector<uint8_t> zlib;
  zlib.reserve(raw.size() + raw.size() / kStoredBlockMax * 5 + 16);
  zlib.push_back(0x78);
  zlib.push_back(0x01);
  size_t offset = 0;
  do {
    const size_t length = raw.size() - offset < kStoredBlockMax ? raw.size() - offset : kStoredBlockMax;
    const bool last = offset + length == raw.size();
    zlib.push_back(last ? 1 : 0);  // BFINAL, BTYPE 00 (stored)
    zlib.push_back(static_cast<uint8_t>(length));
    zlib.push_back(static_cast<uint8_t>(length >> 8));
    zlib.push_back(static_cast<uint8_t>(~length));
    zlib.push_back(static_cast<uint8_t>(~length >> 8));
    zlib.insert(zlib.end(), raw.begin() + static_cast<ptrdiff_t>(offset),
                raw.begin() + static_cast<ptrdiff_t>(offset + length));
    offset += length;
  } while (offset < raw.size());
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
                  std::string* error) {
  const std::vector<uint8_t> png = EncodePng(pixels, width, height);
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

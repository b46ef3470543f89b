// Uncompressed BMP files: the header both the screen grab and the asset generator write,
// and the writer for pixels already packed to the file's depth.
#pragma once

#include <cstdint>

constexpr int32_t kBmpHeaderBytes = 54;  // the 14-byte file header and the 40-byte info header

struct BmpLayout {
  int32_t width = 0;
  int32_t height = 0;  // stored positive: rows bottom-up
  int32_t bitsPerPixel = 24;
  // Bytes between the headers and the pixels: an 8-bit file's palette, or a gap.
  int32_t paletteBytes = 0;
  int32_t pixelsPerMetre = 0;  // both directions
  // The pixel byte count in the info header; readers work it out when it is 0.
  bool recordsImageBytes = false;
};

// The bytes of width * bitsPerPixel / 8 per row, as many rows as the height (no padding:
// the readers here take only widths whose rows need none).
int64_t BmpImageBytes(const BmpLayout& layout);
// The whole file's size, headers, palette and pixels.
int64_t BmpFileBytes(const BmpLayout& layout);
// Fills the 54 header bytes; fields the layout does not set are 0 (no compression, every
// palette colour used).
void EncodeBmpHeader(const BmpLayout& layout, uint8_t header[kBmpHeaderBytes]);

enum class BmpSaveStatus : int32_t {
  kSaved = 0,
  kUnsupportedDepth = 1,   // bits per pixel other than 8, 16, 24: no file touched
  kWriteFailed = 2,        // the file could not be created or written: no file left
  kInvalidSize = 3,        // width or height not positive, or a file over 2 GiB
};

// One line describing a status, for the error output and the tests' messages.
const char* BmpSaveStatusText(BmpSaveStatus status);

// Writes an uncompressed BMP. pixels: top row first, rows of width * bitsPerPixel / 8 bytes
// with no padding (the rows are stored bottom-up and unpadded, as given). palette: 256
// four-byte entries for 8 bits (zeros if null), ignored otherwise; other depths get four
// zero bytes in its place. 2000 pixels per metre. Replaces an existing file of that name.
BmpSaveStatus BMP_Save(const char* fileName, const uint8_t* pixels, int32_t width, int32_t height,
                 int32_t bitsPerPixel, const uint8_t* palette);

// source: `count` 0x00RRGGBB pixels; destination: 3 * count bytes, blue, green, red per
// pixel (the top byte is dropped). A count of 0 or less writes nothing.
void PackRGB24(const uint32_t* source, uint8_t* destination, int32_t count);

// The BMP reader: decodes an uncompressed 24-bit or 8-bit BMP held in memory.
//
// Files under data/ are untrusted, so every header field is checked before it is used:
// the reader never reads outside the buffer it is given, never allocates by a size that
// overflows or exceeds kBmpMaxSide x kBmpMaxSide pixels, and reports every failure as a
// status. It never ends the process; that policy belongs to its callers (Surface::Load).
// Pure and allocation-only, so it can be fuzzed directly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// Status codes. 0 to 4 are the loader's historical codes; 5 covers a header that the
// historical loader trusted blindly (sizes, offsets, a file shorter than its pixels).
enum class BmpStatus : int32_t {
  kLoaded = 0,
  kNotBmp = 1,          // cannot be opened or read, or does not start with "BM"
  kBadDepth = 2,        // bits per pixel neither 24 nor 8
  kCompressed = 3,      // compression field not 0
  kWidthNotMultipleOf4 = 4,
  kDamaged = 5,         // impossible sizes or offsets, or pixels missing from the file
};

// One line describing a status, for the error output and the tests' messages.
const char* BmpStatusText(BmpStatus status);

// Largest width and height accepted. Every image of the demo is far smaller.
constexpr int32_t kBmpMaxSide = 16384;
// Largest file the loaders read into memory: the biggest legal picture plus headers.
constexpr size_t kBmpMaxFileBytes = size_t{kBmpMaxSide} * kBmpMaxSide * 3 + (1u << 20);

struct DecodedBmp {
  std::unique_ptr<uint8_t[]> pixels;   // width * height * bitsPerPixel / 8 bytes, top row first
  std::unique_ptr<uint8_t[]> palette;  // 1024 bytes (blue, green, red, 0) for 8 bits, else null
  int32_t width = 0;
  int32_t height = 0;                  // always positive on success
  int32_t bitsPerPixel = 0;            // 24 or 8 on success
  const char* trace = nullptr;         // the loader's trace text for a failure, or null
};

// Decodes `size` bytes at `data`. On BmpStatus::kLoaded every field of `out` is set; on failure
// `out` holds no buffers, and width, height and bitsPerPixel hold what the header said
// up to the failing check (as the loader stores them field by field).
//
// An 8-bit palette is read from just after the info header (whatever its size), with
// as many entries as the header says are used (256 when it says 0); missing entries
// are black. Rows are copied so that memory row 0 is the top of the picture.
BmpStatus DecodeBmp(const uint8_t* data, size_t size, DecodedBmp* out);

// Reads a whole file into a new buffer of at most kBmpMaxFileBytes bytes.
// Returns false if it cannot be opened or read or is larger than that.
bool ReadBmpFile(const char* fileName, std::unique_ptr<uint8_t[]>* bytes, size_t* size);

// ReadBmpFile then DecodeBmp: kNotBmp (and `out` holding no buffers) when the file cannot
// be read, else what DecodeBmp says.
BmpStatus LoadBmpFile(const char* fileName, DecodedBmp* out);

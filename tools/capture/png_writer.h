// PNG pictures without a compression library: 8-bit RGB, stored or compressed.
//
// Stored (the capture's frames): the image data in stored deflate blocks, unfiltered, as
// large as the raw picture (393 KB for 512 x 256) but written at the speed of a copy.
// Compressed (the pictures committed with the documentation): each row filtered with the
// PNG filter that leaves the smallest differences, then deflated with the fixed codes
// (deflate.h). Either way the bytes depend only on the pixels, so two runs of the same
// frames are identical files, whatever the compiler.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class PngPacking { kStored, kCompressed };

// The PNG file of `width` x `height` pixels 0x00RRGGBB (stride `width`, top row first; the
// top byte is ignored). width and height are 1 to 65535.
std::vector<uint8_t> EncodePng(const uint32_t* pixels, int32_t width, int32_t height,
                               PngPacking packing = PngPacking::kStored);

// Writes EncodePng's bytes to `path` (replacing it); false with a reason on failure.
bool WritePngFile(const std::string& path, const uint32_t* pixels, int32_t width, int32_t height,
                  std::string* error, PngPacking packing = PngPacking::kStored);

// The checksums PNG and zlib use, exposed for the tests' reader: CRC-32 (continued from
// `crc`, 0 to start) and Adler-32.
uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0);
uint32_t Adler32(const uint8_t* data, size_t size);

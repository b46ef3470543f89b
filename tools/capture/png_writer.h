// PNG frames without a compression library: 8-bit RGB, image data in stored deflate blocks.
//
// Stored blocks make the file about as large as the raw picture (393 KB for 512 x 256),
// but the writer is a page of code, needs nothing else, and the bytes depend only on the
// pixels, so two captures of the same frames are identical files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The PNG file of `width` x `height` pixels 0x00RRGGBB (stride `width`, top row first; the
// top byte is ignored). width and height are 1 to 65535.
std::vector<uint8_t> EncodePng(const uint32_t* pixels, int32_t width, int32_t height);

// Writes EncodePng's bytes to `path` (replacing it); false with a reason on failure.
bool WritePngFile(const std::string& path, const uint32_t* pixels, int32_t width, int32_t height,
                  std::string* error);

// The checksums PNG and zlib use, exposed for the tests' reader: CRC-32 (continued from
// `crc`, 0 to start) and Adler-32.
uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0);
uint32_t Adler32(const uint8_t* data, size_t size);

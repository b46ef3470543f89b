// Screen grabs: the current frame as a numbered 24-bit BMP file, and the BMP writer.
//
// Demo::ScreenGrab (declared in app/demo.h) packs the frame buffer to 3-byte pixels and
// writes "grab_%d.bmp" in the working directory, numbered from GrabCounter (1 in every run;
// it advances even when the file cannot be written). The file is 393274 bytes: a 14-byte
// file header, a 40-byte info header, four zero bytes, then 256 rows of 1536 bytes, bottom
// row first, each pixel blue, green, red.
#pragma once

#include <cstdint>

extern int32_t GrabCounter;

// source: `count` 0x00RRGGBB pixels; destination: 3 * count bytes, blue, green, red per
// pixel (the top byte is dropped). A count of 0 or less writes nothing.
void PackRGB24(const uint32_t* source, uint8_t* destination, int32_t count);

enum : int32_t {
  kBmpSaved = 0,
  kBmpUnsupportedDepth = 1,   // bits per pixel other than 8, 16, 24: no file touched
  kBmpWriteFailed = 2,        // the file could not be created or written: no file left
  kBmpInvalidSize = 3,        // width or height not positive, or a file over 2 GiB
};

// Writes an uncompressed BMP. pixels: top row first, rows of width * bitsPerPixel / 8 bytes
// with no padding (the rows are stored bottom-up and unpadded, as given). palette: 256
// four-byte entries for 8 bits (zeros if null), ignored otherwise; other depths get four
// zero bytes in its place. Replaces an existing file of that name.
int32_t BMP_Save(const char* fileName, const uint8_t* pixels, int32_t width, int32_t height,
                 int32_t bitsPerPixel, const uint8_t* palette);

// Surface: a picture loaded from a BMP file, held as 32-bit 0x00RRGGBB pixels.
//
// Scenes construct their surfaces from file names when they start and destroy them
// when they end. Construction from a file either returns a loaded image or ends the
// process through FatalError with "Impossible de charger l'Surface : <name> !!\n".
// After construction from a file (or a default construction followed by Load):
//   pixels  width * height words 0x00RRGGBB (top byte 0), top row first, stride width;
//   depth   32; palette null.
// The surface owns pixels and palette and frees both; it cannot be copied.
//
// BMP_Load alone leaves the file's own bytes in `pixels` (3 per pixel, blue, green, red,
// for 24 bits; 1 palette index per pixel for 8 bits; top row first), read through
// reinterpret_cast<const uint8_t*>(pixels), with depth 24 or 8. Load finishes the job.
#pragma once

#include <cstdint>

#include "image/bmp_reader.h"

class Surface {
 public:
  Surface();
  explicit Surface(const char* fileName);
  virtual ~Surface();
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;

  // Loads the file and converts it to 32 bits (8-bit files through their palette).
  // Any failure is fatal, with the message naming the file.
  void Load(const char* fileName);

  // Reads the file's pixels and header into this surface, replacing what it held.
  // On failure pixels and palette are null.
  BmpStatus BMP_Load(const char* fileName);

  // Converts width * height 3-byte pixels (blue, green, red) into 0x00RRGGBB words.
  void Convert24To32(const uint8_t* source, uint32_t* destination);

  uint32_t* pixels;
  int32_t width;
  int32_t height;
  int32_t depth;
  uint8_t* palette;  // 256 entries of blue, green, red, reserved; 8-bit files only

 private:
  void Release();
};

// Reads a BMP file without a Surface: the same checks and statuses as Surface::BMP_Load,
// and no trace. On success *pixels holds the file's pixel bytes (top row first) and
// *palette a 1024-byte table for 8 bits or null for 24; both are new[] arrays that the
// caller frees with delete[]. On failure both are null and nothing is allocated.
BmpStatus BMP_LoadRaw(const char* fileName, uint8_t** pixels, int32_t* width, int32_t* height,
                    int32_t* bitsPerPixel, uint8_t** palette);

// word i = byte(3i + 2) << 16 | byte(3i + 1) << 8 | byte(3i): blue, green, red bytes to
// 0x00RRGGBB. Does nothing when count is 0 or less.
void ConvertBuffer24To32(const uint8_t* source, uint32_t* destination, int32_t count);

// word i = the palette entry of index byte i (blue, green, red, reserved) as 0x00RRGGBB.
// Does nothing when count is 0 or less.
void ConvertBuffer8To32(const uint8_t* source, const uint8_t* palette, uint32_t* destination,
                        int32_t count);

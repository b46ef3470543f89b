// Surface: a picture loaded from a BMP file, held as 32-bit 0x00RRGGBB pixels.
//
// Scenes construct their surfaces from file names when they start and destroy them
// when they end. Construction from a file either returns a loaded image or ends the
// process through FatalError with "Impossible de charger l'Surface : <name> !!\n".
// A loaded surface holds:
//   pixels  width * height words 0x00RRGGBB (top byte 0), top row first, stride width;
//   depth   32.
// The file's own bytes never reach `pixels`: a surface is built from the decoded image
// (bmp_reader.h), 24-bit pixels converted and 8-bit ones looked up in their palette. The
// surface owns its pixels; it can be moved but not copied.
#pragma once

#include <cstdint>
#include <vector>

#include "image/bmp_reader.h"

class Surface {
 public:
  Surface();
  explicit Surface(const char* fileName);
  // The decoded image in 32 bits; empty when the image holds no pixels (a failed decode).
  explicit Surface(const DecodedBmp& image);
  virtual ~Surface();
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;
  Surface(Surface&&) = default;
  Surface& operator=(Surface&&) = default;

  // Loads the file; any failure is fatal, with the message naming the file.
  void Load(const char* fileName);

  // Loads the file without the fatal policy, replacing what the surface held. On failure
  // pixels is empty, depth 0, and width and height hold what the header said up to the
  // failing check.
  BmpStatus BMP_Load(const char* fileName);

  std::vector<uint32_t> pixels;
  int32_t width = 0;
  int32_t height = 0;
  int32_t depth = 0;
};

// word i = byte(3i + 2) << 16 | byte(3i + 1) << 8 | byte(3i): blue, green, red bytes to
// 0x00RRGGBB. Does nothing when count is 0 or less.
void ConvertBuffer24To32(const uint8_t* source, uint32_t* destination, int32_t count);

// word i = the palette entry of index byte i (blue, green, red, reserved) as 0x00RRGGBB.
// Does nothing when count is 0 or less.
void ConvertBuffer8To32(const uint8_t* source, const uint8_t* palette, uint32_t* destination,
                        int32_t count);

// Pictures for the documentation: frames and panels put side by side, halved, marked up.
//
// A Picture is width x height pixels 0x00RRGGBB, top row first, stride width, owned. The
// operations are plain integer arithmetic, so the same calls give the same pixels from
// any compiler.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Picture {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> pixels;

  Picture() = default;
  Picture(int32_t pictureWidth, int32_t pictureHeight, uint32_t colour = 0);
  // A copy of a 512 x 256 frame.
  static Picture FromFrame(const uint32_t* frame);
  uint32_t& At(int32_t x, int32_t y) { return pixels[static_cast<size_t>(y) * width + x]; }
  uint32_t At(int32_t x, int32_t y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Half the size: each 2 x 2 block becomes its rounded mean, channel by channel (odd last
// rows and columns are dropped).
Picture Halve(const Picture& picture);
// Each pixel becomes a `factor` x `factor` square (factor >= 1).
Picture Magnify(const Picture& picture, int32_t factor);
// The part of `picture` from (x, y), `width` x `height`, which must lie inside it.
Picture Crop(const Picture& picture, int32_t x, int32_t y, int32_t width, int32_t height);
// Copies `part` into `sheet` with its top-left pixel at (x, y); what falls outside is dropped.
void Paste(Picture* sheet, const Picture& part, int32_t x, int32_t y);
// Panels in a row-major grid of `columns`, `gap` pixels of `background` between them and
// around them. Every panel takes the size of the first.
Picture Tile(const std::vector<Picture>& panels, int32_t columns, int32_t gap, uint32_t background);
// Mixes `colour` into the pixel at (x, y) by amount / 256 (0..256), if it lies inside.
void MixPixel(Picture* picture, int32_t x, int32_t y, uint32_t colour, int32_t amount);

// Writes the picture as a compressed PNG; false with a reason on failure.
bool WritePicture(const std::string& path, const Picture& picture, std::string* error);

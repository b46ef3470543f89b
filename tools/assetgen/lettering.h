// Anti-aliased text through FreeType, drawn into coverage masks.
//
// Fonts come from the Debian package fonts-dejavu-core. A Lettering object opens one
// face; Draw renders a UTF-8 line with kerning at a pixel size into a mask, its left end
// of the baseline at (x, baseline). Measure gives the advance width and the ink extent
// so callers can centre or fit text. Rendering uses FreeType's grey (8-bit) rasteriser,
// which is deterministic for the same library and font file.
#pragma once

#include <string>

#include "tools/assetgen/raster.h"

namespace assetgen {

inline constexpr const char* kFontDirectory = "/usr/share/fonts/truetype/dejavu/";

struct TextExtent {
  int advance = 0;  // pen travel in pixels
  int top = 0;      // highest ink row relative to the baseline (negative is above)
  int bottom = 0;   // lowest ink row relative to the baseline
  int left = 0;     // first ink column relative to the pen start
  int right = 0;    // one past the last ink column
};

class Lettering {
 public:
  // `fontFile` is a file name inside kFontDirectory, e.g. "DejaVuSans-Bold.ttf".
  explicit Lettering(const char* fontFile);
  ~Lettering();
  Lettering(const Lettering&) = delete;
  Lettering& operator=(const Lettering&) = delete;

  bool ok() const { return face_ != nullptr; }
  // `tracking` adds that many pixels between letters.
  TextExtent Measure(const std::string& text, int pixelSize, int tracking = 0);
  void Draw(Mask& mask, const std::string& text, int pixelSize, int x, int baseline, int tracking = 0);
  // Draws the text centred horizontally on `centreX`.
  void DrawCentred(Mask& mask, const std::string& text, int pixelSize, int centreX, int baseline, int tracking = 0);

 private:
  TextExtent Run(Mask* mask, const std::string& text, int pixelSize, int x, int baseline, int tracking);
  void* library_ = nullptr;  // FT_Library
  void* face_ = nullptr;     // FT_Face
};

}  // namespace assetgen

// FreeType glyph rendering into masks.
#include "tools/assetgen/lettering.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <climits>
#include <string>

namespace assetgen {
namespace {

// Decodes one UTF-8 sequence at text[i], advancing i; malformed bytes read as '?'.
uint32_t NextCodePoint(const std::string& text, size_t& i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i++);
  if (lead < 0x80) return lead;
  int extra = 0;
  uint32_t code = 0;
  if ((lead & 0xE0) == 0xC0) {
    extra = 1;
    code = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2;
    code = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3;
    code = lead & 0x07;
  } else {
    return '?';
  }
  for (int k = 0; k < extra; ++k) {
    if (i >= text.size() || (byte(i) & 0xC0) != 0x80) return '?';
    code = (code << 6) | (byte(i++) & 0x3F);
  }
  return code;
}

}  // namespace

Lettering::Lettering(const char* fontFile) {
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) return;
  library_ = library;
  const std::string path = std::string(kFontDirectory) + fontFile;
  FT_Face face = nullptr;
  if (FT_New_Face(library, path.c_str(), 0, &face) != 0) return;
  face_ = face;
}

Lettering::~Lettering() {
  if (face_) FT_Done_Face(static_cast<FT_Face>(face_));
  if (library_) FT_Done_FreeType(static_cast<FT_Library>(library_));
}

TextExtent Lettering::Run(Mask* mask, const std::string& text, int pixelSize, int x, int baseline, int tracking) {
  TextExtent extent;
  if (!face_) return extent;
  FT_Face face = static_cast<FT_Face>(face_);
  FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelSize));
  extent.top = INT_MAX;
  extent.bottom = INT_MIN;
  extent.left = INT_MAX;
  extent.right = INT_MIN;
  int pen = 0;  // in 26.6
  FT_UInt previous = 0;
  for (size_t i = 0; i < text.size();) {
    const FT_UInt glyph = FT_Get_Char_Index(face, NextCodePoint(text, i));
    if (previous && glyph && FT_HAS_KERNING(face)) {
      FT_Vector kerning;
      if (FT_Get_Kerning(face, previous, glyph, FT_KERNING_DEFAULT, &kerning) == 0) pen += static_cast<int>(kerning.x);
    }
    if (FT_Load_Glyph(face, glyph, FT_LOAD_DEFAULT) != 0 || FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) != 0) {
      previous = glyph;
      continue;
    }
    const FT_GlyphSlot slot = face->glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    const int originX = (pen + 32) / 64 + slot->bitmap_left;
    const int originY = -slot->bitmap_top;
    if (bitmap.width > 0 && bitmap.rows > 0) {
      extent.left = std::min(extent.left, originX);
      extent.right = std::max(extent.right, originX + static_cast<int>(bitmap.width));
      extent.top = std::min(extent.top, originY);
      extent.bottom = std::max(extent.bottom, originY + static_cast<int>(bitmap.rows));
      if (mask) {
        for (unsigned row = 0; row < bitmap.rows; ++row)
          for (unsigned column = 0; column < bitmap.width; ++column) {
            const unsigned char value = bitmap.buffer[static_cast<long>(row) * bitmap.pitch + column];
            if (value)
              mask->Max(x + originX + static_cast<int>(column), baseline + originY + static_cast<int>(row),
                        static_cast<float>(value) / 255.0f);
          }
      }
    }
    pen += static_cast<int>(slot->advance.x) + tracking * 64;
    previous = glyph;
  }
  extent.advance = (pen + 32) / 64;
  if (extent.left == INT_MAX) extent = TextExtent{extent.advance, 0, 0, 0, 0};
  return extent;
}

TextExtent Lettering::Measure(const std::string& text, int pixelSize, int tracking) {
  return Run(nullptr, text, pixelSize, 0, 0, tracking);
}

void Lettering::Draw(Mask& mask, const std::string& text, int pixelSize, int x, int baseline, int tracking) {
  Run(&mask, text, pixelSize, x, baseline, tracking);
}

void Lettering::DrawCentred(Mask& mask, const std::string& text, int pixelSize, int centreX, int baseline,
                            int tracking) {
  const TextExtent extent = Measure(text, pixelSize, tracking);
  const int inkWidth = extent.right - extent.left;
  Run(&mask, text, pixelSize, centreX - inkWidth / 2 - extent.left, baseline, tracking);
}

}  // namespace assetgen

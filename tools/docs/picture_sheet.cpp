// Panels, halving, magnifying and marking for the documentation's pictures.
#include "tools/docs/picture_sheet.h"

#include <cstring>

#include "core/frame_buffer.h"
#include "tools/capture/png_writer.h"

namespace {

uint32_t Channel(uint32_t pixel, int32_t shift) { return (pixel >> shift) & 0xFF; }

}  // namespace

Picture::Picture(int32_t pictureWidth, int32_t pictureHeight, uint32_t colour)
    : width(pictureWidth), height(pictureHeight),
      pixels(static_cast<size_t>(pictureWidth) * static_cast<size_t>(pictureHeight), colour) {}

Picture Picture::FromFrame(const uint32_t* frame) {
  Picture picture(kFrameWidth, kFrameHeight);
  std::memcpy(picture.pixels.data(), frame, kFrameBytes);
  return picture;
}

Picture Halve(const Picture& picture) {
  Picture half(picture.width / 2, picture.height / 2);
  for (int32_t y = 0; y < half.height; ++y) {
    for (int32_t x = 0; x < half.width; ++x) {
      const uint32_t corners[4] = {picture.At(2 * x, 2 * y), picture.At(2 * x + 1, 2 * y),
                                   picture.At(2 * x, 2 * y + 1), picture.At(2 * x + 1, 2 * y + 1)};
      uint32_t mean = 0;
      for (const int32_t shift : {16, 8, 0}) {
        uint32_t sum = 2;  // rounds the mean to nearest
        for (const uint32_t corner : corners) sum += Channel(corner, shift);
        mean |= (sum / 4) << shift;
      }
      half.At(x, y) = mean;
    }
  }
  return half;
}

Picture Magnify(const Picture& picture, int32_t factor) {
  Picture large(picture.width * factor, picture.height * factor);
  for (int32_t y = 0; y < large.height; ++y)
    for (int32_t x = 0; x < large.width; ++x) large.At(x, y) = picture.At(x / factor, y / factor);
  return large;
}

Picture Crop(const Picture& picture, int32_t x, int32_t y, int32_t width, int32_t height) {
  Picture part(width, height);
  for (int32_t row = 0; row < height; ++row)
    std::memcpy(&part.At(0, row), picture.pixels.data() + static_cast<size_t>(y + row) * picture.width + x,
                static_cast<size_t>(width) * 4);
  return part;
}

void Paste(Picture* sheet, const Picture& part, int32_t x, int32_t y) {
  for (int32_t row = 0; row < part.height; ++row) {
    const int32_t sheetY = y + row;
    if (sheetY < 0 || sheetY >= sheet->height) continue;
    for (int32_t column = 0; column < part.width; ++column) {
      const int32_t sheetX = x + column;
      if (sheetX >= 0 && sheetX < sheet->width) sheet->At(sheetX, sheetY) = part.At(column, row);
    }
  }
}

Picture Tile(const std::vector<Picture>& panels, int32_t columns, int32_t gap, uint32_t background) {
  if (panels.empty() || columns < 1) return Picture();
  const int32_t count = static_cast<int32_t>(panels.size());
  const int32_t rows = (count + columns - 1) / columns;
  const int32_t usedColumns = count < columns ? count : columns;
  const int32_t panelWidth = panels[0].width;
  const int32_t panelHeight = panels[0].height;
  Picture sheet(usedColumns * (panelWidth + gap) + gap, rows * (panelHeight + gap) + gap, background);
  for (int32_t index = 0; index < count; ++index) {
    Paste(&sheet, panels[index], gap + (index % columns) * (panelWidth + gap),
          gap + (index / columns) * (panelHeight + gap));
  }
  return sheet;
}

void MixPixel(Picture* picture, int32_t x, int32_t y, uint32_t colour, int32_t amount) {
  if (x < 0 || y < 0 || x >= picture->width || y >= picture->height) return;
  uint32_t& pixel = picture->At(x, y);
  uint32_t mixed = 0;
  for (const int32_t shift : {16, 8, 0}) {
    const int32_t from = static_cast<int32_t>(Channel(pixel, shift));
    const int32_t to = static_cast<int32_t>(Channel(colour, shift));
    mixed |= static_cast<uint32_t>(from + (to - from) * amount / 256) << shift;
  }
  pixel = mixed;
}

bool WritePicture(const std::string& path, const Picture& picture, std::string* error) {
  return WritePngFile(path, picture.pixels.data(), picture.width, picture.height, error, PngPacking::kCompressed);
}

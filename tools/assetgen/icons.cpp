// The program's icons: the emblem cropped to its ring and resampled by area.
#include "tools/assetgen/icons.h"

#include <algorithm>

#include "tools/assetgen/images.h"

namespace assetgen {
namespace {

// The emblem's ring has its outer edge at radius 102 around the tile's centre and a glow of
// six pixels beyond: this square holds all of it.
constexpr int kCropSide = 216;
constexpr int kCropLeft = (256 - kCropSide) / 2;

}  // namespace

Canvas ResampleSquare(const Canvas& source, int left, int top, int side, int size) {
  Canvas out(size, size);
  const double step = static_cast<double>(side) / size;  // source pixels per icon pixel
  for (int y = 0; y < size; ++y) {
    const double y0 = top + y * step, y1 = y0 + step;
    for (int x = 0; x < size; ++x) {
      const double x0 = left + x * step, x1 = x0 + step;
      double r = 0, g = 0, b = 0;
      for (int sy = static_cast<int>(y0); sy < y1 && sy < top + side; ++sy) {
        const double height = std::min<double>(sy + 1, y1) - std::max<double>(sy, y0);
        for (int sx = static_cast<int>(x0); sx < x1 && sx < left + side; ++sx) {
          const double weight = height * (std::min<double>(sx + 1, x1) - std::max<double>(sx, x0));
          const Colour& c = source.At(sx, sy);
          r += c.r * weight;
          g += c.g * weight;
          b += c.b * weight;
        }
      }
      const double area = step * step;
      out.At(x, y) = {static_cast<float>(r / area), static_cast<float>(g / area), static_cast<float>(b / area)};
    }
  }
  return out;
}

Canvas MakeIcon(int size) { return ResampleSquare(Emblem(), kCropLeft, kCropLeft, kCropSide, size); }

}  // namespace assetgen

// Float canvases, masks, a few anti-aliased primitives, tiling noise and the BMP encoder.
#include "tools/assetgen/raster.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "image/bmp_writer.h"

namespace assetgen {

Colour Mix(Colour a, Colour b, float t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Colour Scale(Colour c, float k) { return {c.r * k, c.g * k, c.b * k}; }

Canvas::Canvas(int width, int height)
    : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height) {}

void Canvas::Add(int x, int y, Colour c, float amount) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  Colour& p = At(x, y);
  p.r += c.r * amount;
  p.g += c.g * amount;
  p.b += c.b * amount;
}

void Canvas::Blend(int x, int y, Colour c, float alpha) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  Colour& p = At(x, y);
  p = Mix(p, c, alpha);
}

void Canvas::Fill(Colour c) { std::fill(pixels_.begin(), pixels_.end(), c); }

void Canvas::AddCanvas(const Canvas& other, int x, int y, float amount) {
  for (int row = 0; row < other.height(); ++row)
    for (int column = 0; column < other.width(); ++column)
      Add(x + column, y + row, other.At(column, row), amount);
}

void Canvas::Clamp() {
  for (Colour& p : pixels_) {
    p.r = std::clamp(p.r, 0.0f, 1.0f);
    p.g = std::clamp(p.g, 0.0f, 1.0f);
    p.b = std::clamp(p.b, 0.0f, 1.0f);
  }
}

int Canvas::LitPixelCount() const {
  int count = 0;
  for (const Colour& p : pixels_)
    if (Quantise(p.r) || Quantise(p.g) || Quantise(p.b)) ++count;
  return count;
}

namespace {

// One box-blur pass along rows (horizontal) or columns; outside counts as 0.
std::vector<float> BoxPass(const std::vector<float>& in, int width, int height, int radius, bool horizontal) {
  std::vector<float> out(in.size(), 0.0f);
  const int length = horizontal ? width : height;
  const int lines = horizontal ? height : width;
  const float scale = 1.0f / static_cast<float>(2 * radius + 1);
  for (int line = 0; line < lines; ++line) {
    auto index = [&](int i) {
      return horizontal ? static_cast<size_t>(line) * width + i : static_cast<size_t>(i) * width + line;
    };
    double sum = 0.0;
    for (int i = -radius; i <= radius; ++i)
      if (i >= 0 && i < length) sum += in[index(i)];
    for (int i = 0; i < length; ++i) {
      out[index(i)] = static_cast<float>(sum) * scale;
      const int leaving = i - radius;
      const int entering = i + radius + 1;
      if (leaving >= 0) sum -= in[index(leaving)];
      if (entering < length) sum += in[index(entering)];
    }
  }
  return out;
}

// Coverage of one pixel by a predicate over 4 x 4 sub-samples.
template <typename Inside>
float Coverage(int x, int y, Inside inside) {
  int hits = 0;
  for (int sy = 0; sy < 4; ++sy)
    for (int sx = 0; sx < 4; ++sx)
      if (inside(x + (sx + 0.5) / 4.0, y + (sy + 0.5) / 4.0)) ++hits;
  return static_cast<float>(hits) / 16.0f;
}

template <typename Inside>
void Rasterise(Mask& mask, double x0, double y0, double x1, double y1, Inside inside) {
  const int left = std::max(0, static_cast<int>(std::floor(x0)) - 1);
  const int top = std::max(0, static_cast<int>(std::floor(y0)) - 1);
  const int right = std::min(mask.width() - 1, static_cast<int>(std::ceil(x1)) + 1);
  const int bottom = std::min(mask.height() - 1, static_cast<int>(std::ceil(y1)) + 1);
  for (int y = top; y <= bottom; ++y)
    for (int x = left; x <= right; ++x) mask.Max(x, y, Coverage(x, y, inside));
}

uint32_t Hash(uint32_t x, uint32_t y, uint32_t seed) {
  uint32_t h = x * 0x8DA6B343u ^ y * 0xD8163841u ^ seed * 0xCB1AB31Fu;
  h ^= h >> 13;
  h *= 0x5BD1E995u;
  h ^= h >> 15;
  return h;
}

double Lattice(int x, int y, int period, uint32_t seed) {
  const int wx = ((x % period) + period) % period;
  const int wy = ((y % period) + period) % period;
  return static_cast<double>(Hash(static_cast<uint32_t>(wx), static_cast<uint32_t>(wy), seed) & 0xFFFF) / 65535.0;
}

}  // namespace

Mask BlurMask(const Mask& mask, int radius) {
  std::vector<float> values(static_cast<size_t>(mask.width()) * mask.height());
  for (int y = 0; y < mask.height(); ++y)
    for (int x = 0; x < mask.width(); ++x) values[static_cast<size_t>(y) * mask.width() + x] = mask.Get(x, y);
  for (int pass = 0; pass < 3; ++pass) {
    values = BoxPass(values, mask.width(), mask.height(), radius, true);
    values = BoxPass(values, mask.width(), mask.height(), radius, false);
  }
  Mask out(mask.width(), mask.height());
  for (int y = 0; y < mask.height(); ++y)
    for (int x = 0; x < mask.width(); ++x) out.At(x, y) = values[static_cast<size_t>(y) * mask.width() + x];
  return out;
}

Mask DilateMask(const Mask& mask, int radius) {
  Mask out(mask.width(), mask.height());
  for (int y = 0; y < mask.height(); ++y)
    for (int x = 0; x < mask.width(); ++x) {
      float best = 0.0f;
      for (int dy = -radius; dy <= radius; ++dy)
        for (int dx = -radius; dx <= radius; ++dx) {
          if (dx * dx + dy * dy > radius * radius) continue;
          best = std::max(best, mask.Get(x + dx, y + dy));
        }
      out.At(x, y) = best;
    }
  return out;
}

Mask OutlineMask(const Mask& mask, int thickness) {
  Mask out(mask.width(), mask.height());
  for (int y = 0; y < mask.height(); ++y)
    for (int x = 0; x < mask.width(); ++x) {
      if (mask.Get(x, y) < 0.5f) continue;
      bool nearEdge = false;
      for (int dy = -thickness; dy <= thickness && !nearEdge; ++dy)
        for (int dx = -thickness; dx <= thickness; ++dx) {
          if (dx * dx + dy * dy > thickness * thickness) continue;
          if (mask.Get(x + dx, y + dy) < 0.5f) {
            nearEdge = true;
            break;
          }
        }
      if (nearEdge) out.At(x, y) = 1.0f;
    }
  return out;
}

void PaintGradient(Canvas& canvas, const Mask& mask, int x, int y, Colour top, Colour bottom) {
  const float span = static_cast<float>(std::max(1, mask.height() - 1));
  for (int row = 0; row < mask.height(); ++row) {
    const Colour c = Mix(top, bottom, static_cast<float>(row) / span);
    for (int column = 0; column < mask.width(); ++column) {
      const float a = mask.Get(column, row);
      if (a > 0.0f) canvas.Blend(x + column, y + row, c, a);
    }
  }
}

void AddMask(Canvas& canvas, const Mask& mask, int x, int y, Colour colour, float amount) {
  for (int row = 0; row < mask.height(); ++row)
    for (int column = 0; column < mask.width(); ++column) {
      const float a = mask.Get(column, row);
      if (a > 0.0f) canvas.Add(x + column, y + row, colour, a * amount);
    }
}

void DrawDisc(Mask& mask, double cx, double cy, double radius) {
  Rasterise(mask, cx - radius, cy - radius, cx + radius, cy + radius, [&](double px, double py) {
    return (px - cx) * (px - cx) + (py - cy) * (py - cy) <= radius * radius;
  });
}

void DrawRing(Mask& mask, double cx, double cy, double radius, double thickness) {
  const double outer = radius + thickness / 2, inner = radius - thickness / 2;
  Rasterise(mask, cx - outer, cy - outer, cx + outer, cy + outer, [&](double px, double py) {
    const double d2 = (px - cx) * (px - cx) + (py - cy) * (py - cy);
    return d2 <= outer * outer && d2 >= inner * inner;
  });
}

void DrawLine(Mask& mask, double x0, double y0, double x1, double y1, double thickness) {
  const double half = thickness / 2;
  const double dx = x1 - x0, dy = y1 - y0;
  const double length2 = std::max(1e-12, dx * dx + dy * dy);
  Rasterise(mask, std::min(x0, x1) - half, std::min(y0, y1) - half, std::max(x0, x1) + half,
            std::max(y0, y1) + half, [&](double px, double py) {
              const double t = std::clamp(((px - x0) * dx + (py - y0) * dy) / length2, 0.0, 1.0);
              const double ex = x0 + t * dx - px, ey = y0 + t * dy - py;
              return ex * ex + ey * ey <= half * half;
            });
}

void DrawPolygon(Mask& mask, const std::vector<double>& xy) {
  double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
  for (size_t i = 0; i + 1 < xy.size(); i += 2) {
    x0 = std::min(x0, xy[i]);
    x1 = std::max(x1, xy[i]);
    y0 = std::min(y0, xy[i + 1]);
    y1 = std::max(y1, xy[i + 1]);
  }
  const size_t n = xy.size() / 2;
  Rasterise(mask, x0, y0, x1, y1, [&](double px, double py) {
    bool inside = false;
    for (size_t i = 0, j = n - 1; i < n; j = i++) {
      const double xi = xy[2 * i], yi = xy[2 * i + 1], xj = xy[2 * j], yj = xy[2 * j + 1];
      if ((yi > py) != (yj > py) && px < (xj - xi) * (py - yi) / (yj - yi) + xi) inside = !inside;
    }
    return inside;
  });
}

uint8_t Quantise(float value) {
  const float clamped = std::clamp(value, 0.0f, 1.0f);
  return static_cast<uint8_t>(static_cast<int>(clamped * 255.0f + 0.5f));
}

std::vector<uint8_t> EncodeBmp(const Canvas& canvas) {
  BmpLayout layout;
  layout.width = canvas.width();
  layout.height = canvas.height();
  layout.pixelsPerMetre = 2835;  // 72 dpi
  layout.recordsImageBytes = true;
  std::vector<uint8_t> out(kBmpHeaderBytes);
  out.reserve(static_cast<size_t>(BmpFileBytes(layout)));
  EncodeBmpHeader(layout, out.data());
  for (int y = canvas.height() - 1; y >= 0; --y)
    for (int x = 0; x < canvas.width(); ++x) {
      const Colour& p = canvas.At(x, y);
      out.push_back(Quantise(p.b));
      out.push_back(Quantise(p.g));
      out.push_back(Quantise(p.r));
    }
  return out;
}

bool WriteBmp(const std::string& path, const Canvas& canvas) {
  if (canvas.width() % 4 != 0) return false;
  const std::vector<uint8_t> bytes = EncodeBmp(canvas);
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

double TileNoise(double x, double y, int period, uint32_t seed) {
  const double fx = std::floor(x), fy = std::floor(y);
  const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
  const double tx = x - fx, ty = y - fy;
  const double sx = tx * tx * (3 - 2 * tx), sy = ty * ty * (3 - 2 * ty);
  const double a = Lattice(ix, iy, period, seed), b = Lattice(ix + 1, iy, period, seed);
  const double c = Lattice(ix, iy + 1, period, seed), d = Lattice(ix + 1, iy + 1, period, seed);
  return (a + (b - a) * sx) + ((c + (d - c) * sx) - (a + (b - a) * sx)) * sy;
}

double TileFractal(double x, double y, int period, int octaves, uint32_t seed) {
  double sum = 0, amplitude = 0.5, total = 0;
  for (int octave = 0; octave < octaves; ++octave) {
    sum += TileNoise(x, y, period, seed + static_cast<uint32_t>(octave) * 977u) * amplitude;
    total += amplitude;
    x *= 2;
    y *= 2;
    period *= 2;
    amplitude *= 0.5;
  }
  return sum / total;
}

}  // namespace assetgen

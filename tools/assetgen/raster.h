// Float RGB canvases for the generated images, with the few drawing operations they need.
//
// A Canvas holds width x height pixels of three floats (red, green, blue), nominally
// 0..1, top row first. Drawing is additive or alpha-blended in float; only WriteBmp
// quantises, clamping each channel to 0..255 with rounding. Everything here is plain
// arithmetic on doubles/floats with no randomness, so the same calls give the same bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace assetgen {

struct Colour {
  float r = 0, g = 0, b = 0;
};

Colour Mix(Colour a, Colour b, float t);
Colour Scale(Colour c, float k);

class Canvas {
 public:
  Canvas(int width, int height);
  int width() const { return width_; }
  int height() const { return height_; }
  Colour& At(int x, int y) { return pixels_[static_cast<size_t>(y) * width_ + x]; }
  const Colour& At(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }
  // Adds `c` scaled by `amount` to one pixel; coordinates outside are ignored.
  void Add(int x, int y, Colour c, float amount);
  // Blends towards `c` by `alpha` (0..1); coordinates outside are ignored.
  void Blend(int x, int y, Colour c, float alpha);
  void Fill(Colour c);
  // Pastes `other` at (x, y), each pixel added.
  void AddCanvas(const Canvas& other, int x, int y, float amount = 1.0f);
  // Channel-wise max(0, min(1, v)).
  void Clamp();
  // How many pixels would quantise to something other than pure black.
  int LitPixelCount() const;

 private:
  int width_, height_;
  std::vector<Colour> pixels_;
};

// A coverage mask (0..1 per pixel), the shape lettering and figures are drawn into.
class Mask {
 public:
  Mask(int width, int height) : width_(width), height_(height), values_(static_cast<size_t>(width) * height, 0.0f) {}
  int width() const { return width_; }
  int height() const { return height_; }
  float Get(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0.0f;
    return values_[static_cast<size_t>(y) * width_ + x];
  }
  float& At(int x, int y) { return values_[static_cast<size_t>(y) * width_ + x]; }
  void Max(int x, int y, float v) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    float& slot = At(x, y);
    if (v > slot) slot = v;
  }

 private:
  int width_, height_;
  std::vector<float> values_;
};

// Blurs a mask with three box passes of the given radius in each direction (close to a
// Gaussian of sigma ~ radius); pixels outside count as 0.
Mask BlurMask(const Mask& mask, int radius);
// Grows (positive) the mask by taking the maximum over a disc of the given radius.
Mask DilateMask(const Mask& mask, int radius);
// The mask's ring: inside `mask` (>= 0.5) but within `thickness` of its edge.
Mask OutlineMask(const Mask& mask, int thickness);

// Paints `mask` into `canvas` at (x, y) with a vertical gradient from `top` to `bottom`
// over the mask's own height, alpha-blended by coverage.
void PaintGradient(Canvas& canvas, const Mask& mask, int x, int y, Colour top, Colour bottom);
// Adds `colour` x coverage x `amount` (a glow layer).
void AddMask(Canvas& canvas, const Mask& mask, int x, int y, Colour colour, float amount);

// Filled anti-aliased disc and ring into a mask (4 x 4 supersampling).
void DrawDisc(Mask& mask, double cx, double cy, double radius);
void DrawRing(Mask& mask, double cx, double cy, double radius, double thickness);
// Anti-aliased thick line segment into a mask.
void DrawLine(Mask& mask, double x0, double y0, double x1, double y1, double thickness);
// Filled polygon (even-odd) into a mask, 4 x 4 supersampled.
void DrawPolygon(Mask& mask, const std::vector<double>& xy);

// Uncompressed 24-bit BMP, rows stored bottom-up; the width must be a multiple of 4
// (which also makes rows need no padding). False if the file cannot be written.
bool WriteBmp(const std::string& path, const Canvas& canvas);
// The BMP bytes themselves.
std::vector<uint8_t> EncodeBmp(const Canvas& canvas);
// One channel quantised like WriteBmp does.
uint8_t Quantise(float value);

// Deterministic value noise that tiles with period `period` (in lattice cells) in both
// directions; smooth (cubic), range 0..1. The lattice is hashed from `seed`.
double TileNoise(double x, double y, int period, uint32_t seed);
// Sum of octaves of TileNoise, each doubling the period, halving the amplitude; range ~0..1.
double TileFractal(double x, double y, int period, int octaves, uint32_t seed);

}  // namespace assetgen

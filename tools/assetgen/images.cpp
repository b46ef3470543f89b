// Procedural pictures: swarm shapes, logos, textures, sprites and flash strips.
#include "tools/assetgen/images.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <tuple>
#include <utility>

#include "core/exp.h"
#include "core/trig.h"
#include "tools/assetgen/lettering.h"

namespace assetgen {
namespace {

constexpr double kPi = 3.14159265358979323846;

// Powers by multiplication: exact to the rounding of each product on every target.
double Square(double x) { return x * x; }
double Cube(double x) { return x * x * x; }

constexpr const char* kBoldFont = "DejaVuSans-Bold.ttf";
constexpr const char* kRegularFont = "DejaVuSans.ttf";
constexpr const char* kCondensedBoldFont = "DejaVuSansCondensed-Bold.ttf";
constexpr const char* kSerifItalicFont = "DejaVuSerif-Italic.ttf";

float Smooth(double edge0, double edge1, double x) {
  const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
  return static_cast<float>(t * t * (3 - 2 * t));
}

// Lettering with a soft coloured halo and a vertical gradient face: the halo is the text
// blurred twice (wide and tight), the face is blended on top.
void GlowText(Canvas& canvas, Lettering& font, const std::string& text, int size, int centreX, int baseline,
              Colour top, Colour bottom, Colour glow, float glowAmount, int tracking = 0) {
  Mask mask(canvas.width(), canvas.height());
  font.DrawCentred(mask, text, size, centreX, baseline, tracking);
  const int wide = std::max(2, size / 6);
  AddMask(canvas, BlurMask(mask, wide), 0, 0, glow, glowAmount);
  AddMask(canvas, BlurMask(mask, std::max(1, wide / 3)), 0, 0, glow, glowAmount * 0.8f);
  // The face's gradient spans the ink of the letters only, not the whole canvas.
  const TextExtent extent = font.Measure(text, size, tracking);
  const int inkTop = baseline + extent.top, inkBottom = baseline + extent.bottom;
  for (int y = std::max(0, inkTop); y < std::min(canvas.height(), inkBottom); ++y) {
    const Colour c = Mix(top, bottom, static_cast<float>(y - inkTop) / static_cast<float>(std::max(1, inkBottom - inkTop - 1)));
    for (int x = 0; x < canvas.width(); ++x) {
      const float a = mask.Get(x, y);
      if (a > 0.0f) canvas.Blend(x, y, c, a);
    }
  }
}

// Thin horizontal rule that fades out towards both ends.
void Rule(Canvas& canvas, int x0, int x1, int y, Colour colour) {
  for (int x = x0; x < x1; ++x) {
    const double t = static_cast<double>(x - x0) / std::max(1, x1 - x0 - 1);
    const float fade = static_cast<float>(Sin(t * kPi));
    canvas.Add(x, y, colour, fade);
    canvas.Add(x, y - 1, colour, fade * 0.25f);
    canvas.Add(x, y + 1, colour, fade * 0.25f);
  }
}

// ---------------------------------------------------------------- swarm shapes

// Converts a mask to a pure black-and-white 320 x 200 picture (coverage >= 0.5 is lit).
Canvas Threshold(const Mask& mask) {
  Canvas canvas(mask.width(), mask.height());
  for (int y = 0; y < mask.height(); ++y)
    for (int x = 0; x < mask.width(); ++x)
      if (mask.Get(x, y) >= 0.5f) canvas.At(x, y) = {1, 1, 1};
  return canvas;
}

// The swarm's shapes keep to image rows kShapeTop..kShapeBottom: row r lands on frame row
// r x 256 / 200, below the group logo's lettering (frame rows 0..75). Strokes are about
// 9 pixels wide, the width of the 16-pixel particle sprite once the image is stretched, so
// 200 dots cover them instead of piling up.
constexpr int kShapeTop = 66, kShapeBottom = 195, kShapeMiddle = (kShapeTop + kShapeBottom) / 2;
constexpr int kShapeStroke = 9;

// A three-glyph word, the demo's initials, in solid letters of the regular weight, whose
// stems are about a stroke wide: the largest size that fits the rows and the dot budget.
Mask WordShape() {
  Lettering font(kRegularFont);
  const std::string text = "Z2K";
  for (int size = 160;; --size) {
    const TextExtent e = font.Measure(text, size, 10);
    if (size > 40 && (e.right - e.left > 280 || e.bottom - e.top > kShapeBottom - kShapeTop)) continue;
    Mask filled(320, 200);
    font.DrawCentred(filled, text, size, 160, kShapeMiddle - (e.top + e.bottom) / 2, 10);
    int lit = 0;
    for (int y = 0; y < 200; ++y)
      for (int x = 0; x < 320; ++x) lit += filled.Get(x, y) >= 0.5f;
    if (lit <= 5200 || size <= 40) return filled;
  }
}

// A bold five-pointed star, drawn as its outline.
Mask StarShape() {
  std::vector<double> points;
  for (int i = 0; i < 10; ++i) {
    const double angle = -kPi / 2 + i * kPi / 5;
    const double radius = (i % 2 == 0) ? 68 : 28;
    points.push_back(160 + radius * Cos(angle));
    points.push_back(kShapeMiddle + 8 + radius * Sin(angle));
  }
  Mask filled(320, 200);
  DrawPolygon(filled, points);
  return OutlineMask(filled, kShapeStroke);
}

// A heart, drawn as its outline.
Mask HeartShape() {
  std::vector<double> points;
  for (int i = 0; i < 180; ++i) {
    const double t = 2 * kPi * i / 180;
    const double x = 16 * Cube(Sin(t));
    const double y = 13 * Cos(t) - 5 * Cos(2 * t) - 2 * Cos(3 * t) - Cos(4 * t);
    points.push_back(160 + 4.0 * x);
    points.push_back(kShapeMiddle - 8 - 4.0 * y);
  }
  Mask filled(320, 200);
  DrawPolygon(filled, points);
  return OutlineMask(filled, kShapeStroke + 2);
}

// ---------------------------------------------------------------- particles scene

Canvas ParticleSprite() {
  Canvas canvas(16, 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      const double dx = x - 7.5, dy = y - 7.5;
      const double r = std::sqrt(dx * dx + dy * dy) / 7.5;
      if (r >= 1.0) continue;
      const double halo = (1 - r) * (1 - r);
      const double core = Exp(-r * r * 18.0);
      canvas.At(x, y) = {static_cast<float>(halo * 0.35 + core * 0.65), static_cast<float>(halo * 0.55 + core * 0.6),
                         static_cast<float>(halo * 0.9 + core * 0.55)};
    }
  canvas.Clamp();
  return canvas;
}

Canvas GroupLogo() {
  Canvas canvas(512, 76);
  Lettering bold(kBoldFont), italic(kSerifItalicFont);
  GlowText(canvas, bold, "TIN ORCHARD", 38, 256, 44, {1.0f, 0.93f, 0.62f}, {0.95f, 0.45f, 0.12f},
           {0.15f, 0.35f, 0.9f}, 0.9f, 4);
  Rule(canvas, 40, 472, 56, {0.35f, 0.55f, 1.0f});
  GlowText(canvas, italic, "presents", 15, 256, 72, {0.8f, 0.85f, 1.0f}, {0.6f, 0.7f, 1.0f},
           {0.2f, 0.3f, 0.8f}, 0.5f, 1);
  canvas.Clamp();
  return canvas;
}

// ---------------------------------------------------------------- object scene

// Environment map indexed by the camera-space normal (u right, v down, radius 120 at a
// normal seen edge-on). The scene blurs the object into light rays, and the blur keeps a
// pixel's own light only from 44 up, so the map is dim (under 44) wherever the surface faces
// the camera, rises through a mid band that adds a level a step at most (so rays that start
// on a surface facing the camera never flood the picture), and is bright only at grazing
// normals, where the outline streams its rays: a pale gold rim light, warmer towards the
// upper right, and two small sharp highlights. Green stays close to red, so the rays never
// add up to a saturated red.
Canvas EnvironmentMap() {
  Canvas canvas(256, 256);
  for (int v = 0; v < 256; ++v)
    for (int u = 0; u < 256; ++u) {
      const double nx = (u - 127) / 120.0, ny = (127 - v) / 120.0;
      const double r = std::sqrt(nx * nx + ny * ny);
      if (r > 1.06) continue;  // never read for unit normals; texel 0, the fallback, stays black
      // Which side the normal turns to: 1 towards the lower left, 0 towards the upper right.
      const double side = r > 1e-9 ? 0.5 - 0.5 * (nx + ny) / (r * std::sqrt(2.0)) : 0.5;
      Colour c = Mix({0.1f, 0.04f, 0.07f}, {0.5f, 0.42f, 0.17f}, Smooth(0.3, 0.6, r));
      const Colour rim = Mix({0.8f, 0.66f, 0.38f}, {0.8f, 0.78f, 0.5f}, Smooth(0.3, 0.7, side));
      c = Mix(c, rim, Smooth(0.62, 0.9, r) * static_cast<float>(0.75 + 0.25 * std::abs(2 * side - 1)));
      for (const auto& [hx, hy, size] : {std::tuple{-0.5, -0.55, 0.08}, std::tuple{0.62, 0.42, 0.05}}) {
        const double dx = nx - hx, dy = ny - hy;
        c = Mix(c, {1.0f, 0.95f, 0.6f}, static_cast<float>(Exp(-(dx * dx + dy * dy) / (size * size))));
      }
      canvas.At(u, v) = c;
    }
  canvas.Clamp();
  return canvas;
}

// Four frames of 64 x 64, top to bottom: rings that grow outwards and fade; frame 4 would
// equal frame 0, so the loop is seamless.
Canvas RingAnimation() {
  Canvas canvas(64, 256);
  for (int frame = 0; frame < 4; ++frame)
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 64; ++x) {
        const double dx = x - 31.5, dy = y - 31.5;
        const double r = std::sqrt(dx * dx + dy * dy);
        double light = 0;
        for (int k = 0; k < 4; ++k) {
          const double ringRadius = (k + frame / 4.0) * 7.5 + 2.0;
          const double fade = 1.0 - ringRadius / 32.0;
          if (fade <= 0) continue;
          const double d = r - ringRadius;
          light += Exp(-d * d * 0.9) * fade;
        }
        const double edge = Smooth(31.5, 26.0, r);
        light *= edge;
        canvas.At(x, frame * 64 + y) = {static_cast<float>(light * 0.45), static_cast<float>(light * 0.85),
                                        static_cast<float>(light * 1.0)};
      }
  canvas.Clamp();
  return canvas;
}

// ---------------------------------------------------------------- ball scene

// The ball scene's camera stands at (c, s, c) x 5600 with c = cos(0.3 a), s = sin(0.3 a) at
// scene time a = clock seconds x kBallSpeed. The scene plays from about 61 to 85 s of the
// clock; at this speed the camera is then near its farthest, c close to -1, so the ball
// fills the middle of the view with its outline on both sides, and it turns slowly under
// the camera: about a radian in all, half of it each side of the longitude pi at which the
// texture's half turn folds back, so the point facing the camera stays within 30 degrees.
constexpr double kBallSpeed = 0.1434;
constexpr double kBallSceneFirstSecond = 60.0, kBallSceneLastSecond = 86.0;
// The corner ornament's 30 frames advance this many per unit of scene time: 7 a clock
// second, one slow loop in about 4.3 s.
constexpr double kOrnamentFramesPerSceneSecond = 50.0;

struct SpherePoint {
  double x, y, z;
};

// The sphere's points facing the camera over the scene: where its light rays start.
std::vector<SpherePoint> BallCentreTrack() {
  std::vector<SpherePoint> track;
  for (double second = kBallSceneFirstSecond; second <= kBallSceneLastSecond; second += 0.25) {
    const double a = second * kBallSpeed, c = Cos(0.3 * a), s = Sin(0.3 * a);
    const double length = std::sqrt(1.0 + c * c);
    track.push_back({c / length, s / length, c / length});
  }
  return track;
}

// The angle in radians between a texel's point on the sphere and the nearest point of the
// track. A texel shows two points, longitude +-column / 256 x pi (the texture covers half a
// turn, mirrored); its row is z / radius x 150, wrapping at 256, so rows 106..150 show both
// pole caps: here the one near the camera's path, z < 0 (the other is never seen).
double BallTrackAngle(const std::vector<SpherePoint>& track, double column, double row) {
  const double height = (row > 105.0 ? row - 256.0 : row) / 150.0;
  const double across = std::sqrt(std::max(0.0, 1.0 - height * height));
  const double longitude = column / 256.0 * kPi;
  double nearest = -1.0;
  for (const SpherePoint& p : track)
    for (const double side : {1.0, -1.0})
      nearest = std::max(nearest, across * Cos(longitude) * p.x + side * across * Sin(longitude) * p.y + height * p.z);
  nearest = std::clamp(nearest, -1.0, 1.0);
  return Atan2(std::sqrt(1.0 - nearest * nearest), nearest);
}

// The rays carry a pixel's light outwards losing one level a step; a channel of 44..86
// adds one back. So the ball's body sits in that band and passes the light of the ray
// centre on unchanged; three large dark islands (under 44) cast dark spokes; and towards
// the rim a rising share of texels under 44 lets the light run out before the outline, so
// the ball darkens gradually like a lit sphere and the black around it stays dark. No bright
// spot lies on the track: the centre texel starts every ray, and a bright one would flood
// them. Red stays low everywhere: no ray adds up to white.
Canvas BallTexture() {
  const std::vector<SpherePoint> track = BallCentreTrack();
  Canvas canvas(256, 256);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) {
      const double px = x + 0.5, py = y + 0.5;
      const double angle = BallTrackAngle(track, px, py) * 180.0 / kPi;
      const double height = (py > 105.0 ? py - 256.0 : py) / 150.0;
      const double longitude = px / 256.0 * kPi;
      Colour c = {0.15f, 0.3f, 0.335f};  // green 76, blue 85
      // Three islands round the middle of the track (longitude pi, height -0.71), 7 degrees
      // across, 15 to 20 degrees from it: in view all scene long, each casts a dark spoke.
      bool island = false;
      for (const auto& [islandLongitude, islandLatitude] :
           {std::pair{kPi - 0.3, -0.5}, std::pair{kPi - 0.12, -1.1}, std::pair{kPi - 0.42, -0.95}}) {
        const double across = std::sqrt(std::max(0.0, 1.0 - height * height));
        const double cosine = across * Cos(islandLatitude) * Cos(longitude - islandLongitude) + height * Sin(islandLatitude);
        island = island || cosine > Cos(7.0 * kPi / 180.0);
      }
      const uint32_t hash = (static_cast<uint32_t>(x) * 73856093u) ^ (static_cast<uint32_t>(y) * 19349663u);
      const double scatter = static_cast<double>((hash * 2654435761u) >> 16 & 0xFFFF) / 65536.0;
      if (island) c = {0.04f, 0.12f, 0.17f};
      else if (scatter < Smooth(8.0, 22.0, angle)) c = {0.04f, 0.1f, 0.13f};
      canvas.At(x, y) = c;
    }
  canvas.Clamp();
  return canvas;
}

// Thirty 64 x 64 frames, one loop: a gold eight-pointed star that turns by one point
// (45 degrees, so the loop closes) while it breathes, in a ring whose glow swells and ebbs
// with it, round a pulsing jewel.
Canvas OrnamentAnimation() {
  Canvas canvas(64, 64 * 30);
  for (int frame = 0; frame < 30; ++frame) {
    const double phase = frame / 30.0;
    const double pulse = 0.5 - 0.5 * Cos(2 * kPi * phase);  // 0 at the loop's ends, 1 halfway
    const double turn = phase * kPi / 4;
    std::vector<double> star;
    for (int i = 0; i < 16; ++i) {
      const double angle = turn + i * kPi / 8;
      const double radius = (i % 2 == 0) ? 21.0 + 4.0 * pulse : 8.5 + 1.0 * pulse;
      star.push_back(31.5 + radius * Cos(angle));
      star.push_back(31.5 + radius * Sin(angle));
    }
    Mask starMask(64, 64), ringMask(64, 64), jewel(64, 64);
    DrawPolygon(starMask, star);
    DrawRing(ringMask, 31.5, 31.5, 28.0, 1.6);
    DrawDisc(jewel, 31.5, 31.5, 3.0 + 1.5 * pulse);
    Canvas cell(64, 64);
    AddMask(cell, BlurMask(ringMask, 2), 0, 0, {1.0f, 0.45f, 0.15f}, static_cast<float>(0.5 + 0.9 * pulse));
    AddMask(cell, ringMask, 0, 0, {0.9f, 0.6f, 0.3f}, static_cast<float>(0.35 + 0.4 * pulse));
    AddMask(cell, BlurMask(starMask, 3), 0, 0, {1.0f, 0.55f, 0.2f}, static_cast<float>(0.45 + 0.35 * pulse));
    PaintGradient(cell, starMask, 0, 0, {1.0f, 0.9f, 0.55f}, {0.85f, 0.45f, 0.12f});
    PaintGradient(cell, OutlineMask(starMask, 1), 0, 0, {1.0f, 0.97f, 0.8f}, {1.0f, 0.75f, 0.4f});
    AddMask(cell, BlurMask(jewel, 1), 0, 0, {0.4f, 0.9f, 1.0f}, static_cast<float>(0.7 + 0.5 * pulse));
    // Black rim: the frames sit side by side in the corners.
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 64; ++x) cell.At(x, y) = Scale(cell.At(x, y), Smooth(32.0, 30.0, std::sqrt(Square(x - 31.5) + Square(y - 31.5))));
    cell.Clamp();
    canvas.AddCanvas(cell, 0, frame * 64);
  }
  canvas.Clamp();
  return canvas;
}

Canvas BallLogo() {
  Canvas canvas(128, 32);
  Lettering bold(kCondensedBoldFont);
  GlowText(canvas, bold, "BOULE", 22, 64, 24, {1, 1, 1}, {0.5f, 0.8f, 1}, {0.2f, 0.4f, 0.9f}, 0.6f, 2);
  canvas.Clamp();
  return canvas;
}

// ---------------------------------------------------------------- rippled plane

// Caustic light on deep water: sums of waves whose frequencies are whole numbers per
// texture width, so the pattern wraps exactly every 256 texels.
Canvas WaterTexture() {
  Canvas canvas(256, 256);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) {
      const double fx = x / 256.0 * 2 * kPi, fy = y / 256.0 * 2 * kPi;
      const double warpX = 0.6 * Sin(2 * fy + 1.3) + 0.3 * Sin(3 * fx + 3 * fy);
      const double warpY = 0.6 * Sin(2 * fx + 0.4) + 0.3 * Cos(3 * fx - 2 * fy);
      double caustic = 0;
      caustic += std::abs(Sin(3 * fx + warpX * 2));
      caustic += std::abs(Sin(3 * fy + warpY * 2));
      caustic += std::abs(Sin(2 * (fx + fy) + warpX + warpY));
      const double lines = Square(Square(1.0 - caustic / 3.0));
      const double depth = TileFractal(x / 32.0, y / 32.0, 8, 3, 5);
      Colour c = Mix({0.0f, 0.06f, 0.2f}, {0.02f, 0.25f, 0.4f}, static_cast<float>(depth));
      c = Mix(c, {0.6f, 1.0f, 0.95f}, static_cast<float>(std::min(1.0, lines * 2.2)));
      canvas.At(x, y) = c;
    }
  canvas.Clamp();
  return canvas;
}

// ---------------------------------------------------------------- zoom corridor

// Machined panels: a 4 x 4 grid of 64-texel plates with bevels, rivets and, on some
// plates, glowing slots. Plates line up with the texture's edges, so it tiles.
Canvas PanelTexture() {
  Canvas canvas(256, 256);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) {
      const int px = x / 64, py = y / 64;
      const int lx = x % 64, ly = y % 64;
      const uint32_t plate = static_cast<uint32_t>(px * 7 + py * 13);
      const double shade = 0.25 + 0.1 * static_cast<double>((plate * 2654435761u >> 28) & 3) / 3.0;
      const double grain = TileFractal(x / 16.0, y / 4.0, 16, 3, 77 + plate) * 0.12;
      Colour c = Scale({0.55f, 0.6f, 0.75f}, static_cast<float>(shade + grain));
      // Bevel: light on the top and left rims, dark on the bottom and right.
      if (lx < 3 || ly < 3) c = Mix(c, {0.85f, 0.9f, 1.0f}, 0.45f);
      if (lx > 60 || ly > 60) c = Scale(c, 0.35f);
      // Rivets.
      for (int corner = 0; corner < 4; ++corner) {
        const double cx = (corner & 1) ? 56.5 : 7.5, cy = (corner & 2) ? 56.5 : 7.5;
        const double d = std::sqrt((lx - cx) * (lx - cx) + (ly - cy) * (ly - cy));
        if (d < 2.8) c = Mix({0.9f, 0.92f, 1.0f}, {0.2f, 0.2f, 0.25f}, static_cast<float>(d / 2.8));
      }
      // Glowing slots on every other plate.
      if ((px + py) % 2 == 0 && lx >= 16 && lx < 48) {
        for (int slot = 0; slot < 3; ++slot) {
          const double centre = 22.5 + slot * 10;
          const double d = std::abs(ly - centre);
          if (d < 3.0) c = Mix(c, {1.0f, 0.55f, 0.15f}, static_cast<float>(1.0 - d / 3.0));
        }
      }
      canvas.At(x, y) = c;
    }
  canvas.Clamp();
  return canvas;
}

// ---------------------------------------------------------------- rotozoom and end

// The emblem's ground: a soft checkerboard with a diagonal gradient made of whole periods,
// so the tile repeats without seams; `level` at most 0.19 keeps every channel under 44,
// where the rays only carry light on: they fade over the ground and come from the figure.
Canvas EmblemGround(float level) {
  Canvas canvas(256, 256);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) {
      const double diagonal = 0.5 + 0.5 * Sin((x + y) / 256.0 * 2 * kPi);
      Colour c = Scale(Mix({0.25f, 0.05f, 0.35f}, {0.85f, 0.3f, 0.4f}, static_cast<float>(diagonal)), level);
      if (((x / 32) + (y / 32)) % 2 == 0) c = Scale(c, 0.6f);
      canvas.At(x, y) = c;
    }
  return canvas;
}

// The emblem's letter, a bold "Z" centred on the tile.
Mask EmblemLetter(int size) {
  Mask letter(256, 256);
  Lettering bold(kBoldFont);
  const TextExtent e = bold.Measure("Z", size);
  bold.DrawCentred(letter, "Z", size, 128, 128 - (e.top + e.bottom) / 2);
  return letter;
}

// The texel under the scene's ray centre, frame by frame over the phase's first 13 seconds
// of clock (it ends after about 12): the corners and the centre as the scene computes them.
std::vector<std::pair<double, double>> RotozoomCentreTrack() {
  std::vector<std::pair<double, double>> track;
  for (int frame = 0; frame < 13 * 60; ++frame) {
    const double t = frame / 60.0 * 0.6;
    const double cx = Cos(0.1 * t) * 100 + 1.2 * t + 64, cy = Sin(0.13 * t) * 100 + 1.4 * t + 64;
    const double leftX = cx + 256 * Cos(t + 4.71), leftY = cy + 256 * Sin(t + 4.71);  // top-left corner
    const double acrossX = cx + 256 * Cos(t) - leftX, acrossY = cy + 256 * Sin(t) - leftY;
    const double downX = cx + 256 * Cos(t + 3.14) - leftX, downY = cy + 256 * Sin(t + 3.14) - leftY;
    const double rayX = std::trunc(Cos(1.3 * t) * 140 + 256) + 1, rayY = std::trunc(Sin(1.1 * t) * 95 + 128) + 1;
    track.emplace_back(leftX + rayX * acrossX / 256 + rayY * downX / 256, leftY + rayX * acrossY / 256 + rayY * downY / 256);
  }
  return track;
}

// The rotozoom's tile: a thick, bright gold "Z" on a darker ground in a thin gold ring.
// Under the rays a pixel shows the light gained between it and the ray centre, so a figure
// reads where its light starts: the letter's face gains about four levels a step (red and
// green above 218, blue under 87, so no ray of it adds up to white) and starts sharp-edged
// bands on the black ground, while the faint ring only marks each tile.
Canvas RotozoomTile() {
  Canvas canvas = EmblemGround(0.12f);
  Mask ring(256, 256);
  DrawRing(ring, 128, 128, 100, 4);
  PaintGradient(canvas, ring, 0, 0, {0.75f, 0.62f, 0.12f}, {0.72f, 0.5f, 0.1f});
  PaintGradient(canvas, DilateMask(EmblemLetter(170), 1), 0, 0, {0.98f, 0.88f, 0.22f}, {0.96f, 0.64f, 0.1f});
  canvas.Clamp();
  return canvas;
}

// The ray centre starts every ray with the texel under it, so a bright line there lights
// the whole picture for as long as it crosses: along the centre's path the tile is kept
// dark, a notch of 4 texels each side where the path crosses a line.
Canvas RotozoomTexture() {
  const Canvas emblem = RotozoomTile();
  const std::vector<std::pair<double, double>> track = RotozoomCentreTrack();
  // The scene's ray centre wanders over the turning tile along a path fixed by the clock;
  // this shift of the tile (searched offline over the scene's first 17 seconds) puts the
  // tile's bright lines under it about half as often as the centred tile would.
  constexpr int kShiftX = 248, kShiftY = 148;
  Canvas shifted(256, 256);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) shifted.At((x + kShiftX) % 256, (y + kShiftY) % 256) = emblem.At(x, y);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) {
      double nearest = 1e9;
      for (const auto& [u, v] : track) {
        const double du = std::remainder(x + 0.5 - u, 256.0), dv = std::remainder(y + 0.5 - v, 256.0);
        nearest = std::min(nearest, du * du + dv * dv);
      }
      shifted.At(x, y) = Mix(Scale(shifted.At(x, y), 0.15f), shifted.At(x, y), Smooth(2.5, 4.5, std::sqrt(nearest)));
    }
  return shifted;
}

Canvas RotozoomOverlay() {
  Canvas canvas(200, 44);
  Lettering bold(kBoldFont), regular(kRegularFont);
  GlowText(canvas, bold, "ZELTO2K", 22, 100, 24, {1, 1, 1}, {1.0f, 0.75f, 0.4f}, {0.9f, 0.3f, 0.6f}, 0.8f, 3);
  Rule(canvas, 10, 190, 31, {1.0f, 0.6f, 0.8f});
  GlowText(canvas, regular, "tin orchard  \xC2\xB7  2000", 10, 100, 42, {0.9f, 0.9f, 1}, {0.8f, 0.8f, 1},
           {0.3f, 0.2f, 0.6f}, 0.4f, 1);
  canvas.Clamp();
  return canvas;
}

// Four bands of 25 rows, 512 wide: a bright bar with a wandering dashed core; each band
// shifts the dashes a quarter period, so played in turn they seem to slide.
Canvas FlashBars() {
  Canvas canvas(512, 100);
  for (int band = 0; band < 4; ++band)
    for (int row = 0; row < 25; ++row)
      for (int x = 0; x < 512; ++x) {
        const double d = (row - 12.0) / 12.0;
        const double profile = Exp(-d * d * 6.0);
        const double dash = 0.55 + 0.45 * Sin(x / 512.0 * 16 * kPi + band * kPi / 2);
        const double core = Exp(-d * d * 60.0) * dash;
        canvas.At(x, band * 25 + row) = {static_cast<float>(profile * 0.35 + core * 0.9),
                                         static_cast<float>(profile * 0.25 + core * 0.8),
                                         static_cast<float>(profile * 0.6 + core * 0.9)};
      }
  canvas.Clamp();
  return canvas;
}

// Eight frames of 64 x 80: a little level meter of eight bars whose heights follow
// fixed, interleaved sine phases, so the strip dances when its frames play in turn.
Canvas FlashMeter() {
  Canvas canvas(64, 640);
  for (int frame = 0; frame < 8; ++frame)
    for (int bar = 0; bar < 8; ++bar) {
      const double level = 0.35 + 0.3 * Sin(frame * kPi / 4 + bar * 1.7) + 0.25 * Sin(frame * kPi / 2 + bar * 0.9);
      const int height = std::clamp(static_cast<int>(level * 72), 6, 74);
      for (int y = 0; y < height; ++y) {
        if (y % 4 == 3) continue;  // segment gaps
        const float t = static_cast<float>(y) / 74.0f;
        const Colour c = Mix({0.2f, 0.8f, 1.0f}, {1.0f, 1.0f, 1.0f}, t);
        for (int x = 0; x < 6; ++x) canvas.At(bar * 8 + 1 + x, frame * 80 + 77 - y) = c;
      }
    }
  return canvas;
}

Canvas EndLogo() {
  Canvas canvas(512, 256);
  Lettering bold(kBoldFont), regular(kRegularFont), italic(kSerifItalicFont), condensed(kCondensedBoldFont);
  // The flashes add an animated strip over columns 448..511 of rows 0..79: the title, glow
  // included, ends before column 440 so the strip never covers a letter.
  const auto titleRight = [&](int size) {  // the ink's right end, centred on 256, plus the glow
    const TextExtent e = bold.Measure("ZELTO2K", size, 2);
    return 256 + (e.right - e.left) / 2 + size / 3;
  };
  int titleSize = 72;
  while (titleSize > 24 && titleRight(titleSize) > 430) --titleSize;
  GlowText(canvas, bold, "ZELTO2K", titleSize, 256, 92, {1.0f, 0.97f, 0.8f}, {1.0f, 0.45f, 0.15f},
           {0.9f, 0.25f, 0.45f}, 0.9f, 2);
  Rule(canvas, 60, 452, 108, {1.0f, 0.55f, 0.35f});
  GlowText(canvas, italic, "a Tin Orchard production", 17, 256, 132, {0.85f, 0.9f, 1.0f}, {0.6f, 0.75f, 1.0f},
           {0.2f, 0.3f, 0.8f}, 0.5f);
  const char* roles[] = {"code", "pixels", "music"};
  const char* names[] = {"Orrin Quill  &  Baskerfold", "Mossgrave", "Halcyne"};
  for (int line = 0; line < 3; ++line) {
    const int baseline = 164 + line * 22;
    Mask name(512, 256);
    const TextExtent e = condensed.Measure(roles[line], 13, 2);
    Mask roleShifted(512, 256);
    condensed.Draw(roleShifted, roles[line], 13, 236 - e.right, baseline, 2);
    regular.Draw(name, names[line], 15, 252, baseline);
    AddMask(canvas, BlurMask(roleShifted, 2), 0, 0, {0.9f, 0.4f, 0.2f}, 0.7f);
    PaintGradient(canvas, roleShifted, 0, 0, {1.0f, 0.7f, 0.4f}, {1.0f, 0.6f, 0.3f});
    AddMask(canvas, BlurMask(name, 2), 0, 0, {0.2f, 0.4f, 0.9f}, 0.6f);
    PaintGradient(canvas, name, 0, 0, {1, 1, 1}, {0.8f, 0.88f, 1.0f});
  }
  GlowText(canvas, italic, "thanks for watching", 13, 256, 246, {0.7f, 0.7f, 0.8f}, {0.5f, 0.5f, 0.65f},
           {0.2f, 0.2f, 0.5f}, 0.4f, 1);
  canvas.Clamp();
  return canvas;
}

}  // namespace

// The icons' emblem: the ring and the letter's outline glow orange and gold around a dark
// blue face; gold and orange hold little blue, so the icon never turns white.
Canvas Emblem() {
  Canvas canvas = EmblemGround(0.19f);
  Mask ring(256, 256);
  DrawRing(ring, 128, 128, 92, 10);
  AddMask(canvas, BlurMask(ring, 6), 0, 0, {1.0f, 0.6f, 0.2f}, 0.5f);
  PaintGradient(canvas, ring, 0, 0, {0.9f, 0.68f, 0.3f}, {0.86f, 0.4f, 0.08f});
  const Mask letter = EmblemLetter(150);
  AddMask(canvas, BlurMask(letter, 6), 0, 0, {0.15f, 0.3f, 0.7f}, 0.6f);
  PaintGradient(canvas, letter, 0, 0, {0.26f, 0.3f, 0.35f}, {0.16f, 0.2f, 0.34f});
  PaintGradient(canvas, OutlineMask(letter, 5), 0, 0, {0.86f, 0.76f, 0.4f}, {0.84f, 0.58f, 0.24f});
  canvas.Clamp();
  return canvas;
}

bool MakeImages(std::vector<ImageFile>* images, std::string* error) {
  images->clear();
  const Mask shapes[3] = {WordShape(), StarShape(), HeartShape()};
  const char* shapeNames[3] = {"particules/forme.bmp", "particules/forme2.bmp", "particules/forme3.bmp"};
  for (int i = 0; i < 3; ++i) {
    Canvas canvas = Threshold(shapes[i]);
    const int lit = canvas.LitPixelCount();
    if (lit < kMinimumLitPixels || lit > kMaximumLitPixels) {
      if (error) *error = std::string(shapeNames[i]) + ": lit pixel count " + std::to_string(lit) + " out of range";
      return false;
    }
    images->push_back({shapeNames[i], std::move(canvas)});
  }
  images->push_back({"particules/light2.bmp", ParticleSprite()});
  images->push_back({"zellogo.bmp", GroupLogo()});
  images->push_back({"3d/env_neg.bmp", EnvironmentMap()});
  images->push_back({"boule/anim_cercle2.bmp", RingAnimation()});
  images->push_back({"boule/boule_tex.bmp", BallTexture()});
  images->push_back({"boule/anim_octet.bmp", OrnamentAnimation()});
  images->push_back({"boule/boule_logo.bmp", BallLogo()});
  images->push_back({"boule/tex7c.bmp", WaterTexture()});
  images->push_back({"zoom/texture1.bmp", PanelTexture()});
  images->push_back({"rotozoom/texture.bmp", RotozoomTexture()});
  images->push_back({"boule/under.bmp", RotozoomOverlay()});
  images->push_back({"rotozoom/bigfiltre2.bmp", FlashBars()});
  images->push_back({"rotozoom/bigfiltre.bmp", FlashMeter()});
  images->push_back({"logofin.bmp", EndLogo()});
  for (const ImageFile& image : *images)
    if (image.canvas.width() % 4 != 0) {
      if (error) *error = image.path + ": width not a multiple of 4";
      return false;
    }
  return true;
}

std::string BallSettingsText() {
  const auto FormatSpeed = [](double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4f\n", value);
    return std::string(text);
  };
  return std::string("; ball scene: texture, corner animation (30 frames), logo, then the two speeds\n"
         "[boule_text]\n"
         "data/boule/boule_tex.bmp\n"
         "[anim_octet]\n"
         "data/boule/anim_octet.bmp\n"
         "[boule_logo]\n"
         "data/boule/boule_logo.bmp\n") +
         "[boule_vitesse]\n" +
         FormatSpeed(kBallSpeed) +
         "[anim_speed]\n" +
         FormatSpeed(kOrnamentFramesPerSceneSecond);
}

}  // namespace assetgen

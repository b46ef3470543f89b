// The rotozoom and end scene: the texture mapper, the rotozoom phase and the end logo.
#include "scenes/rotozoom_scene.h"

#include <cmath>
#include <cstring>

#include "core/fixed_point.h"
#include "core/frame_buffer.h"
#include "core/trig.h"
#include "image/blit_additive.h"
#include "image/radial_blur.h"
#include "image/rotozoom_row.h"
#include "image/surface.h"
#include "image/vertical_smear.h"
#include "scenes/flash.h"
#include "scenes/scene_host.h"
#include "scenes/scene_images.h"
#include "scenes/scene_table.h"
#include "scenes/scenes.h"

namespace {

constexpr int32_t kRotozoomEnd = SceneEnd(kRotozoomScene);
constexpr int32_t kDemoEnd = kEndLogoEndPosition;

constexpr const char* kTextureFile = "data/rotozoom/texture.bmp";
constexpr const char* kOverlayFile = "data/boule/under.bmp";
constexpr const char* kBarFile = "data/rotozoom/bigfiltre2.bmp";
constexpr const char* kStripFile = "data/rotozoom/bigfiltre.bmp";
constexpr const char* kEndLogoFile = "data/logofin.bmp";

void DrawRotozoomFrame(uint32_t* frame, const Surface& texture, const Surface& overlay) {
  const double t = host::SceneSeconds() * 0.6;
  const double cx = Cos(0.1 * t) * 100.0 + 1.2 * t + 64.0;
  const double cy = Sin(0.13 * t) * 100.0 + 1.4 * t + 64.0;
  // Corners at the literal angle offsets 1.57, 3.14 and 4.71 (not multiples of pi / 2).
  const TexturePoint k0{cx + 256.0 * Cos(t), cy + 256.0 * Sin(t)};
  const TexturePoint k1{cx + 256.0 * Cos(t + 1.57), cy + 256.0 * Sin(t + 1.57)};
  const TexturePoint k2{cx + 256.0 * Cos(t + 3.14), cy + 256.0 * Sin(t + 3.14)};
  const TexturePoint k3{cx + 256.0 * Cos(t + 4.71), cy + 256.0 * Sin(t + 4.71)};
  RotozoomMap(texture.pixels.data(), frame, k3, k0, k1, k2);
  RadialBlur(frame, TruncateToInt32(Cos(1.3 * t) * 140.0 + 256.0),
             TruncateToInt32(Sin(1.1 * t) * 95.0 + 128.0));
  BlitAdditive(overlay.pixels.data(), overlay.width, overlay.height, frame, kFrameWidth - overlay.width, 0);
}

// One end-logo frame; `counter` is the flash counter n, advanced here.
void DrawEndLogoFrame(uint32_t* frame, const Surface& logo, const Surface& strip, const Surface& bar,
                      int32_t* counter) {
  const double t = host::SceneSeconds();
  std::memset(frame, 0, kFrameBytes);
  BlitAdditive(logo.pixels.data(), logo.width, logo.height, frame, 0, 0);
  // One pulse per 6.04 s.
  const double c = Cos(t * kPulseSpeed * kFlashPulseScale + kPulsePhase);
  if (c > 0.9) DrawFlash(frame, strip, bar, *counter);
  if (*counter > 200) *counter = 0;
  *counter += 1;
  VerticalSmear(frame, static_cast<float>(c * 0.48 + 0.5));
}

}  // namespace

void RotozoomMap(const uint32_t* texture, uint32_t* frame, TexturePoint topLeft, TexturePoint topRight,
                 TexturePoint /*bottomRight*/, TexturePoint bottomLeft) {
  // Unsigned 20.12 so that the running sums wrap; bits 12..19 are the same whichever
  // way the shift treats the sign. The texture plane is unbounded, so the conversions
  // wrap (low 32 bits of the 64-bit truncation) instead of saturating.
  uint32_t rowU = static_cast<uint32_t>(TruncateWrap32(topLeft.x * kFixed12One));
  uint32_t rowV = static_cast<uint32_t>(TruncateWrap32(topLeft.y * kFixed12One));
  const uint32_t columnStepU = static_cast<uint32_t>(TruncateWrap32((topRight.x - topLeft.x) * kFixed12One / 256.0));
  const uint32_t columnStepV = static_cast<uint32_t>(TruncateWrap32((topRight.y - topLeft.y) * kFixed12One / 256.0));
  const uint32_t rowStepU = static_cast<uint32_t>(TruncateWrap32((bottomLeft.x - topLeft.x) * kFixed12One / 256.0));
  const uint32_t rowStepV = static_cast<uint32_t>(TruncateWrap32((bottomLeft.y - topLeft.y) * kFixed12One / 256.0));
  uint32_t* row = frame;
  for (int y = 0; y < kFrameHeight; ++y) {
    rowU += rowStepU;
    rowV += rowStepV;
    RotozoomRow(texture, row, rowU, rowV, columnStepU, columnStepV);
    row += kFrameWidth;
  }
}

void RotozoomScene(uint32_t* frame) {
  // Locals are destroyed in the reverse order of construction: end logo, strip, bar,
  // overlay, texture.
  const Surface texture(kTextureFile);
  RequireImageSize(texture, kTextureFile, 256, 256);
  const Surface overlay(kOverlayFile);
  const Surface bar(kBarFile);
  RequireImageSize(bar, kBarFile, kBarWidth, kBarFrameRows * kBarFrames);
  const Surface strip(kStripFile);
  RequireImageSize(strip, kStripFile, kStripWidth, kStripFrameRows * kStripFrames);

  host::RestartSceneClock();
  while (host::SongPosition() < kRotozoomEnd) {
    DrawRotozoomFrame(frame, texture, overlay);
    host::ShowFrame(frame);
  }

  const Surface logo(kEndLogoFile);
  host::RestartSceneClock();
  int32_t counter = 0;
  while (host::SongPosition() < kDemoEnd) {
    DrawEndLogoFrame(frame, logo, strip, bar, &counter);
    host::ShowFrame(frame);
  }
}

// The warm-up: each pixel routine once on scratch frames, the demo's state untouched.
#include "scenes/warm_up.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/frame_buffer.h"
#include "engine3d/texture_triangle.h"
#include "image/blit_additive.h"
#include "image/grid_mapper.h"
#include "image/invert_frame.h"
#include "image/radial_blur.h"
#include "image/rotozoom_row.h"
#include "image/vertical_smear.h"
#include "scenes/particle_pull.h"

namespace {

constexpr int32_t kTextureSide = 256;  // the textures of the grid mapper, rotozoom and triangles
constexpr int32_t kParticles = 512;
constexpr int32_t kTargets = 64;

// A pattern with every channel busy, so no routine takes a shortcut for black.
void FillPattern(std::vector<uint32_t>* pixels, int32_t width) {
  for (size_t i = 0; i < pixels->size(); ++i) {
    const uint32_t x = static_cast<uint32_t>(i % static_cast<size_t>(width));
    const uint32_t y = static_cast<uint32_t>(i / static_cast<size_t>(width));
    (*pixels)[i] = ((x * 3) & 0xFF) << 16 | ((y * 5) & 0xFF) << 8 | ((x ^ y) & 0xFF);
  }
}

// The grid mapper on a plain grid, its process-wide arrays kept as the demo left them.
void WarmUpGridMapper(const uint32_t* texture, uint32_t* frame) {
  const std::vector<int32_t> u(GridU, GridU + kGridVertices), v(GridV, GridV + kGridVertices),
      light(GridLight, GridLight + kGridVertices);
  for (int32_t column = 0; column < kGridColumns; ++column) {
    for (int32_t row = 0; row < kGridRows; ++row) {
      const int32_t vertex = column * kGridRows + row;
      GridU[vertex] = column << 19;
      GridV[vertex] = row << 19;
      GridLight[vertex] = (vertex % 3 == 0) ? kGridLightMissMarker : ((column + row) & 0xFF) << 8;
    }
  }
  GridMap(texture, frame);
  GridMapMasked(texture, frame);
  std::copy(u.begin(), u.end(), GridU);
  std::copy(v.begin(), v.end(), GridV);
  std::copy(light.begin(), light.end(), GridLight);
}

}  // namespace

extern "C" void WarmUpPixelRoutines() {
  std::vector<uint32_t> frame(kFramePixels);
  std::vector<uint32_t> texture(static_cast<size_t>(kTextureSide) * kTextureSide);
  FillPattern(&frame, kFrameWidth);
  FillPattern(&texture, kTextureSide);

  BlitAdditive(texture.data(), kTextureSide, kTextureSide, frame.data(), 100, -40);
  RadialBlur(frame.data(), kFrameWidth / 2, kFrameHeight / 2);
  VerticalSmear(frame.data(), 0.25f);
  InvertFrame(frame.data());
  for (int32_t y = 0; y < kFrameHeight; ++y)
    RotozoomRow(texture.data(), frame.data() + static_cast<size_t>(y) * kFrameWidth, 0, static_cast<uint32_t>(y) << 12,
                0x0E00, 0x0300);
  WarmUpGridMapper(texture.data(), frame.data());
  // A large triangle and a row of small ones, as the object and ball scenes draw them.
  TextureTriangle(texture.data(), frame.data(), 10, 5, 500, 40, 200, 250, 0, 0, 254, 20, 120, 254);
  for (int32_t x = 0; x < kFrameWidth - 8; x += 8)
    TextureTriangle(texture.data(), frame.data(), x, 100, x + 8, 101, x + 3, 108, 0, 0, 8, 0, 4, 8);

  std::vector<float> x(kParticles), y(kParticles), targetXs(kTargets), targetYs(kTargets);
  for (int32_t i = 0; i < kParticles; ++i) {
    x[i] = static_cast<float>(i % kFrameWidth);
    y[i] = static_cast<float>((i * 7) % kFrameHeight);
  }
  for (int32_t j = 0; j < kTargets; ++j) {
    targetXs[j] = static_cast<float>(j * 8);
    targetYs[j] = static_cast<float>(j * 3 + 1);
  }
  std::vector<double> pullX(kParticles), pullY(kParticles);
  ParticlePulls(kParticles, x.data(), y.data(), targetXs.data(), targetYs.data(), kTargets, pullX.data(),
                pullY.data());
}

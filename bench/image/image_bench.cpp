// Per-call cost of the frame routines on the 512 x 256 frame, beside a memcpy of the
// frame (the floor any whole-frame pass pays) and SDL's additive blit (a peer).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "bench/peers/sdl_blit/sdl_additive_blit.h"
#include "core/frame_buffer.h"
#include "image/blit_additive.h"
#include "image/flash_limiter.h"
#include "image/grid_mapper.h"
#include "image/invert_frame.h"
#include "image/radial_blur.h"
#include "image/vertical_smear.h"
#include "scenes/rotozoom_scene.h"

namespace {

std::vector<uint32_t> RandomPixels(size_t count, uint32_t seed) {
  std::mt19937 generator(seed);
  std::vector<uint32_t> pixels(count);
  for (uint32_t& p : pixels) p = generator() & 0x00FFFFFF;
  return pixels;
}

// Dim random pixels, so repeated additive blits take a while to saturate.
std::vector<uint32_t> DimPixels(size_t count, uint32_t seed) {
  std::vector<uint32_t> pixels = RandomPixels(count, seed);
  for (uint32_t& p : pixels) p &= 0x000F0F0F;
  return pixels;
}

void Memcpy(benchmark::State& state) {
  const std::vector<uint32_t> source = RandomPixels(kFramePixels, 1);
  std::vector<uint32_t> frame(kFramePixels);
  for (auto _ : state) {
    std::memcpy(frame.data(), source.data(), kFrameBytes);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(Memcpy);

// range(0) is the sprite side: 64 for a 64 x 64 sprite, 0 for a full 512 x 256 source.
void BlitAdditiveBench(benchmark::State& state) {
  const int32_t width = state.range(0) ? state.range(0) : kFrameWidth;
  const int32_t height = state.range(0) ? state.range(0) : kFrameHeight;
  const std::vector<uint32_t> source = DimPixels(static_cast<size_t>(width) * height, 2);
  std::vector<uint32_t> frame = DimPixels(kFramePixels, 3);
  const int32_t x = state.range(0) ? 200 : 0, y = state.range(0) ? 100 : 0;
  for (auto _ : state) {
    BlitAdditive(source.data(), width, height, frame.data(), x, y);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BlitAdditiveBench)->Name("BlitAdditive")->Arg(64)->Arg(0);

void SdlBlitAdd(benchmark::State& state) {
  const int32_t width = state.range(0) ? state.range(0) : kFrameWidth;
  const int32_t height = state.range(0) ? state.range(0) : kFrameHeight;
  const std::vector<uint32_t> source = DimPixels(static_cast<size_t>(width) * height, 2);
  std::vector<uint32_t> frame = DimPixels(kFramePixels, 3);
  SdlAdditiveBlit peer(source.data(), width, height, frame.data());
  if (!peer.Ready()) {
    state.SkipWithError("SDL could not wrap the buffers");
    return;
  }
  const int32_t x = state.range(0) ? 200 : 0, y = state.range(0) ? 100 : 0;
  for (auto _ : state) {
    peer.Blit(x, y);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(SdlBlitAdd)->Name("SDL_BlitSurface_ADD")->Arg(64)->Arg(0);

void RadialBlurBench(benchmark::State& state) {
  std::vector<uint32_t> frame = RandomPixels(kFramePixels, 4);
  const int32_t cx = static_cast<int32_t>(state.range(0)), cy = static_cast<int32_t>(state.range(1));
  for (auto _ : state) {
    RadialBlur(frame.data(), cx, cy);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(RadialBlurBench)->Name("RadialBlur")->Args({256, 128})->Args({8, 8});

// A smooth grid as the scenes make them; for the masked variant the vertices outside a
// ball of radius 100 pixels carry the miss marker.
void FillGrid(bool ball) {
  for (int c = 0; c < kGridColumns; ++c) {
    for (int r = 0; r < kGridRows; ++r) {
      const int i = c * kGridRows + r;
      GridU[i] = c * 0x30000 + r * 0x8000;
      GridV[i] = r * 0x50000 - c * 0x6000;
      const double distance = std::hypot(c * 8 - 256, r * 8 - 128);
      GridLight[i] = ball && distance > 100 ? kGridLightMissMarker : ((c + r) % 64) << 8;
    }
  }
}

void GridMapBench(benchmark::State& state) {
  const std::vector<uint32_t> texture = RandomPixels(65536, 5);
  std::vector<uint32_t> frame(kFramePixels);
  FillGrid(false);
  for (auto _ : state) {
    GridMap(texture.data(), frame.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(GridMapBench)->Name("GridMap");

void GridMapMaskedBench(benchmark::State& state) {
  const std::vector<uint32_t> texture = RandomPixels(65536, 5);
  std::vector<uint32_t> frame(kFramePixels);
  FillGrid(true);
  for (auto _ : state) {
    GridMapMasked(texture.data(), frame.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(GridMapMaskedBench)->Name("GridMapMasked_ball_r100");

void InvertFrameBench(benchmark::State& state) {
  std::vector<uint32_t> frame = RandomPixels(kFramePixels, 6);
  for (auto _ : state) {
    InvertFrame(frame.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(InvertFrameBench)->Name("InvertFrame");

void VerticalSmearBench(benchmark::State& state) {
  std::vector<uint32_t> frame = RandomPixels(kFramePixels, 7);
  for (auto _ : state) {
    VerticalSmear(frame.data(), 0.5f);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(VerticalSmearBench)->Name("VerticalSmear");

// A frame of the rotozoomer at the scene's zoom, turned by an angle that changes every
// call, so the texel reads wander over the texture as they do in the demo.
void RotozoomMapBench(benchmark::State& state) {
  const std::vector<uint32_t> texture = RandomPixels(65536, 8);
  std::vector<uint32_t> frame(kFramePixels);
  double t = 0.0;
  for (auto _ : state) {
    t += 0.01;
    const TexturePoint k0{64 + 256 * std::cos(t), 64 + 256 * std::sin(t)};
    const TexturePoint k1{64 + 256 * std::cos(t + 1.57), 64 + 256 * std::sin(t + 1.57)};
    const TexturePoint k2{64 + 256 * std::cos(t + 3.14), 64 + 256 * std::sin(t + 3.14)};
    const TexturePoint k3{64 + 256 * std::cos(t + 4.71), 64 + 256 * std::sin(t + 4.71)};
    RotozoomMap(texture.data(), frame.data(), k3, k0, k1, k2);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(RotozoomMapBench)->Name("RotozoomMap");

}  // namespace

// The reduced-flashing limiter on its way to the screen, per picture. range(0): 0 a still
// picture (nothing held: the common case), 1 dark random pictures alternating with their
// negatives (every cell held back every frame: the worst case).
void FlashLimiterBench(benchmark::State& state) {
  std::vector<uint32_t> pictures[2] = {DimPixels(kFramePixels, 5), DimPixels(kFramePixels, 5)};
  if (state.range(0) == 1)
    for (uint32_t& pixel : pictures[1]) pixel = 0x00FFFFFF - pixel;
  FlashLimiter limiter(kFrameWidth, kFrameHeight, 60);
  int32_t frame = 0;
  for (; frame < 120; ++frame) limiter.Apply(pictures[frame % 2].data());  // spends the flash budget
  int64_t held = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(limiter.Apply(pictures[frame++ % 2].data()));
    held += limiter.heldCells();
  }
  state.counters["held_cells"] = benchmark::Counter(static_cast<double>(held), benchmark::Counter::kAvgIterations);
}
BENCHMARK(FlashLimiterBench)->Name("FlashLimiter")->ArgName("flashing")->Arg(0)->Arg(1);

BENCHMARK_MAIN();

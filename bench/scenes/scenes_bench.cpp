// The per-frame kernels of the scenes: the ray casters, the rotozoom mapper and one step
// of the particle swarm.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "core/frame_buffer.h"
#include "core/random.h"
#include "core/trig.h"
#include "image/grid_mapper.h"
#include "scenes/ball_scene.h"
#include "scenes/particles_scene.h"
#include "scenes/rippled_plane_scene.h"
#include "scenes/rotozoom_scene.h"
#include "scenes/zoom_scene.h"

namespace {

void BM_RotozoomMap(benchmark::State& state) {
  std::vector<uint32_t> texture(65536);
  for (size_t i = 0; i < texture.size(); ++i) texture[i] = static_cast<uint32_t>(i * 2654435761u) & 0xFFFFFF;
  std::vector<uint32_t> frame(kFramePixels);
  double t = 0.0;
  for (auto _ : state) {
    t += 0.01;
    const TexturePoint k0{64 + 256 * Cos(t), 64 + 256 * Sin(t)};
    const TexturePoint k1{64 + 256 * Cos(t + 1.57), 64 + 256 * Sin(t + 1.57)};
    const TexturePoint k2{64 + 256 * Cos(t + 3.14), 64 + 256 * Sin(t + 3.14)};
    const TexturePoint k3{64 + 256 * Cos(t + 4.71), 64 + 256 * Sin(t + 4.71)};
    RotozoomMap(texture.data(), frame.data(), k3, k0, k1, k2);
    benchmark::DoNotOptimize(frame.data());
  }
  state.SetItemsProcessed(state.iterations() * kFramePixels);
}
BENCHMARK(BM_RotozoomMap);

void BM_FillBallGrid(benchmark::State& state) {
  int32_t centreX = 0;
  int32_t centreY = 0;
  for (auto _ : state) {
    FillBallGrid(256.0f, 5000.0f, 5600.0f, 1000.0f, 5600.0f, -0.7f, -0.141f, -0.7f, 0.3, &centreX, &centreY);
    benchmark::DoNotOptimize(GridU);
  }
  state.SetItemsProcessed(state.iterations() * kGridVertices);
}
BENCHMARK(BM_FillBallGrid);

void BM_FillRippleGrid(benchmark::State& state) {
  for (auto _ : state) {
    FillRippleGrid(1000.0f, 900.0f, 320.0f, 400.0f, 0.1f, 0.99f, 0.1f, 0.0, 12.5f);
    benchmark::DoNotOptimize(GridU);
  }
  state.SetItemsProcessed(state.iterations() * kGridVertices);
}
BENCHMARK(BM_FillRippleGrid);

void BM_TraceCorridorAndTube(benchmark::State& state) {
  for (auto _ : state) {
    TracePlanes(800.0f, 700.0f, 300.0f, 50000.0f, -0.5f, 0.1f, 0.86f, 0.4);
    TraceTube(400.0f, 700.0f, 300.0f, 50000.0f, -0.5f, 0.1f, 0.86f, 0.4);
    benchmark::DoNotOptimize(GridU);
  }
  state.SetItemsProcessed(state.iterations() * kGridVertices);
}
BENCHMARK(BM_TraceCorridorAndTube);

// One frame of the swarm against a shape with state.range(0) lit pixels.
void BM_StepParticles(benchmark::State& state) {
  std::vector<uint32_t> shape(kShapePixels, 0);
  const int64_t lit = state.range(0);
  for (int64_t i = 0; i < lit; ++i) shape[static_cast<size_t>(i * kShapePixels / lit)] = 0xFFFFFF;
  int32_t count = 0;
  float *xs = nullptr, *ys = nullptr;
  BuildTargets(shape.data(), &count, &xs, &ys);
  const std::unique_ptr<float[]> ownedXs(xs), ownedYs(ys);
  zelto::SeedRandom(1);
  float *x = nullptr, *y = nullptr, *vx = nullptr, *vy = nullptr;
  InitParticles(kParticleCount, &x, &y, &vx, &vy);
  const std::unique_ptr<float[]> ownedX(x), ownedY(y), ownedVx(vx), ownedVy(vy);
  std::vector<uint32_t> sprite(16 * 16, 0x00202020);
  std::vector<uint32_t> frame(kFramePixels);
  for (auto _ : state) {
    StepParticles(frame.data(), kParticleCount, x, y, vx, vy, xs, ys, count, sprite.data(), 16, 16);
    benchmark::DoNotOptimize(frame.data());
  }
  state.SetItemsProcessed(state.iterations() * kParticleCount * count);
}
BENCHMARK(BM_StepParticles)->Arg(2000)->Arg(8000)->Arg(32000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

// Benchmarks of the 3D engine: Render of a closed 2000-triangle mesh at the object
// scene's camera, and the fill rate of TextureTriangle beside SDL's software renderer
// drawing the same textured triangles with SDL_RenderGeometry.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "bench/peers/sdl_geometry/sdl_textured_triangles.h"
#include "core/frame_buffer.h"
#include "core/trig.h"
#include "engine3d/camera.h"
#include "engine3d/lwo_writer.h"
#include "engine3d/objet3d.h"
#include "engine3d/texture_triangle.h"
#include "tools/fixtures/mesh_fixtures.h"

namespace {

// A smooth 256 x 256 environment map (no two neighbours alike).
std::vector<uint32_t> MakeEnvironmentMap() {
  std::vector<uint32_t> pixels(256 * 256);
  for (uint32_t i = 0; i < pixels.size(); ++i) pixels[i] = (i & 0xFF) << 16 | (i >> 8) << 8 | ((i ^ (i >> 8)) & 0xFF);
  return pixels;
}

// The object scene's camera at time t: orbit radius 20 around the y axis, y swinging
// around 60, looking at (0, 60, 0).
void SceneCamera(double t, float matrix[9], Vecteur3d* camera) {
  *camera = {static_cast<float>(Sin(t) * -20.0), static_cast<float>(60.0 - Sin(1.3 * t) * 20.0),
             static_cast<float>(Cos(t) * -20.0)};
  const float dx = -camera->x, dy = 60.0f - camera->y, dz = -camera->z;
  const float length = static_cast<float>(std::sqrt(double{dx} * dx + double{dy} * dy + double{dz} * dz));
  CameraMatrix(matrix, dx / length, dy / length, dz / length, 0.0);
}

void BM_RenderClosedMesh(benchmark::State& state) {
  std::vector<Vecteur3d> points;
  std::vector<FaceIndices> faces;
  MakeTorus(9.0f, 3.5f, 50, 20, &points, &faces);  // 2000 triangles, 1000 points
  const std::string fileName = "engine3d_bench_torus.lwo";
  if (!WriteBytes(fileName, EncodeLwo(points, faces))) {
    state.SkipWithError("cannot write the mesh file");
    return;
  }
  Objet3d object;
  object.LoadLWO(fileName.c_str());
  std::remove(fileName.c_str());
  object.CalcNormalesFaces();
  object.CalcNormalesPoints();
  object.texture.pixels = MakeEnvironmentMap();
  object.texture.width = object.texture.height = 256;
  object.SetPosition(0, 60, 0);

  // 64 views spread along the orbit; each iteration is one frame: clear and Render.
  constexpr int kViews = 64;
  float matrices[kViews][9];
  Vecteur3d cameras[kViews];
  for (int k = 0; k < kViews; ++k) SceneCamera(k * 0.1, matrices[k], &cameras[k]);
  std::vector<uint32_t> frame(kFramePixels);
  int view = 0;
  for (auto _ : state) {
    std::fill(frame.begin(), frame.end(), 0);
    object.Render(matrices[view], cameras[view], frame.data());
    benchmark::DoNotOptimize(frame.data());
    view = (view + 1) % kViews;
  }
  state.counters["triangles"] = static_cast<double>(object.nbFaces);
  state.counters["frames"] = benchmark::Counter(1.0, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_RenderClosedMesh)->Unit(benchmark::kMicrosecond);

// The same triangles for both fillers: corners inside the frame, texel coordinates
// inside 0..254, sizes from a few pixels to a few thousand.
struct TriangleSet {
  std::vector<int32_t> corners;  // x, y, u, v for each corner, three corners a triangle
  std::vector<TexturedCorner> floatCorners;
};

TriangleSet MakeTriangles(int32_t count, int32_t maxSize) {
  std::mt19937 random(2024);
  std::uniform_int_distribution<int32_t> centreX(40, 471), centreY(40, 215), offset(-maxSize, maxSize), texel(0, 254);
  TriangleSet set;
  for (int32_t t = 0; t < count; ++t) {
    const int32_t cx = centreX(random), cy = centreY(random);
    for (int k = 0; k < 3; ++k) {
      const int32_t x = std::clamp(cx + offset(random), 0, kFrameWidth - 1);
      const int32_t y = std::clamp(cy + offset(random), 0, kFrameHeight - 1);
      const int32_t u = texel(random), v = texel(random);
      set.corners.insert(set.corners.end(), {x, y, u, v});
      set.floatCorners.push_back({static_cast<float>(x), static_cast<float>(y), static_cast<float>(u), static_cast<float>(v)});
    }
  }
  return set;
}

constexpr uint32_t kUntouched = 0xFF000000;  // no texel has a top byte

// The pixels a filler writes for the whole set, each triangle counted on its own.
template <typename DrawOne>
double CountPixels(int32_t count, std::vector<uint32_t>& frame, DrawOne drawOne) {
  double pixels = 0;
  for (int32_t t = 0; t < count; ++t) {
    std::fill(frame.begin(), frame.end(), kUntouched);
    drawOne(t);
    pixels += static_cast<double>(std::count_if(frame.begin(), frame.end(), [](uint32_t p) { return p != kUntouched; }));
  }
  return pixels;
}

void BM_TextureTriangle(benchmark::State& state) {
  const int32_t count = 256;
  const TriangleSet set = MakeTriangles(count, static_cast<int32_t>(state.range(0)));
  const std::vector<uint32_t> map = MakeEnvironmentMap();
  std::vector<uint32_t> frame(kFramePixels);
  const auto drawOne = [&](int32_t t) {
    const int32_t* c = &set.corners[t * 12];
    TextureTriangle(map.data(), frame.data(), c[0], c[1], c[4], c[5], c[8], c[9], c[2], c[3], c[6], c[7], c[10], c[11]);
  };
  const double pixels = CountPixels(count, frame, drawOne);
  for (auto _ : state) {
    for (int32_t t = 0; t < count; ++t) drawOne(t);
    benchmark::DoNotOptimize(frame.data());
  }
  // Shown as pixels per second: M/s is pixels per microsecond.
  state.counters["fill"] = benchmark::Counter(pixels, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["pixels"] = pixels;
}
BENCHMARK(BM_TextureTriangle)->Arg(8)->Arg(40)->Arg(120)->Unit(benchmark::kMicrosecond);

void BM_SdlRenderGeometry(benchmark::State& state) {
  const int32_t count = 256;
  const TriangleSet set = MakeTriangles(count, static_cast<int32_t>(state.range(0)));
  const std::vector<uint32_t> map = MakeEnvironmentMap();
  std::vector<uint32_t> frame(kFramePixels);
  SdlTexturedTriangles sdl(map.data(), 256, frame.data());
  if (!sdl.Ready()) {
    state.SkipWithError("SDL software renderer unavailable");
    return;
  }
  const double pixels = CountPixels(count, frame, [&](int32_t t) {
    sdl.SetTriangles({set.floatCorners.begin() + t * 3, set.floatCorners.begin() + t * 3 + 3});
    sdl.Draw();
  });
  sdl.SetTriangles(set.floatCorners);
  for (auto _ : state) {
    sdl.Draw();
    benchmark::DoNotOptimize(frame.data());
  }
  // Shown as pixels per second: M/s is pixels per microsecond.
  state.counters["fill"] = benchmark::Counter(pixels, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["pixels"] = pixels;
}
BENCHMARK(BM_SdlRenderGeometry)->Arg(8)->Arg(40)->Arg(120)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

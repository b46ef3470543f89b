// The particles scene: brute-force attraction of 200 particles to the lit shape pixels.
#include "scenes/particles_scene.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "core/frame_buffer.h"
#include "core/random.h"
#include "core/trig.h"
#include "image/blit_additive.h"
#include "image/surface.h"
#include "image/vertical_smear.h"
#include "scenes/particle_pull.h"
#include "scenes/scene_host.h"
#include "scenes/scene_images.h"
#include "scenes/scene_table.h"
#include "scenes/scenes.h"

namespace {

constexpr int32_t kParticlesEnd = SceneEnd(kParticlesScene);
constexpr const char* kShapeFiles[3] = {"data/particules/forme.bmp", "data/particules/forme2.bmp",
                                        "data/particules/forme3.bmp"};
constexpr const char* kSpriteFile = "data/particules/light2.bmp";
constexpr const char* kLogoFile = "data/zellogo.bmp";

// A target set built from one shape image.
struct TargetSet {
  int32_t count = 0;
  float* xs = nullptr;
  float* ys = nullptr;
  ~TargetSet() {
    delete[] xs;
    delete[] ys;
  }
};

}  // namespace

int32_t ParticleDrawPosition(float position, int32_t limit) {
  // Truncation toward zero, then the clamp; NaN lands on 0.
  if (!(position >= 1.0f)) return 0;
  if (position >= static_cast<float>(limit)) return limit;
  return static_cast<int32_t>(position);
}

void InitParticles(int32_t count, float** x, float** y, float** vx, float** vy) {
  const size_t size = count > 0 ? static_cast<size_t>(count) : 0;
  *x = new float[size];
  *y = new float[size];
  *vx = new float[size];
  *vy = new float[size];
  for (int32_t i = 0; i < count; ++i) {
    (*x)[i] = static_cast<float>(zelto::rand() % 512);
    (*y)[i] = static_cast<float>(200 + zelto::rand() % 40);
    // 3.0518509447574615e-05 is 1/32767 rounded to a float; a is rounded to a float, b
    // stays double. rand() returns whole numbers, so a and b are never both 0.
    const float a = static_cast<float>(zelto::rand() * 3.0518509447574615e-05 - 0.5);
    const double b = zelto::rand() * 3.0518509447574615e-05 - 0.5;
    const double length = std::sqrt(b * b + static_cast<double>(a) * a);
    (*vx)[i] = static_cast<float>(a / length * 0.4);
    (*vy)[i] = static_cast<float>(b / length * 0.4);
  }
}

void BuildTargets(const uint32_t* shapePixels, int32_t* count, float** xs, float** ys) {
  int32_t lit = 0;
  for (int32_t i = 0; i < kShapePixels; ++i) lit += shapePixels[i] != 0 ? 1 : 0;
  *xs = new float[static_cast<size_t>(lit)];
  *ys = new float[static_cast<size_t>(lit)];
  int32_t point = 0;
  for (int32_t row = 0; row < kShapeHeight; ++row) {
    for (int32_t column = 0; column < kShapeWidth; ++column) {
      if (shapePixels[row * kShapeWidth + column] == 0) continue;
      (*xs)[point] = static_cast<float>(column * 512 / kShapeWidth);
      (*ys)[point] = static_cast<float>(row * 256 / kShapeHeight);
      ++point;
    }
  }
  *count = lit;
}

void StepParticles(uint32_t* frame, int32_t count, float* x, float* y, float* vx, float* vy, const float* targetXs,
                   const float* targetYs, int32_t targetCount, const uint32_t* spritePixels, int32_t spriteWidth,
                   int32_t spriteHeight) {
  // The pulls of a batch of particles first, then each of them moved and drawn in turn:
  // a pull reads only the targets and the particle's own position.
  constexpr int32_t kBatch = 64;
  double batchPullX[kBatch];
  double batchPullY[kBatch];
  for (int32_t i = 0; i < count; ++i) {
    if (i % kBatch == 0) {
      ParticlePulls(std::min(kBatch, count - i), x + i, y + i, targetXs, targetYs, targetCount, batchPullX,
                    batchPullY);
    }
    const double pullX = batchPullX[i % kBatch];
    const double pullY = batchPullY[i % kBatch];
    const float pull = static_cast<float>(std::sqrt(pullX * pullX + pullY * pullY));
    if (pull > 0.0f) {
      vx[i] = static_cast<float>(vx[i] + pullX / pull * 0.7);
      vy[i] = static_cast<float>(vy[i] + pullY / pull * 0.7);
      // Constant speed: 1/0.7 pixels per frame whatever the pull.
      const double speed = std::sqrt(static_cast<double>(vx[i]) * vx[i] + static_cast<double>(vy[i]) * vy[i]);
      vx[i] = static_cast<float>(vx[i] / (speed * 0.7));
      vy[i] = static_cast<float>(vy[i] / (speed * 0.7));
    }
    x[i] += vx[i];
    y[i] += vy[i];
    BlitAdditive(spritePixels, spriteWidth, spriteHeight, frame, ParticleDrawPosition(x[i], kFrameWidth - 1),
                 ParticleDrawPosition(y[i], kFrameHeight - 1));
  }
}

void ParticlesScene(uint32_t* frame) {
  float* x = nullptr;
  float* y = nullptr;
  float* vx = nullptr;
  float* vy = nullptr;
  // Before any image is loaded: the swarm takes the first 800 numbers of the generator.
  InitParticles(kParticleCount, &x, &y, &vx, &vy);
  const std::unique_ptr<float[]> ownedX(x), ownedY(y), ownedVx(vx), ownedVy(vy);

  const Surface shape1(kShapeFiles[0]);
  RequireImagePixels(shape1, kShapeFiles[0], kShapePixels);
  const Surface shape2(kShapeFiles[1]);
  RequireImagePixels(shape2, kShapeFiles[1], kShapePixels);
  const Surface shape3(kShapeFiles[2]);
  RequireImagePixels(shape3, kShapeFiles[2], kShapePixels);
  TargetSet targets[3];
  BuildTargets(shape1.pixels.data(), &targets[0].count, &targets[0].xs, &targets[0].ys);
  BuildTargets(shape2.pixels.data(), &targets[1].count, &targets[1].xs, &targets[1].ys);
  BuildTargets(shape3.pixels.data(), &targets[2].count, &targets[2].xs, &targets[2].ys);
  const Surface sprite(kSpriteFile);
  const Surface logo(kLogoFile);

  host::RestartSceneClock();
  float cycleStart = 0.0f;
  while (host::SongPosition() < kParticlesEnd) {
    const float now = static_cast<float>(host::SceneSeconds());
    const float elapsed = now - cycleStart;
    std::memset(frame, 0, kFrameBytes);
    const TargetSet& chosen = elapsed < 10.0f ? targets[0] : (elapsed < 20.0f ? targets[1] : targets[2]);
    StepParticles(frame, kParticleCount, x, y, vx, vy, chosen.xs, chosen.ys, chosen.count, sprite.pixels.data(),
                  sprite.width, sprite.height);
    if (elapsed > 30.0f) cycleStart = now;
    BlitAdditive(logo.pixels.data(), logo.width, logo.height, frame, 0, 0);
    // Keep factor between 0.02 and 0.98, one pulse per 3.02 s.
    const double keep = Cos(now * kPulseSpeed * kSmearPulseScale + kPulsePhase) * 0.48 + 0.5;
    VerticalSmear(frame, static_cast<float>(keep));
    host::ShowFrame(frame);
  }
}

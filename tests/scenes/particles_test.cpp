// The particle swarm: start state, target sets, one step of motion and its drawing.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "app/frame_buffer.h"
#include "app/random.h"
#include "scenes/particles_scene.h"

namespace {

struct Particles {
  std::unique_ptr<float[]> x, y, vx, vy;
  explicit Particles(int32_t count) {
    float *px, *py, *pvx, *pvy;
    InitParticles(count, &px, &py, &pvx, &pvy);
    x.reset(px);
    y.reset(py);
    vx.reset(pvx);
    vy.reset(pvy);
  }
};

struct Targets {
  int32_t count = -1;
  std::unique_ptr<float[]> xs, ys;
  explicit Targets(const std::vector<uint32_t>& shape) {
    float *pxs, *pys;
    BuildTargets(shape.data(), &count, &pxs, &pys);
    xs.reset(pxs);
    ys.reset(pys);
  }
};

double Speed(float vx, float vy) { return std::sqrt(static_cast<double>(vx) * vx + static_cast<double>(vy) * vy); }

}  // namespace

TEST(InitParticles, DrawsFourNumbersPerParticleForTheStartingSwarm) {
  zelto::SeedRandom(1);
  const int first = zelto::rand();
  for (int i = 1; i < 800; ++i) zelto::rand();
  const int next = zelto::rand();

  zelto::SeedRandom(1);
  const Particles swarm(200);
  EXPECT_EQ(zelto::rand(), next);
  EXPECT_EQ(swarm.x[0], static_cast<float>(first % 512));
  for (int i = 0; i < 200; ++i) {
    EXPECT_GE(swarm.x[i], 0.0f);
    EXPECT_LE(swarm.x[i], 511.0f);
    EXPECT_GE(swarm.y[i], 200.0f);
    EXPECT_LE(swarm.y[i], 239.0f);
    EXPECT_NEAR(Speed(swarm.vx[i], swarm.vy[i]), 0.4, 1e-6);
  }
}

TEST(BuildTargets, StretchesLitPixelsOverTheFrameInRowOrder) {
  std::vector<uint32_t> shape(64000, 0);
  shape[5 * 320 + 5] = 0x00FFFFFF;
  shape[1 * 320 + 1] = 0x00000001;  // the faintest colour still counts
  shape[199 * 320 + 319] = 0x00800000;
  const Targets targets(shape);
  ASSERT_EQ(targets.count, 3);
  EXPECT_EQ(targets.xs[0], 1.0f);
  EXPECT_EQ(targets.ys[0], 1.0f);
  EXPECT_EQ(targets.xs[1], 8.0f);
  EXPECT_EQ(targets.ys[1], 6.0f);
  EXPECT_EQ(targets.xs[2], 510.0f);
  EXPECT_EQ(targets.ys[2], 254.0f);

  const Targets none(std::vector<uint32_t>(64000, 0));
  EXPECT_EQ(none.count, 0);
}

TEST(StepParticles, TurnsTowardsThePullAndKeepsAConstantSpeed) {
  std::vector<uint32_t> frame(kFramePixels, 0);
  const uint32_t sprite = 0x00101010;
  // Particle 0 heads right, with the only target straight below it; particle 1 sits
  // exactly on that target, which must not make its motion undefined.
  float x[2] = {100.0f, 100.0f};
  float y[2] = {100.0f, 200.0f};
  float vx[2] = {0.4f, 0.0f};
  float vy[2] = {0.0f, 0.4f};
  const float targetX[1] = {100.0f};
  const float targetY[1] = {200.0f};
  StepParticles(frame.data(), 2, x, y, vx, vy, targetX, targetY, 1, &sprite, 1, 1);
  EXPECT_GT(vy[0], 0.0f);
  EXPECT_NEAR(Speed(vx[0], vy[0]), 1.0 / 0.7, 1e-5);
  EXPECT_EQ(x[0], 100.0f + vx[0]);
  EXPECT_EQ(vx[1], 0.0f);  // no pull at all: the velocity stays
  EXPECT_EQ(vy[1], 0.4f);
  EXPECT_EQ(y[1], 200.4f);

  // Several targets, one of them hit exactly: the others still pull, and finitely.
  const float targetXs[3] = {100.0f, 300.0f, 100.0f};
  const float targetYs[3] = {200.4f, 200.0f, 50.0f};
  StepParticles(frame.data(), 2, x, y, vx, vy, targetXs, targetYs, 3, &sprite, 1, 1);
  EXPECT_TRUE(std::isfinite(x[1]) && std::isfinite(y[1]));
  EXPECT_NEAR(Speed(vx[1], vy[1]), 1.0 / 0.7, 1e-5);
}

TEST(StepParticles, EmptyTargetSetLeavesVelocitiesAndDrawsAtTheFrameEdges) {
  std::vector<uint32_t> frame(kFramePixels, 0);
  const uint32_t sprite[4] = {0x00010000, 0x00020000, 0x00030000, 0x00040000};  // 2 x 2
  // Positions after the move: (-3.7, 10), (600.2, 20) and (40, 255.9).
  float x[3] = {-3.7f, 600.2f, 40.0f};
  float y[3] = {10.0f, 20.0f, 255.9f};
  float vx[3] = {0.0f, 0.0f, 0.0f};
  float vy[3] = {0.0f, 0.0f, 0.0f};
  StepParticles(frame.data(), 3, x, y, vx, vy, nullptr, nullptr, 0, sprite, 2, 2);
  EXPECT_EQ(vx[0], 0.0f);
  EXPECT_EQ(x[0], -3.7f);
  EXPECT_EQ(frame[10 * 512 + 0], 0x00010000u);  // clamped to column 0: the whole sprite
  EXPECT_EQ(frame[11 * 512 + 1], 0x00040000u);
  EXPECT_EQ(frame[20 * 512 + 511], 0x00010000u);  // column 511: the first column only
  EXPECT_EQ(frame[21 * 512 + 511], 0x00030000u);
  EXPECT_EQ(frame[255 * 512 + 40], 0x00010000u);  // row 255: the first row only
  EXPECT_EQ(frame[255 * 512 + 41], 0x00020000u);

  EXPECT_EQ(ParticleDrawPosition(-0.5f, 511), 0);
  EXPECT_EQ(ParticleDrawPosition(1.99f, 511), 1);
  EXPECT_EQ(ParticleDrawPosition(511.5f, 511), 511);
  EXPECT_EQ(ParticleDrawPosition(NAN, 255), 0);

  // No particles: nothing moves, nothing is drawn.
  StepParticles(frame.data(), 0, x, y, vx, vy, nullptr, nullptr, 0, sprite, 2, 2);
  EXPECT_EQ(x[1], 600.2f);
}

// The particle swarm: start state, target sets, one step of motion and its drawing.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "core/frame_buffer.h"
#include "core/random.h"
#include "scenes/particle_pull.h"
#include "scenes/particles_scene.h"
#include "tests/scenes/pull_cases.h"
#include "tests/simd_targets.h"

static double Speed(float vx, float vy) { return std::hypot(static_cast<double>(vx), static_cast<double>(vy)); }

TEST(Particles, StartAtTheBottomWithSpeedPointFourAndStretchShapesOverTheFrame) {
  zelto::SeedRandom(1);
  const int first = zelto::rand();
  zelto::SeedRandom(1);
  float *x, *y, *vx, *vy;
  InitParticles(200, &x, &y, &vx, &vy);
  EXPECT_EQ(x[0], static_cast<float>(first % 512));
  for (int i = 0; i < 200; ++i)
    EXPECT_TRUE(x[i] >= 0.0f && x[i] <= 511.0f && y[i] >= 200.0f && y[i] <= 239.0f && std::abs(Speed(vx[i], vy[i]) - 0.4) < 1e-6)
        << i << ": at " << x[i] << "," << y[i] << ", speed " << Speed(vx[i], vy[i]);
  for (float* array : {x, y, vx, vy}) delete[] array;

  std::vector<uint32_t> shape(64000, 0);
  shape[5 * 320 + 5] = 0x00FFFFFF;
  shape[1 * 320 + 1] = 0x00000001;  // the faintest colour still counts
  shape[199 * 320 + 319] = 0x00800000;
  int32_t count = 0;
  float *xs, *ys;
  BuildTargets(shape.data(), &count, &xs, &ys);
  ASSERT_EQ(count, 3);
  EXPECT_EQ((std::vector{xs[0], ys[0], xs[1], ys[1], xs[2], ys[2]}), (std::vector<float>{1, 1, 8, 6, 510, 254}));  // row by row
  for (float* array : {xs, ys}) delete[] array;
}

TEST(Particles, StepTurnsTowardsThePullAtConstantSpeedAndStaysFiniteOnATarget) {
  std::vector<uint32_t> frame(kFramePixels, 0);
  const uint32_t sprite = 0x00101010;
  // Particle 0 heads right with the only target straight below it; particle 1 sits
  // exactly on that target, so it has no pull at all and keeps its velocity.
  float x[2] = {100.0f, 100.0f}, y[2] = {100.0f, 200.0f}, vx[2] = {0.4f, 0.0f}, vy[2] = {0.0f, 0.4f};
  const float targetX[3] = {100.0f, 300.0f, 100.0f}, targetY[3] = {200.0f, 200.0f, 50.0f};
  StepParticles(frame.data(), 2, x, y, vx, vy, targetX, targetY, 1, &sprite, 1, 1);
  EXPECT_GT(vy[0], 0.0f);
  EXPECT_EQ(x[0], 100.0f + vx[0]) << "moves with its new velocity";
  EXPECT_NEAR(Speed(vx[0], vy[0]), 1.0 / 0.7, 1e-5);
  EXPECT_EQ((std::vector{vx[1], vy[1], y[1]}), (std::vector{0.0f, 0.4f, 200.4f}));
  // With more targets, one of them hit exactly, the others still pull.
  y[1] = 200.0f;
  StepParticles(frame.data(), 2, x, y, vx, vy, targetX, targetY, 3, &sprite, 1, 1);
  EXPECT_TRUE(std::isfinite(x[1]) && std::isfinite(y[1]));
  EXPECT_NEAR(Speed(vx[1], vy[1]), 1.0 / 0.7, 1e-5);
}

TEST(Particles, NoTargetsKeepsVelocitiesAndDrawingClampsToTheFrameEdges) {
  std::vector<uint32_t> frame(kFramePixels, 0);
  const uint32_t sprite[4] = {0x00010000, 0x00020000, 0x00030000, 0x00040000};  // 2 x 2
  float x[3] = {-3.7f, 600.2f, 40.0f}, y[3] = {10.0f, 20.0f, 255.9f}, vx[3] = {}, vy[3] = {};
  StepParticles(frame.data(), 3, x, y, vx, vy, nullptr, nullptr, 0, sprite, 2, 2);
  EXPECT_EQ(std::pair(vx[0], x[0]), std::pair(0.0f, -3.7f));
  // x -3.7: column 0, the whole sprite; x 600.2: column 511, first column only; y 255.9:
  // row 255, first row only.
  EXPECT_EQ((std::vector{frame[10 * 512 + 0], frame[11 * 512 + 1], frame[20 * 512 + 511], frame[21 * 512 + 511],
                         frame[255 * 512 + 41]}),
            (std::vector{0x00010000u, 0x00040000u, 0x00010000u, 0x00030000u, 0x00020000u}));
  EXPECT_EQ((std::vector{ParticleDrawPosition(-0.5f, 511), ParticleDrawPosition(1.99f, 511), ParticleDrawPosition(NAN, 255)}),
            (std::vector{0, 1, 0}));
}

// The pulls in SIMD lanes against the one-particle loop, on every SIMD target.
TEST(Particles, PullsInLanesEqualTheScalarLoop) {
  ForEachTarget([] { EXPECT_TRUE(PullCasesAgree()); });
}

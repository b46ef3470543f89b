// The particles scene: two hundred glowing dots that swarm into three shapes in turn,
// under the group logo, smeared downwards with a pulsing strength.
//
// ParticlesScene restarts the scene clock and runs until the song position reaches its
// end position in scene_table.h. The particle motion advances once per drawn frame; the
// shape cycle (10 s per shape, restarting after a little more than 30 s) and the smear
// follow the clock.
#pragma once

#include <cstdint>

constexpr int32_t kParticleCount = 200;
// A shape image is read as 320 x 200 pixels, whatever its stated size.
constexpr int32_t kShapeWidth = 320;
constexpr int32_t kShapeHeight = 200;
constexpr int32_t kShapePixels = kShapeWidth * kShapeHeight;

void ParticlesScene(uint32_t* frame);

// Allocates four arrays of `count` floats (new[]; the caller frees them with delete[]),
// stores them through x, y, vx, vy and fills them, drawing exactly four numbers per
// particle from the shared generator: x in 0..511, y in 200..239, and a velocity of
// length 0.4 in a random direction.
void InitParticles(int32_t count, float** x, float** y, float** vx, float** vy);

// Collects the lit (non-zero) pixels among the first 64000 of shapePixels, read as
// 320 x 200 top row first, as points stretched over the 512 x 256 frame:
// (column * 512 / 320, row * 256 / 200), integer divisions. Allocates *xs and *ys
// (new[], possibly of 0 entries; the caller frees them) and stores the point count.
void BuildTargets(const uint32_t* shapePixels, int32_t* count, float** xs, float** ys);

// Moves each particle one frame towards the target points (each pulls with strength
// 1/d^3; the velocity turns by 0.7 towards the summed pull, then is scaled to a speed
// of 1/0.7 pixels per frame) and adds the sprite onto the frame with its top-left corner
// on the particle, clamped to the frame (0..511, 0..255). Particle i is drawn before
// particle i + 1 moves. A particle exactly on a target point skips that point's pull,
// and a particle with no pull at all (no targets) keeps its velocity. Nothing happens
// for count < 1.
void StepParticles(uint32_t* frame, int32_t count, float* x, float* y, float* vx, float* vy, const float* targetXs,
                   const float* targetYs, int32_t targetCount, const uint32_t* spritePixels, int32_t spriteWidth,
                   int32_t spriteHeight);

// Where StepParticles draws a particle: the position truncated toward zero and clamped
// to 0..limit.
int32_t ParticleDrawPosition(float position, int32_t limit);

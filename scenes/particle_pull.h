// ParticlePulls: the summed pull of every target point on each particle of the swarm.
#pragma once

#include <cstdint>

// For particles 0..count-1 at (x[i], y[i]), sums over targets j = 0..targetCount-1 in
// order, in doubles: dx = tx - x, dy = ty - y rounded to a float, w = 1 / (dx^2 + dy^2)^2
// rounded to a float, pullX += w * dx, pullY += w * dy, skipping any target whose
// (dx^2 + dy^2)^2 * FLT_MAX is not above 1 (the particle on the point, or NaN).
// Writes pullX[i] and pullY[i]; every result is the same bit for bit as the one-particle
// loop. Reads only positions and targets; count may be 0.
void ParticlePulls(int32_t count, const float* x, const float* y, const float* targetXs, const float* targetYs,
                   int32_t targetCount, double* pullX, double* pullY);

// The same, one particle and one target at a time: the reference the SIMD form is
// tested against, and the arithmetic stated once.
void ParticlePullsScalar(int32_t count, const float* x, const float* y, const float* targetXs,
                         const float* targetYs, int32_t targetCount, double* pullX, double* pullY);

// The negative flash shared by the zoom scene and the end logo.
#pragma once

#include <cstdint>

class Surface;

// Strip animation: 8 frames of 64 x 80 stacked in a 64-pixel-wide image (>= 640 rows).
constexpr int32_t kStripWidth = 64;
constexpr int32_t kStripFrameRows = 80;
constexpr int32_t kStripFrames = 8;
// Bar animation: 4 frames of 512 x 25 stacked in a 512-pixel-wide image (>= 100 rows).
constexpr int32_t kBarWidth = 512;
constexpr int32_t kBarFrameRows = 25;
constexpr int32_t kBarFrames = 4;

// One flash frame over the finished picture: strip frame counter mod 8 added in the
// top-right corner (448, 0), bar frame counter mod 4 added across the full width at a
// row drawn from the shared generator (rand() mod 240, one number per call), then the
// whole frame turned into its negative. counter >= 0. The strip and bar images must
// have passed RequireImageSize with the sizes above.
void DrawFlash(uint32_t* frame, const Surface& strip, const Surface& bar, int32_t counter);

// The last scene: a turning, tiled texture under light rays, then the smeared end logo.
//
// RotozoomScene restarts the scene clock, shows the rotozoomer until the song position
// reaches its end position, then restarts the clock again and shows the end logo until it
// reaches kEndLogoEndPosition (both in scene_table.h).
#pragma once

#include <cstdint>

// A point of the texture plane, in texels (256 texels per texture side).
struct TexturePoint {
  double x, y;
};

void RotozoomScene(uint32_t* frame);

// Fills all 512 x 256 pixels of the frame (0x00RRGGBB, stride 512) from the 256 x 256
// texture (65536 texels, row-major), tiled endlessly. The edge topLeft -> topRight is
// spread over 256 pixel columns and topLeft -> bottomLeft over 256 pixel rows; the right
// half of the frame continues the same plane. bottomRight is not used. Coordinates are
// 20.12 fixed point truncated toward zero; steps are added before each row and each
// pixel, so pixel (x, y) shows topLeft + (x + 1) * column step + (y + 1) * row step.
// All additions wrap in 32 bits.
void RotozoomMap(const uint32_t* texture, uint32_t* frame, TexturePoint topLeft, TexturePoint topRight,
                 TexturePoint bottomRight, TexturePoint bottomLeft);

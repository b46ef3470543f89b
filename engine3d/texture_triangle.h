// TextureTriangle: the affine texture-mapping triangle filler of the 3D engine.
#pragma once

#include <cstdint>

// Largest corner coordinate (x, y, u or v, in either sign) that TextureTriangle
// draws: with it every 16.16 edge and span value stays inside 32 bits. A triangle
// with any coordinate beyond it draws nothing. The object renderer never gets near
// it: its screen corners stay within a 150-pixel band around the screen and its
// texel coordinates within 0..255.
constexpr int32_t kTriangleCoordinateLimit = 16383;

// Fills the triangle (x0, y0), (x1, y1), (x2, y2) of the 512 x 256 frame (0x00RRGGBB,
// stride 512) with texels of `texture` (0x00RRGGBB, stride 256, at least 255 rows),
// interpolating the corners' texel coordinates (u, v) linearly in 16.16 fixed point.
// Fill rule: rows y0 .. y2 - 1 of the y-sorted corners, so the bottom row is never
// drawn; a row is drawn only if its span is at least one pixel wide, and then both
// end columns are drawn. Texel coordinates 0..254 are sampled; a pixel whose u or v
// falls outside that range gets texel 0. Clipping is per pixel against the frame:
// off-screen rows and columns are skipped exactly as if they had been stepped
// through, so the visible pixels do not depend on how much of the triangle is off
// screen. Corners may come in any order; pixels are copied, not blended.
void TextureTriangle(const uint32_t* texture, uint32_t* frame,
                     int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                     int32_t u0, int32_t v0, int32_t u1, int32_t v1, int32_t u2, int32_t v2);

// The same, one pixel at a time: the reference the SIMD form is tested against.
void TextureTriangleScalar(const uint32_t* texture, uint32_t* frame,
                           int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                           int32_t u0, int32_t v0, int32_t u1, int32_t v1, int32_t u2, int32_t v2);

// BlitAdditive: the sprite routine; adds an image onto the frame, channel by channel.
#pragma once

#include <cstdint>

// Adds `width` x `height` source pixels (0x00RRGGBB, row stride `width`, top row first)
// onto the 512 x 256 frame (stride 512) with the source's top-left pixel at (x, y),
// each of red, green and blue saturating at 255. Black source pixels leave the frame's
// colour unchanged. Only the low 24 bits of a source pixel count; every pixel written
// has a top byte of 0.
// Clips on all four sides, so (x, y) may lie anywhere; draws nothing when no pixel of
// the source lands on the frame or when width or height is 0 or less. `source` may
// point into the middle of a larger image whose rows have the same stride.
void BlitAdditive(const uint32_t* source, int32_t width, int32_t height, uint32_t* frame,
                  int32_t x, int32_t y);

// The same result one pixel at a time: the reference the SIMD form above is tested against.
void BlitAdditiveScalar(const uint32_t* source, int32_t width, int32_t height, uint32_t* frame,
                        int32_t x, int32_t y);

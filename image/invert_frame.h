// InvertFrame: the colour negative of the whole frame, for flashes.
#pragma once

#include <cstdint>

// Every pixel p of the 512 x 256 frame becomes 0x00FFFFFF - p (unsigned), that is
// 255 - c per channel for pixels with a zero top byte. Applying it twice restores the
// frame. In place, no pixel depends on another.
void InvertFrame(uint32_t* frame);

// The same, one pixel at a time: the reference the SIMD form is tested against.
void InvertFrameScalar(uint32_t* frame);

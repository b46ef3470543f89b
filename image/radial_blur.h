// RadialBlur: light rays streaming out of a centre point, worked in place on the frame.
#pragma once

#include <cstdint>

// Rewrites every pixel of the 512 x 256 frame (0x00RRGGBB, stride 512, top byte 0)
// except the centre (cx, cy): walking outwards, each pixel takes the light of its
// neighbour one step nearer the centre plus own * 0.023 of its own, channel by channel.
// On the eight rays through the centre (horizontal, vertical, diagonal) the carried
// light loses one level per pixel; elsewhere it is interpolated between the diagonal
// and the axial inward neighbours with 16-bit fixed-point weights. Results saturate at
// 255 and keep a zero top byte.
// A centre outside the frame is clamped onto its nearest edge pixel, so no memory
// outside the frame is ever touched. Allocates nothing, keeps no state.
void RadialBlur(uint32_t* frame, int32_t cx, int32_t cy);

// The same, one pixel at a time: the reference the SIMD form is tested against.
void RadialBlurScalar(uint32_t* frame, int32_t cx, int32_t cy);

// VerticalSmear: blends every row with the already blended row above, so bright things
// leave fading trails downwards.
#pragma once

#include <cstdint>

// On the 512 x 256 frame (0x00RRGGBB, top byte 0), in place: row 0 becomes black, then
// rows 1..255 in order, each channel out = (above * B + own * A) >> 16 with
// A = trunc(keep * 65535) and B = trunc((1 - keep) * 65535), `above` being the pixel
// already rewritten in the row above. A trail weakens by (1 - keep) per row; even
// keep = 1 lowers every non-zero channel by one. `keep` is clamped into 0..1 (NaN
// counts as 0), so neither weight is ever negative.
void VerticalSmear(uint32_t* frame, float keep);

// The same, one pixel at a time: the reference the SIMD form is tested against.
void VerticalSmearScalar(uint32_t* frame, float keep);

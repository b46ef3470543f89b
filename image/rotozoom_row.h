// RotozoomRow: one frame row of the rotozoom texture mapper, 20.12 coordinates stepped
// across the row.
#pragma once

#include <cstdint>

// Writes the 512 pixels of `row`: pixel x is the texel of the 256 x 256 texture (row-major,
// copied as it is) at column bits 12..19 of u + (x + 1) * stepU and row bits 12..19 of
// v + (x + 1) * stepV, all sums wrapping in 32 bits (the step comes before each pixel).
// Reads only texels; any u, v and steps are valid.
void RotozoomRow(const uint32_t* texture, uint32_t* row, uint32_t u, uint32_t v, uint32_t stepU,
                 uint32_t stepV);

// The same, one pixel at a time: the reference the SIMD form is tested against.
void RotozoomRowScalar(const uint32_t* texture, uint32_t* row, uint32_t u, uint32_t v, uint32_t stepU,
                       uint32_t stepV);

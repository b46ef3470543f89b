// The grid mapper: fills the frame in 8 x 8 blocks from a 65 x 33 grid of per-vertex
// texture coordinates and light levels, interpolated with integer arithmetic.
//
// The grid has a vertex every 8 pixels, right and bottom edges included: vertex (c, r)
// sits at pixel (8c, 8r) and is element c * 33 + r of each array (stored column by
// column: the vertex below is the next element, the one to the right 33 further on).
//   GridU, GridV  16.16 texture column and row; only bits 16..23 pick the texel, so
//                 coordinates wrap every 256 texels.
//   GridLight     8.8 light level added to each channel, producers keep it a multiple of
//                 256 in 0..0xFF00. The ball scene marks rays that missed with 256.
// The arrays are process-wide, zero at start; a scene fills all of them for a frame
// before it draws. The texture is 256 x 256 words 0x00RRGGBB, texel (u, v) at v * 256 + u.
#pragma once

#include <cstdint>

constexpr int kGridColumns = 65;
constexpr int kGridRows = 33;
constexpr int kGridVertices = kGridColumns * kGridRows;  // 2145
// A vertex whose ray meets nothing: the light value the masked mapper skips (a hit
// stores a multiple of 256 other than this one), and the texture coordinate stored with it.
constexpr int32_t kGridLightMissMarker = 256;
constexpr int32_t kGridMissCoordinate = 0x7F000000;
// The texture coordinate the plane scenes store for a ray parallel to their planes, drawn
// (unlike a miss) at the darkest light level.
constexpr int32_t kGridParallelCoordinate = 0x7F00;

extern int32_t GridU[kGridVertices];
extern int32_t GridV[kGridVertices];
extern int32_t GridLight[kGridVertices];

// Draws the 8 x 8 block of the cell whose top-left vertex is (blockColumn, blockRow),
// blockColumn 0..63, blockRow 0..31, into `destination`, the block's top-left pixel in a
// frame of stride 512. U, V and light are stepped down the left and right edges and
// across each row by arithmetic >> 3 of 32-bit wrapping differences, so the block never
// reaches its right and bottom corner values (the next block starts on them). Each pixel
// is the texel plus the light level in every channel, saturating at 255, top byte 0.
// Writes exactly those 64 pixels; reads only the texture and the four corner vertices.
void GridMapBlock(const uint32_t* texture, uint32_t* destination, int32_t blockColumn,
                  int32_t blockRow);

// Draws all 64 x 32 blocks, overwriting the whole 512 x 256 frame.
void GridMap(const uint32_t* texture, uint32_t* frame);

// Draws the blocks of block rows 1..31 and block columns 1..63 whose four corners all
// have a GridLight other than kGridLightMissMarker; every other pixel of the frame,
// including pixel rows 0..7 and columns 0..7, keeps what it held.
void GridMapMasked(const uint32_t* texture, uint32_t* frame);

// The same two, one pixel at a time through GridMapBlock: the references the SIMD forms
// are tested against.
void GridMapScalar(const uint32_t* texture, uint32_t* frame);
void GridMapMaskedScalar(const uint32_t* texture, uint32_t* frame);

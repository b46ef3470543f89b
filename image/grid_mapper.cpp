// The grid mapper: per-block edge stepping, per-pixel texel fetch and saturating light,
// in SIMD across each row of a block (one source for every target, chosen at run time)
// beside the plain scalar form.
#include "image/grid_mapper.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "image/grid_mapper.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
#include "hwy/highway.h"

#include <algorithm>

#include "core/fixed_point.h"
#include "core/frame_buffer.h"

#ifndef ZELTO_IMAGE_GRID_MAPPER_ONCE
#define ZELTO_IMAGE_GRID_MAPPER_ONCE

int32_t GridU[kGridVertices];
int32_t GridV[kGridVertices];
int32_t GridLight[kGridVertices];

namespace zelto_grid {

constexpr int kBlockSide = 8;
constexpr int kBlockShift = 3;  // divides by the block side, rounding toward minus infinity

// (to - from) >> 3 on the 32-bit wrapped difference.
inline int32_t EdgeStep(int32_t from, int32_t to) { return WrapSubtract(to, from) >> kBlockShift; }

// Whether any corner of the block with top-left vertex (blockColumn, blockRow) is a miss.
inline bool TouchesMiss(int32_t blockColumn, int32_t blockRow) {
  const int32_t topLeft = blockColumn * kGridRows + blockRow;
  const int32_t topRight = topLeft + kGridRows;
  return GridLight[topLeft] == kGridLightMissMarker || GridLight[topLeft + 1] == kGridLightMissMarker ||
         GridLight[topRight] == kGridLightMissMarker || GridLight[topRight + 1] == kGridLightMissMarker;
}

}  // namespace zelto_grid

using zelto_grid::EdgeStep;
using zelto_grid::kBlockSide;

void GridMapBlock(const uint32_t* texture, uint32_t* destination, int32_t blockColumn,
                  int32_t blockRow) {
  const int32_t topLeft = blockColumn * kGridRows + blockRow;
  const int32_t bottomLeft = topLeft + 1;
  const int32_t topRight = topLeft + kGridRows;
  const int32_t bottomRight = topRight + 1;

  int32_t leftU = GridU[topLeft], rightU = GridU[topRight];
  int32_t leftV = GridV[topLeft], rightV = GridV[topRight];
  int32_t leftL = GridLight[topLeft], rightL = GridLight[topRight];
  const int32_t leftStepU = EdgeStep(leftU, GridU[bottomLeft]);
  const int32_t rightStepU = EdgeStep(rightU, GridU[bottomRight]);
  const int32_t leftStepV = EdgeStep(leftV, GridV[bottomLeft]);
  const int32_t rightStepV = EdgeStep(rightV, GridV[bottomRight]);
  const int32_t leftStepL = EdgeStep(leftL, GridLight[bottomLeft]);
  const int32_t rightStepL = EdgeStep(rightL, GridLight[bottomRight]);

  for (int row = 0; row < kBlockSide; ++row) {
    const int32_t stepU = EdgeStep(leftU, rightU);
    const int32_t stepV = EdgeStep(leftV, rightV);
    const int32_t stepL = EdgeStep(leftL, rightL);
    int32_t u = leftU, v = leftV, light = leftL;
    for (int column = 0; column < kBlockSide; ++column) {
      const uint32_t texel = texture[((v >> kFixed16Shift) & 255) * 256 + ((u >> kFixed16Shift) & 255)];
      // Blue takes the level from L >> 8 (a negative L compares huge and saturates);
      // green and red take it from bits 8..15.
      const uint32_t lightBits = static_cast<uint32_t>(light) & 0xFF00;
      const uint32_t blue = std::min<uint32_t>((texel & 0xFF) + static_cast<uint32_t>(light >> 8), 0xFF);
      const uint32_t green = std::min<uint32_t>((texel & 0xFF00) + lightBits, 0xFF00);
      const uint32_t red = std::min<uint32_t>((texel & 0xFF0000) + (lightBits << 8), 0xFF0000);
      destination[column] = blue + green + red;
      u = WrapAdd(u, stepU);
      v = WrapAdd(v, stepV);
      light = WrapAdd(light, stepL);
    }
    destination += kFrameWidth;
    leftU = WrapAdd(leftU, leftStepU);
    rightU = WrapAdd(rightU, rightStepU);
    leftV = WrapAdd(leftV, leftStepV);
    rightV = WrapAdd(rightV, rightStepV);
    leftL = WrapAdd(leftL, leftStepL);
    rightL = WrapAdd(rightL, rightStepL);
  }
}

#endif  // ZELTO_IMAGE_GRID_MAPPER_ONCE

HWY_BEFORE_NAMESPACE();
namespace zelto_grid {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

#if HWY_TARGET != HWY_SCALAR
// GridMapBlock with each block row in vectors of up to eight pixels: a pixel's u, v and
// light are the row's start plus column * step, which wraps exactly as the scalar
// running sums do. Texels are gathered: the gather instruction measured a little faster
// than scalar loads where there is one, and elsewhere the gather is those loads.
HWY_INLINE void BlockInVectors(const uint32_t* texture, uint32_t* destination, int32_t blockColumn,
                               int32_t blockRow) {
  const hn::CappedTag<uint32_t, kBlockSide> d;
  const hn::RebindToSigned<decltype(d)> di;
  const int32_t lanes = static_cast<int32_t>(hn::Lanes(d));
  const int32_t topLeft = blockColumn * kGridRows + blockRow;
  const int32_t topRight = topLeft + kGridRows;
  uint32_t leftU = static_cast<uint32_t>(GridU[topLeft]), rightU = static_cast<uint32_t>(GridU[topRight]);
  uint32_t leftV = static_cast<uint32_t>(GridV[topLeft]), rightV = static_cast<uint32_t>(GridV[topRight]);
  uint32_t leftL = static_cast<uint32_t>(GridLight[topLeft]), rightL = static_cast<uint32_t>(GridLight[topRight]);
  const uint32_t leftStepU = static_cast<uint32_t>(EdgeStep(GridU[topLeft], GridU[topLeft + 1]));
  const uint32_t rightStepU = static_cast<uint32_t>(EdgeStep(GridU[topRight], GridU[topRight + 1]));
  const uint32_t leftStepV = static_cast<uint32_t>(EdgeStep(GridV[topLeft], GridV[topLeft + 1]));
  const uint32_t rightStepV = static_cast<uint32_t>(EdgeStep(GridV[topRight], GridV[topRight + 1]));
  const uint32_t leftStepL = static_cast<uint32_t>(EdgeStep(GridLight[topLeft], GridLight[topLeft + 1]));
  const uint32_t rightStepL = static_cast<uint32_t>(EdgeStep(GridLight[topRight], GridLight[topRight + 1]));
  const auto columnIndex = hn::Iota(d, 0);
  const hn::Repartition<uint8_t, decltype(d)> d8;
  const auto texelBits = hn::Set(d, 0xFFu), green = hn::Set(d, 0xFF00u), greenRed = hn::Set(d, 0xFFFF00u);
  for (int row = 0; row < kBlockSide; ++row) {
    const auto stepU = hn::Set(d, static_cast<uint32_t>(EdgeStep(static_cast<int32_t>(leftU), static_cast<int32_t>(rightU))));
    const auto stepV = hn::Set(d, static_cast<uint32_t>(EdgeStep(static_cast<int32_t>(leftV), static_cast<int32_t>(rightV))));
    const auto stepL = hn::Set(d, static_cast<uint32_t>(EdgeStep(static_cast<int32_t>(leftL), static_cast<int32_t>(rightL))));
    for (int32_t first = 0; first < kBlockSide; first += lanes) {
      const auto column = hn::Add(columnIndex, hn::Set(d, static_cast<uint32_t>(first)));
      const auto u = hn::Add(hn::Set(d, leftU), hn::Mul(column, stepU));
      const auto v = hn::Add(hn::Set(d, leftV), hn::Mul(column, stepV));
      const auto light = hn::Add(hn::Set(d, leftL), hn::Mul(column, stepL));
      // Texel (u >> 16 & 255, v >> 16 & 255) sits at v's byte 2 * 256 + u's byte 2.
      const auto index = hn::Or(hn::And(hn::ShiftRight<8>(v), hn::Set(d, 0xFF00u)),
                                hn::And(hn::ShiftRight<16>(u), texelBits));
      const auto texel = hn::GatherIndex(d, texture, hn::BitCast(di, index));
      // Blue adds the arithmetic light >> 8 with 32-bit wrapping; green and red add its
      // bits 8..15, which is a saturating add of bytes 1 and 2.
      const auto lightBits = hn::And(light, green);
      const auto blueLevel = hn::BitCast(d, hn::ShiftRight<8>(hn::BitCast(di, light)));
      const auto blue = hn::Min(hn::Add(hn::And(texel, texelBits), blueLevel), texelBits);
      const auto greenAndRed = hn::SaturatedAdd(hn::BitCast(d8, hn::And(texel, greenRed)),
                                                hn::BitCast(d8, hn::Or(lightBits, hn::ShiftLeft<8>(lightBits))));
      hn::StoreU(hn::Or(blue, hn::BitCast(d, greenAndRed)), d, destination + first);
    }
    destination += kFrameWidth;
    leftU += leftStepU;
    rightU += rightStepU;
    leftV += leftStepV;
    rightV += rightStepV;
    leftL += leftStepL;
    rightL += rightStepL;
  }
}
#endif  // HWY_TARGET != HWY_SCALAR

// Every block of block rows first..31 and block columns first..63; with skipMisses, not
// those that touch a vertex marked as a miss.
void MapBlocks(const uint32_t* texture, uint32_t* frame, int32_t first, bool skipMisses) {
  for (int32_t blockRow = first; blockRow < kGridRows - 1; ++blockRow) {
    for (int32_t blockColumn = first; blockColumn < kGridColumns - 1; ++blockColumn) {
      if (skipMisses && TouchesMiss(blockColumn, blockRow)) continue;
      uint32_t* destination = frame + blockRow * kBlockSide * kFrameWidth + blockColumn * kBlockSide;
#if HWY_TARGET == HWY_SCALAR
      GridMapBlock(texture, destination, blockColumn, blockRow);  // one lane: the plain form
#else
      BlockInVectors(texture, destination, blockColumn, blockRow);
#endif
    }
  }
}

}  // namespace HWY_NAMESPACE
}  // namespace zelto_grid
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace zelto_grid {
HWY_EXPORT(MapBlocks);

// The reference for both: one block at a time through GridMapBlock.
void MapBlocksScalar(const uint32_t* texture, uint32_t* frame, int32_t first, bool skipMisses) {
  for (int32_t blockRow = first; blockRow < kGridRows - 1; ++blockRow) {
    for (int32_t blockColumn = first; blockColumn < kGridColumns - 1; ++blockColumn) {
      if (skipMisses && TouchesMiss(blockColumn, blockRow)) continue;
      GridMapBlock(texture, frame + blockRow * kBlockSide * kFrameWidth + blockColumn * kBlockSide,
                   blockColumn, blockRow);
    }
  }
}
}  // namespace zelto_grid

void GridMap(const uint32_t* texture, uint32_t* frame) {
  // With one target (the browser build) the dispatch names the kernel unqualified.
  using namespace zelto_grid;
  HWY_DYNAMIC_DISPATCH(MapBlocks)(texture, frame, 0, false);
}

void GridMapMasked(const uint32_t* texture, uint32_t* frame) {
  using namespace zelto_grid;
  HWY_DYNAMIC_DISPATCH(MapBlocks)(texture, frame, 1, true);
}

void GridMapScalar(const uint32_t* texture, uint32_t* frame) { zelto_grid::MapBlocksScalar(texture, frame, 0, false); }

void GridMapMaskedScalar(const uint32_t* texture, uint32_t* frame) {
  zelto_grid::MapBlocksScalar(texture, frame, 1, true);
}
#endif  // HWY_ONCE

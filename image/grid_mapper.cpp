// The grid mapper: per-block edge stepping, per-pixel texel fetch and saturating light.
#include "image/grid_mapper.h"

#include <algorithm>

#include "app/frame_buffer.h"
#include "image/fixed_point.h"

int32_t GridU[kGridVertices];
int32_t GridV[kGridVertices];
int32_t GridLight[kGridVertices];

namespace {

constexpr int kBlockSide = 8;
constexpr int kBlockShift = 3;  // divides by the block side, rounding toward minus infinity

// (to - from) >> 3 on the 32-bit wrapped difference.
inline int32_t EdgeStep(int32_t from, int32_t to) { return WrapSubtract(to, from) >> kBlockShift; }

}  // namespace

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
      const uint32_t texel = texture[((v >> 16) & 255) * 256 + ((u >> 16) & 255)];
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

void GridMap(const uint32_t* texture, uint32_t* frame) {
  for (int32_t blockRow = 0; blockRow < kGridRows - 1; ++blockRow) {
    for (int32_t blockColumn = 0; blockColumn < kGridColumns - 1; ++blockColumn) {
      GridMapBlock(texture, frame + blockRow * kBlockSide * kFrameWidth + blockColumn * kBlockSide,
                   blockColumn, blockRow);
    }
  }
}

void GridMapMasked(const uint32_t* texture, uint32_t* frame) {
  for (int32_t blockRow = 1; blockRow < kGridRows - 1; ++blockRow) {
    for (int32_t blockColumn = 1; blockColumn < kGridColumns - 1; ++blockColumn) {
      const int32_t topLeft = blockColumn * kGridRows + blockRow;
      const int32_t topRight = topLeft + kGridRows;
      if (GridLight[topLeft] == kGridLightMissMarker || GridLight[topLeft + 1] == kGridLightMissMarker ||
          GridLight[topRight] == kGridLightMissMarker || GridLight[topRight + 1] == kGridLightMissMarker) {
        continue;
      }
      GridMapBlock(texture, frame + blockRow * kBlockSide * kFrameWidth + blockColumn * kBlockSide,
                   blockColumn, blockRow);
    }
  }
}

// RadialBlur: eight ray passes, then four quadrant passes, each a loop of its own with
// its neighbour offsets fixed at compile time.
#include "image/radial_blur.h"

#include <algorithm>

#include "app/frame_buffer.h"

namespace {

constexpr int32_t kStride = kFrameWidth;
constexpr float kRayFade = 0.996875f;     // carried light loses exactly one level per pixel
constexpr double kOwnShare = 0.023;       // the pixel's own light kept on a ray
constexpr uint32_t kOwnShareFixed = 1507; // the same share out of 65536, exact for 0..255

// One ray channel: trunc(inward * 0.996875f + trunc(own * 0.023)), limited to 255.
inline uint32_t RayChannel(uint32_t inward, uint32_t own) {
  const int32_t ownTerm = static_cast<int32_t>(static_cast<double>(own) * kOwnShare);
  const float sum = static_cast<float>(static_cast<float>(inward) * kRayFade) +
                    static_cast<float>(ownTerm);
  return std::min<uint32_t>(static_cast<uint32_t>(sum), 255);
}

// One ray, walked from the centre outwards in steps of (kStepX, kStepY). Every pixel
// reads the pixel one step back, already final (or the untouched centre).
template <int kStepX, int kStepY>
void RayPass(uint32_t* frame, int32_t cx, int32_t cy) {
  // Steps that stay inside the frame; a ray never re-enters once it has left.
  int32_t steps = 511;
  if constexpr (kStepX > 0) steps = std::min(steps, kFrameWidth - 1 - cx);
  if constexpr (kStepX < 0) steps = std::min(steps, cx);
  if constexpr (kStepY > 0) steps = std::min(steps, kFrameHeight - 1 - cy);
  if constexpr (kStepY < 0) steps = std::min(steps, cy);
  constexpr int32_t kStep = kStepY * kStride + kStepX;
  uint32_t* pixel = frame + cy * kStride + cx;
  for (int32_t k = 1; k <= steps; ++k) {
    pixel += kStep;
    const uint32_t inward = pixel[-kStep];
    const uint32_t own = *pixel;
    *pixel = RayChannel((inward >> 16) & 0xFF, (own >> 16) & 0xFF) << 16 |
             RayChannel((inward >> 8) & 0xFF, (own >> 8) & 0xFF) << 8 |
             RayChannel(inward & 0xFF, own & 0xFF);
  }
}

// One channel of a quadrant pixel: own * 1507 plus the two neighbours weighted
// w : 65536 - w, each product truncated to whole levels, then >> 16 and limited to 255.
inline uint32_t QuadrantChannel(uint32_t own, uint32_t diagonal, uint32_t axial, uint32_t w) {
  const uint32_t sum = own * kOwnShareFixed + ((diagonal * w) & 0xFFFF0000u) +
                       ((axial * (65536 - w)) & 0xFFFF0000u);
  return std::min<uint32_t>(sum >> 16, 255);
}

inline uint32_t QuadrantPixel(uint32_t own, uint32_t diagonal, uint32_t axial, uint32_t w) {
  return QuadrantChannel((own >> 16) & 0xFF, (diagonal >> 16) & 0xFF, (axial >> 16) & 0xFF, w) << 16 |
         QuadrantChannel((own >> 8) & 0xFF, (diagonal >> 8) & 0xFF, (axial >> 8) & 0xFF, w) << 8 |
         QuadrantChannel(own & 0xFF, diagonal & 0xFF, axial & 0xFF, w);
}

// One quadrant, rows walked away from the centre row, each row in two runs walked away
// from the centre column: steep pixels (|dx| < |dy|) lean on the row nearer the centre,
// shallow ones (|dx| > |dy|) on the column nearer the centre, in the same row.
template <int kSignX, int kSignY>
void QuadrantPass(uint32_t* frame, int32_t cx, int32_t cy) {
  const int32_t rowCount = kSignY > 0 ? kFrameHeight - 1 - cy : cy;
  const int32_t columnCount = kSignX > 0 ? kFrameWidth - 1 - cx : cx;  // |dx| of the edge
  constexpr int32_t kInwardRow = -kSignY * kStride;
  for (int32_t d = 1; d <= rowCount; ++d) {
    uint32_t* centreColumn = frame + (cy + kSignY * d) * kStride + cx;
    const int32_t steepEnd = std::min(d - 1, columnCount);
    for (int32_t i = 1; i <= steepEnd; ++i) {
      uint32_t* pixel = centreColumn + kSignX * i;
      const uint32_t w = static_cast<uint32_t>((i << 16) / d);
      *pixel = QuadrantPixel(*pixel, pixel[kInwardRow - kSignX], pixel[kInwardRow], w);
    }
    for (int32_t i = d + 1; i <= columnCount; ++i) {
      uint32_t* pixel = centreColumn + kSignX * i;
      const uint32_t w = static_cast<uint32_t>((d << 16) / i);
      *pixel = QuadrantPixel(*pixel, pixel[kInwardRow - kSignX], pixel[-kSignX], w);
    }
  }
}

}  // namespace

void RadialBlur(uint32_t* frame, int32_t cx, int32_t cy) {
  cx = std::clamp(cx, 0, kFrameWidth - 1);
  cy = std::clamp(cy, 0, kFrameHeight - 1);
  // The rays first: the quadrant passes read them as their inner borders.
  RayPass<1, 1>(frame, cx, cy);    // down-right
  RayPass<1, -1>(frame, cx, cy);   // up-right
  RayPass<0, -1>(frame, cx, cy);   // up
  RayPass<-1, -1>(frame, cx, cy);  // up-left
  RayPass<-1, 0>(frame, cx, cy);   // left
  RayPass<1, 0>(frame, cx, cy);    // right
  RayPass<-1, 1>(frame, cx, cy);   // down-left
  RayPass<0, 1>(frame, cx, cy);    // down
  QuadrantPass<1, 1>(frame, cx, cy);    // below-right
  QuadrantPass<-1, 1>(frame, cx, cy);   // below-left
  QuadrantPass<1, -1>(frame, cx, cy);   // above-right
  QuadrantPass<-1, -1>(frame, cx, cy);  // above-left
}

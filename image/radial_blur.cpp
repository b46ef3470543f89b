// RadialBlur: eight ray passes, then four quadrants. In a quadrant every steep pixel
// reads only the row nearer the centre and every shallow pixel only the column nearer
// the centre, so the SIMD form does the steep part a row at a time and the shallow part
// a column of rows at a time (a wavefront); the plain scalar form stays beside it.
#include "image/radial_blur.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "image/radial_blur.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
#include "hwy/highway.h"

#include <algorithm>
#include <array>

#include "core/frame_buffer.h"

#ifndef ZELTO_IMAGE_RADIAL_BLUR_ONCE
#define ZELTO_IMAGE_RADIAL_BLUR_ONCE
namespace zelto_radial {

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

// The rays first: the quadrants read them as their inner borders.
inline void AllRays(uint32_t* frame, int32_t cx, int32_t cy) {
  RayPass<1, 1>(frame, cx, cy);    // down-right
  RayPass<1, -1>(frame, cx, cy);   // up-right
  RayPass<0, -1>(frame, cx, cy);   // up
  RayPass<-1, -1>(frame, cx, cy);  // up-left
  RayPass<-1, 0>(frame, cx, cy);   // left
  RayPass<1, 0>(frame, cx, cy);    // right
  RayPass<-1, 1>(frame, cx, cy);   // down-left
  RayPass<0, 1>(frame, cx, cy);    // down
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

// The reference quadrant: rows walked away from the centre row, each row in two runs
// walked away from the centre column: steep pixels (|dx| < |dy|) lean on the row nearer
// the centre, shallow ones (|dx| > |dy|) on the column nearer the centre, in the same row.
template <int kSignX, int kSignY>
void QuadrantPassScalar(uint32_t* frame, int32_t cx, int32_t cy) {
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

inline void RadialBlurScalarAt(uint32_t* frame, int32_t cx, int32_t cy) {
  AllRays(frame, cx, cy);
  QuadrantPassScalar<1, 1>(frame, cx, cy);    // below-right
  QuadrantPassScalar<-1, 1>(frame, cx, cy);   // below-left
  QuadrantPassScalar<1, -1>(frame, cx, cy);   // above-right
  QuadrantPassScalar<-1, -1>(frame, cx, cy);  // above-left
}

// A weight's divisor b (1..511) split so that floor(a * 65536 / b) is
// a * whole + floor(a * remainder / b), both parts exact in 32-bit floats for a < 256.
struct Divisor {
  float whole, remainder, inverse;
};

inline const std::array<Divisor, kFrameWidth>& Divisors() {
  static const std::array<Divisor, kFrameWidth> table = [] {
    std::array<Divisor, kFrameWidth> divisors{};
    for (uint32_t b = 1; b < divisors.size(); ++b) {
      divisors[b] = {static_cast<float>(65536 / b), static_cast<float>(65536 % b), 1.0f / static_cast<float>(b)};
    }
    return divisors;
  }();
  return table;
}

}  // namespace zelto_radial
#endif  // ZELTO_IMAGE_RADIAL_BLUR_ONCE

HWY_BEFORE_NAMESPACE();
namespace zelto_radial {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

#if HWY_TARGET != HWY_SCALAR
// At most 16 lanes, so that a block's tile of results stays small on any machine.
constexpr int32_t kMaxLanes = 16;
using D32 = hn::CappedTag<uint32_t, kMaxLanes>;
using V32 = hn::Vec<D32>;
using DF = hn::Rebind<float, D32>;
using VF = hn::Vec<DF>;

// floor(a * 65536 / b) in every lane, exact for whole numbers 0 <= a < 256: the
// remainder part a * remainder / b is below 256 and off by less than 2^-15 in float,
// while a true fraction is at least 1 / 511 away from a whole number, so adding 2^-12
// before flooring lands on the exact floor. The two whole parts are summed as floats
// (exact, under 65536), and the sum plus 2^23 holds the weight in its low mantissa bits:
// no conversion to integers, with the range checks that no weight needs.
template <class D = D32>
HWY_INLINE hn::Vec<D> RayWeights(hn::Vec<hn::Rebind<float, D>> a, const Divisor& b) {
  const D d;
  const hn::Rebind<float, D> df;
  const auto wholePart = hn::Mul(a, hn::Set(df, b.whole));
  const auto fraction = hn::Add(hn::Mul(hn::Mul(a, hn::Set(df, b.remainder)), hn::Set(df, b.inverse)),
                              hn::Set(df, 1.0f / 4096.0f));
  const auto weight = hn::Add(hn::Add(wholePart, hn::Floor(fraction)), hn::Set(df, 8388608.0f));
  return hn::And(hn::BitCast(d, weight), hn::Set(d, 0xFFFFu));
}

// QuadrantPixel on whole vectors, with weights w below 65536: each product masked to
// whole levels is the high half of a 16 x 16-bit product, so the channels, held in 16-bit
// lanes (blue and red in the even ones, green and the top byte in the odd ones), need
// three high multiplies each. The top byte is cleared, as the scalar form ignores it.
template <class V>
HWY_INLINE V QuadrantPixels(V own, V diagonal, V axial, V w) {
  const hn::DFromV<V> d;
  const hn::Repartition<uint16_t, decltype(d)> d16;
  const auto weight = hn::BitCast(d16, hn::Or(w, hn::ShiftLeft<16>(w)));
  const auto otherWeight = hn::Sub(hn::Zero(d16), weight);  // 65536 - w
  const auto lowByte = hn::Set(d16, 0x00FF);
  const auto limit = hn::Set(d16, 255);
  const auto o = hn::BitCast(d16, own), g = hn::BitCast(d16, diagonal), a = hn::BitCast(d16, axial);
#if HWY_TARGET == HWY_WASM
  // WebAssembly has no 16-bit high multiply (Highway builds one from two widening
  // multiplies and a shuffle). For a level a < 256 and a weight w = 256 wh + wl, the high
  // half of a * w is (a * wh + (a * wl >> 8)) >> 8, every step within 16 bits.
  const auto weightHigh = hn::ShiftRight<8>(weight), weightLow = hn::And(weight, lowByte);
  const auto otherHigh = hn::ShiftRight<8>(otherWeight), otherLow = hn::And(otherWeight, lowByte);
  const auto shareHigh = hn::Set(d16, static_cast<uint16_t>(kOwnShareFixed >> 8));
  const auto shareLow = hn::Set(d16, static_cast<uint16_t>(kOwnShareFixed & 0xFF));
  const auto mulHigh = [&](auto level, auto high, auto low) {
    return hn::ShiftRight<8>(hn::Add(hn::Mul(level, high), hn::ShiftRight<8>(hn::Mul(level, low))));
  };
  const auto blend = [&](auto ownLevel, auto diagonalLevel, auto axialLevel) {
    return hn::Min(hn::Add(hn::Add(mulHigh(diagonalLevel, weightHigh, weightLow), mulHigh(axialLevel, otherHigh, otherLow)),
                           mulHigh(ownLevel, shareHigh, shareLow)),
                   limit);
  };
#else
  const auto share = hn::Set(d16, static_cast<uint16_t>(kOwnShareFixed));
  const auto blend = [&](auto ownLevel, auto diagonalLevel, auto axialLevel) {
    return hn::Min(hn::Add(hn::Add(hn::MulHigh(diagonalLevel, weight), hn::MulHigh(axialLevel, otherWeight)),
                           hn::MulHigh(ownLevel, share)),
                   limit);
  };
#endif
  const auto even = blend(hn::And(o, lowByte), hn::And(g, lowByte), hn::And(a, lowByte));
  const auto odd = blend(hn::ShiftRight<8>(o), hn::ShiftRight<8>(g), hn::ShiftRight<8>(a));
  return hn::And(hn::BitCast(d, hn::Or(even, hn::ShiftLeft<8>(odd))), hn::Set(d, 0x00FFFFFFu));
}

// The steep pixels of row `row`, i = 1 .. count, in vectors of d across the row: they
// read only the row before. The last vector overlaps the one before; it is worked out
// before any store of the row so that both write the same values. Needs count >= lanes.
template <int kSignX, int kSignY, class D>
HWY_INLINE void SteepRow(D d, uint32_t* centreColumn, int32_t row, int32_t count) {
  const hn::Rebind<float, D> df;
  const int32_t lanes = static_cast<int32_t>(hn::Lanes(d));
  constexpr int32_t kInwardRow = -kSignY * kStride;
  // Lane j holds i = first + j going right, i = first + lanes - 1 - j going left.
  const auto laneOffset =
      kSignX > 0 ? hn::Iota(df, 0.0f) : hn::Sub(hn::Set(df, static_cast<float>(lanes - 1)), hn::Iota(df, 0.0f));
  const Divisor& divisor = Divisors()[row];
  const auto vectorAt = [&](int32_t first, uint32_t*& start) {
    start = kSignX > 0 ? centreColumn + first : centreColumn - (first + lanes - 1);
    const auto w = RayWeights<D>(hn::Add(laneOffset, hn::Set(df, static_cast<float>(first))), divisor);
    return QuadrantPixels(hn::LoadU(d, start), hn::LoadU(d, start + kInwardRow - kSignX),
                          hn::LoadU(d, start + kInwardRow), w);
  };
  uint32_t* lastStart = nullptr;
  const auto last = vectorAt(count - lanes + 1, lastStart);
  for (int32_t first = 1; first + lanes - 1 < count; first += lanes) {
    uint32_t* start = nullptr;
    const auto pixels = vectorAt(first, start);
    hn::StoreU(pixels, d, start);
  }
  hn::StoreU(last, d, lastStart);
}

// Every row's steep pixels: rows of a vector or more in full vectors, shorter ones in
// vectors of four, the shortest one pixel at a time.
template <int kSignX, int kSignY>
void SteepRows(uint32_t* frame, int32_t cx, int32_t cy) {
  const D32 d;
  const hn::CappedTag<uint32_t, 4> d4;
  const int32_t lanes = static_cast<int32_t>(hn::Lanes(d));
  const int32_t lanes4 = static_cast<int32_t>(hn::Lanes(d4));
  const int32_t rowCount = kSignY > 0 ? kFrameHeight - 1 - cy : cy;
  const int32_t columnCount = kSignX > 0 ? kFrameWidth - 1 - cx : cx;
  constexpr int32_t kInwardRow = -kSignY * kStride;
  for (int32_t row = 1; row <= rowCount; ++row) {
    uint32_t* centreColumn = frame + (cy + kSignY * row) * kStride + cx;
    const int32_t count = std::min(row - 1, columnCount);
    if (count >= lanes) {
      SteepRow<kSignX, kSignY>(d, centreColumn, row, count);
    } else if (count >= lanes4) {
      SteepRow<kSignX, kSignY>(d4, centreColumn, row, count);
    } else {
      for (int32_t i = 1; i <= count; ++i) {
        uint32_t* pixel = centreColumn + kSignX * i;
        const uint32_t w = static_cast<uint32_t>((i << 16) / row);
        *pixel = QuadrantPixel(*pixel, pixel[kInwardRow - kSignX], pixel[kInwardRow], w);
      }
    }
  }
}

// The shallow pixels, i > d, in blocks of one vector of rows: walking i outwards, the
// column of the block is worked from the column before, kept in a register (the axial
// neighbours; the diagonal ones are the same moved down a lane, with the finished row
// above the block on top). Own pixels are gathered from the rows. The results of a whole
// block gather in a tile of lanes x lanes pixels, which goes back to the frame a row at a
// time once full (or at the block's end): no pixel of the block is read again by it after
// its own step. Near the block's start a column holds steep or diagonal pixels in its
// lower lanes: they are final already and go back unchanged.
template <int kSignX, int kSignY>
void ShallowColumns(uint32_t* frame, int32_t cx, int32_t cy) {
  const D32 d;
  const DF df;
  const hn::RebindToSigned<D32> di;
  const int32_t lanes = static_cast<int32_t>(hn::Lanes(d));
  const int32_t rowCount = kSignY > 0 ? kFrameHeight - 1 - cy : cy;
  const int32_t columnCount = kSignX > 0 ? kFrameWidth - 1 - cx : cx;
  constexpr int32_t kRowStep = kSignY * kStride;
  HWY_ALIGN int32_t down[kMaxLanes];
  HWY_ALIGN int32_t acrossTile[kMaxLanes];  // tile column of lane l, in frame order
  for (int32_t j = 0; j < lanes; ++j) {
    down[j] = std::max(j - 1, 0);
    acrossTile[j] = (kSignX > 0 ? j : lanes - 1 - j) * lanes;
  }
  const auto moveDown = hn::SetTableIndices(d, down);
  const auto tileRow = hn::Load(di, acrossTile);
  const auto topLane = hn::FirstN(d, 1);
  const auto offsets = hn::Mul(hn::Iota(di, 0), hn::Set(di, kRowStep));  // lane j: row top + j
  HWY_ALIGN uint32_t gathered[kMaxLanes];
  HWY_ALIGN uint32_t tile[kMaxLanes * kMaxLanes];  // tile[k * lanes + j]: column first + k, row top + j
  for (int32_t top = 1; top <= rowCount && top + 1 <= columnCount; top += lanes) {
    const int32_t rows = std::min(lanes, rowCount - top + 1);
    uint32_t* blockCentre = frame + (cy + kSignY * top) * kStride + cx;  // row top, column cx
    const uint32_t* rowAbove = blockCentre - kRowStep;
    const auto flush = [&](int32_t first, int32_t columns) {
      for (int32_t j = 0; j < rows; ++j) {
        uint32_t* rowCentre = blockCentre + j * kRowStep;
        if (columns == lanes) {
          hn::StoreU(hn::GatherIndex(d, tile + j, tileRow), d,
                     rowCentre + (kSignX > 0 ? first : -(first + lanes - 1)));
        } else {
          for (int32_t k = 0; k < columns; ++k) rowCentre[kSignX * (first + k)] = tile[k * lanes + j];
        }
      }
    };
    std::fill(gathered, gathered + lanes, 0u);
    for (int32_t j = 0; j < rows; ++j) gathered[j] = blockCentre[j * kRowStep + kSignX * top];
    V32 previous = hn::Load(d, gathered);
    const VF rowIndex = hn::Add(hn::Iota(df, 0.0f), hn::Set(df, static_cast<float>(top)));
    int32_t tileFirst = top + 1;
    for (int32_t i = top + 1; i <= columnCount; ++i) {
      const uint32_t* column = blockCentre + kSignX * i;
      V32 own;
      if (rows == lanes) {
        own = hn::GatherIndex(d, column, offsets);
      } else {
        for (int32_t j = 0; j < rows; ++j) gathered[j] = column[j * kRowStep];
        own = hn::Load(d, gathered);
      }
      const V32 diagonal = hn::IfThenElse(topLane, hn::Set(d, rowAbove[kSignX * (i - 1)]),
                                          hn::TableLookupLanes(previous, moveDown));
      const V32 w = RayWeights(rowIndex, Divisors()[i]);
      const int32_t shallowRows = std::min(rows, i - top);
      previous = hn::IfThenElse(hn::FirstN(d, static_cast<size_t>(shallowRows)),
                                QuadrantPixels(own, diagonal, previous, w), own);
      hn::Store(previous, d, tile + (i - tileFirst) * lanes);
      if (i - tileFirst + 1 == lanes) {
        flush(tileFirst, lanes);
        tileFirst = i + 1;
      }
    }
    if (tileFirst <= columnCount) flush(tileFirst, columnCount - tileFirst + 1);
  }
}

// The shallow pixels again, for four lanes (WebAssembly, SSE4, NEON), where a gather is
// four loads and four inserts: blocks of four rows go outwards in squares of four columns,
// each square loaded as rows, turned into columns in registers, worked a column at a time
// as above, turned back and stored as rows. The columns past the last whole square, and a
// block of fewer than four rows, go a column at a time through a small buffer.
template <int kSignX, int kSignY>
void ShallowSquares(uint32_t* frame, int32_t cx, int32_t cy) {
  const hn::FixedTag<uint32_t, 4> d;
  const hn::Rebind<float, decltype(d)> df;
  const hn::Repartition<uint64_t, decltype(d)> d64;
  using V = hn::Vec<decltype(d)>;
  const int32_t rowCount = kSignY > 0 ? kFrameHeight - 1 - cy : cy;
  const int32_t columnCount = kSignX > 0 ? kFrameWidth - 1 - cx : cx;
  constexpr int32_t kRowStep = kSignY * kStride;
  const auto topLane = hn::FirstN(d, 1);
  // Four rows become four columns, or back: lane j of vector k becomes lane k of vector j.
  const auto transpose = [&](V& v0, V& v1, V& v2, V& v3) {
    const auto low01 = hn::BitCast(d64, hn::InterleaveLower(d, v0, v1));
    const auto low23 = hn::BitCast(d64, hn::InterleaveLower(d, v2, v3));
    const auto high01 = hn::BitCast(d64, hn::InterleaveUpper(d, v0, v1));
    const auto high23 = hn::BitCast(d64, hn::InterleaveUpper(d, v2, v3));
    v0 = hn::BitCast(d, hn::InterleaveLower(d64, low01, low23));
    v1 = hn::BitCast(d, hn::InterleaveUpper(d64, low01, low23));
    v2 = hn::BitCast(d, hn::InterleaveLower(d64, high01, high23));
    v3 = hn::BitCast(d, hn::InterleaveUpper(d64, high01, high23));
  };
  HWY_ALIGN uint32_t buffer[4];
  for (int32_t top = 1; top <= rowCount && top + 1 <= columnCount; top += 4) {
    const int32_t rows = std::min(4, rowCount - top + 1);
    uint32_t* blockCentre = frame + (cy + kSignY * top) * kStride + cx;  // row top, column cx
    const uint32_t* rowAbove = blockCentre - kRowStep;
    const auto rowIndex = hn::Add(hn::Iota(df, 0.0f), hn::Set(df, static_cast<float>(top)));
    // Column i from its own pixels and the finished column before it (`previous`).
    V previous;
    const auto step = [&](int32_t i, V own) {
      const V diagonal = hn::IfThenElse(topLane, hn::Set(d, rowAbove[kSignX * (i - 1)]), hn::ShiftLeftLanes<1>(d, previous));
      const V w = RayWeights<decltype(d)>(rowIndex, Divisors()[i]);
      if (i - top >= rows) return previous = QuadrantPixels(own, diagonal, previous, w);
      // Near the block's start the lower lanes hold steep or diagonal pixels, already final.
      const size_t shallowRows = static_cast<size_t>(i - top);
      return previous = hn::IfThenElse(hn::FirstN(d, shallowRows), QuadrantPixels(own, diagonal, previous, w), own);
    };
    std::fill(buffer, buffer + 4, 0u);
    for (int32_t j = 0; j < rows; ++j) buffer[j] = blockCentre[j * kRowStep + kSignX * top];
    previous = hn::Load(d, buffer);
    int32_t i = top + 1;
    for (; rows == 4 && i + 3 <= columnCount; i += 4) {
      uint32_t* left = blockCentre + (kSignX > 0 ? i : -(i + 3));  // the square's top left pixel
      V v0 = hn::LoadU(d, left), v1 = hn::LoadU(d, left + kRowStep);
      V v2 = hn::LoadU(d, left + 2 * kRowStep), v3 = hn::LoadU(d, left + 3 * kRowStep);
      transpose(v0, v1, v2, v3);
      if constexpr (kSignX > 0) {
        v0 = step(i, v0), v1 = step(i + 1, v1), v2 = step(i + 2, v2), v3 = step(i + 3, v3);
      } else {
        v3 = step(i, v3), v2 = step(i + 1, v2), v1 = step(i + 2, v1), v0 = step(i + 3, v0);
      }
      transpose(v0, v1, v2, v3);
      hn::StoreU(v0, d, left);
      hn::StoreU(v1, d, left + kRowStep);
      hn::StoreU(v2, d, left + 2 * kRowStep);
      hn::StoreU(v3, d, left + 3 * kRowStep);
    }
    for (; i <= columnCount; ++i) {
      uint32_t* column = blockCentre + kSignX * i;
      for (int32_t j = 0; j < rows; ++j) buffer[j] = column[j * kRowStep];
      hn::Store(step(i, hn::Load(d, buffer)), d, buffer);
      for (int32_t j = 0; j < rows; ++j) column[j * kRowStep] = buffer[j];
    }
  }
}

template <int kSignX, int kSignY>
void QuadrantPass(uint32_t* frame, int32_t cx, int32_t cy) {
  SteepRows<kSignX, kSignY>(frame, cx, cy);
  if constexpr (HWY_MAX_BYTES == 16) {
    ShallowSquares<kSignX, kSignY>(frame, cx, cy);
  } else {
    ShallowColumns<kSignX, kSignY>(frame, cx, cy);
  }
}
#endif  // HWY_TARGET != HWY_SCALAR

void BlurAt(uint32_t* frame, int32_t cx, int32_t cy) {
#if HWY_TARGET == HWY_SCALAR
  RadialBlurScalarAt(frame, cx, cy);  // one lane: no channel view
#else
  AllRays(frame, cx, cy);
  // The quadrants share no pixel, and steep and shallow pixels read only their own kind
  // and the rays, so their order does not matter.
  QuadrantPass<1, 1>(frame, cx, cy);
  QuadrantPass<-1, 1>(frame, cx, cy);
  QuadrantPass<1, -1>(frame, cx, cy);
  QuadrantPass<-1, -1>(frame, cx, cy);
#endif
}

}  // namespace HWY_NAMESPACE
}  // namespace zelto_radial
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace zelto_radial {
HWY_EXPORT(BlurAt);
}  // namespace zelto_radial

void RadialBlur(uint32_t* frame, int32_t cx, int32_t cy) {
  // With one target (the browser build) the dispatch names the kernel unqualified.
  using namespace zelto_radial;
  HWY_DYNAMIC_DISPATCH(BlurAt)(frame, std::clamp(cx, 0, kFrameWidth - 1),
                               std::clamp(cy, 0, kFrameHeight - 1));
}

void RadialBlurScalar(uint32_t* frame, int32_t cx, int32_t cy) {
  zelto_radial::RadialBlurScalarAt(frame, std::clamp(cx, 0, kFrameWidth - 1), std::clamp(cy, 0, kFrameHeight - 1));
}
#endif  // HWY_ONCE

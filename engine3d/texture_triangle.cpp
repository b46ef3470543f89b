// TextureTriangle: affine texture-mapped triangles in 16.16 fixed point, the spans in
// SIMD (one source for every target, chosen at run time) beside the plain scalar form.
#include "engine3d/texture_triangle.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "engine3d/texture_triangle.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
#include "hwy/highway.h"

#include <algorithm>
#include <utility>

#include "core/exact_divide.h"
#include "core/fixed_point.h"
#include "core/frame_buffer.h"

#ifndef ZELTO_ENGINE3D_TEXTURE_TRIANGLE_ONCE
#define ZELTO_ENGINE3D_TEXTURE_TRIANGLE_ONCE
namespace zelto_triangle {

struct Corner {
  int32_t x, y, u, v;
};

// One side of the triangle walked row by row: 16.16 column and texel coordinates.
// Accumulation is done in uint32_t so that it wraps as the hardware does; inside
// kTriangleCoordinateLimit it never needs to.
struct Edge {
  uint32_t x, u, v;
  uint32_t stepX, stepU, stepV;

  Edge(const Corner& from, const Corner& to, int32_t rows)
      : x(static_cast<uint32_t>(IntToFixed16(from.x))),
        u(static_cast<uint32_t>(IntToFixed16(from.u))),
        v(static_cast<uint32_t>(IntToFixed16(from.v))),
        stepX(Step(from.x, to.x, rows)),
        stepU(Step(from.u, to.u, rows)),
        stepV(Step(from.v, to.v, rows)) {}

  static uint32_t Step(int32_t from, int32_t to, int32_t rows) {
    // Multiply first, then divide, truncating toward zero.
    return static_cast<uint32_t>(
        static_cast<int32_t>(DivideTruncating((static_cast<int64_t>(to) - from) * kFixed16One, rows)));
  }

  void Advance(uint32_t rows) {
    x += stepX * rows;
    u += stepU * rows;
    v += stepV * rows;
  }
};

// Texel coordinates at or beyond 255.0 (or negative, which wraps to a large unsigned
// value) sample texel 0.
constexpr uint32_t kTexelLimit = static_cast<uint32_t>(IntToFixed16(255));
// The widest vector a span is drawn in: spans on the object are a few pixels long.
constexpr int32_t kSpanLanes = 8;

// One span, pixel by pixel: columns x..last (0 <= x <= last <= 511) of `row`, the first
// at texel coordinates (u, v), each next one (du, dv) further; a pixel whose u or v is
// outside 0..254 (16.16) gets texel 0. Texture 0x00RRGGBB, stride 256.
struct ScalarSpan {
  void operator()(const uint32_t* texture, uint32_t* row, int32_t x, int32_t last, uint32_t u, uint32_t v,
                  uint32_t du, uint32_t dv) const {
    const uint32_t fallback = texture[0];
    for (; x <= last; ++x) {
      row[x] = (u < kTexelLimit && v < kTexelLimit) ? texture[((v >> kFixed16Shift) << 8) + (u >> kFixed16Shift)] : fallback;
      u += du;
      v += dv;
    }
  }
};

inline bool WithinLimit(int32_t value) {
  return value >= -kTriangleCoordinateLimit && value <= kTriangleCoordinateLimit;
}

}  // namespace zelto_triangle
#endif  // ZELTO_ENGINE3D_TEXTURE_TRIANGLE_ONCE

HWY_BEFORE_NAMESPACE();
namespace zelto_triangle {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// Draws rows [top, bottom) between two edges, each span through `span`. Pixel format
// 0x00RRGGBB, frame stride 512, texture stride 256. Rows above the frame are stepped
// over in one go, rows below it are not walked; each span is clipped to columns 0..511
// the same way, so every pixel drawn gets the very texel coordinates a full walk would
// give it. Inlined: passed to a call, the edges built field by field would be read back
// whole from the stack, a store-forwarding stall per edge that small triangles feel.
template <class Span>
HWY_INLINE void DrawRows(const uint32_t* texture, uint32_t* frame, int32_t top, int32_t bottom, Edge left, Edge right,
                         const Span& span) {
  int32_t y = top;
  if (y < 0) {
    const int32_t skipped = std::min(bottom, 0) - y;
    left.Advance(static_cast<uint32_t>(skipped));
    right.Advance(static_cast<uint32_t>(skipped));
    y += skipped;
  }
  const int32_t stop = std::min(bottom, kFrameHeight);
  for (; y < stop; ++y) {
    const int32_t leftX = static_cast<int32_t>(left.x), rightX = static_cast<int32_t>(right.x);
    const int32_t width = Fixed16ToInt(static_cast<int32_t>(right.x - left.x));
    if (width > 0) {
      const uint32_t du = static_cast<uint32_t>(DivideTruncating(static_cast<int32_t>(right.u - left.u), width));
      const uint32_t dv = static_cast<uint32_t>(DivideTruncating(static_cast<int32_t>(right.v - left.v), width));
      uint32_t u = left.u, v = left.v;
      int32_t x = Fixed16ToInt(leftX);
      const int32_t last = std::min(Fixed16ToInt(rightX), kFrameWidth - 1);
      if (x < 0) {
        const uint32_t skipped = static_cast<uint32_t>(std::min(last + 1, 0) - x);
        u += du * skipped;
        v += dv * skipped;
        x += static_cast<int32_t>(skipped);
      }
      if (x <= last) span(texture, frame + y * kFrameWidth, x, last, u, v, du, dv);
    }
    left.x += left.stepX;
    left.u += left.stepU;
    left.v += left.stepV;
    right.x += right.stepX;
    right.u += right.stepU;
    right.v += right.stepV;
  }
}

// Frame and texture 0x00RRGGBB, strides 512 and 256; corners in any order, each
// coordinate within +-kTriangleCoordinateLimit (else nothing is drawn), so that no
// 16.16 value overflows. Clipped per pixel to the 512 x 256 frame.
template <class Span>
void FillTriangle(const uint32_t* texture, uint32_t* frame, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                  int32_t x2, int32_t y2, int32_t u0, int32_t v0, int32_t u1, int32_t v1, int32_t u2, int32_t v2,
                  const Span& span) {
  for (int32_t value : {x0, y0, x1, y1, x2, y2, u0, v0, u1, v1, u2, v2}) {
    if (!WithinLimit(value)) return;
  }
  Corner c0{x0, y0, u0, v0}, c1{x1, y1, u1, v1}, c2{x2, y2, u2, v2};
  // Sort by row with three compare-and-swaps; corners on the same row keep their order.
  if (c1.y > c2.y) std::swap(c1, c2);
  if (c0.y > c1.y) std::swap(c0, c1);
  if (c1.y > c2.y) std::swap(c1, c2);
  if (c2.y == c0.y) return;

  // S: where the long edge c0-c2 crosses the middle row.
  const int32_t height = c2.y - c0.y, upper = c1.y - c0.y;
  const auto split = [&](int32_t from, int32_t to) {
    return from + static_cast<int32_t>(DivideTruncating(static_cast<int64_t>(to - from) * upper, height));
  };
  const Corner s{split(c0.x, c2.x), c1.y, split(c0.u, c2.u), split(c0.v, c2.v)};
  Corner left = s, right = c1;
  if (s.x > c1.x) std::swap(left, right);

  if (upper > 0) {
    DrawRows(texture, frame, c0.y, c1.y, Edge(c0, left, upper), Edge(c0, right, upper), span);
  }
  const int32_t lower = c2.y - c1.y;
  if (lower > 0) {
    DrawRows(texture, frame, c1.y, c2.y, Edge(left, c2, lower), Edge(right, c2, lower), span);
  }
}

#if HWY_TARGET != HWY_SCALAR
// ScalarSpan in vectors: lane j of a vector at column x holds u + (x - first + j) * du,
// which wraps exactly as the running sum does; out-of-range texel coordinates fetch index
// 0, so every gathered index lies inside the texture. Short spans are the rule on the
// object (a few pixels a row), so the last vector is stored under a mask, not in a loop,
// and spans of up to four pixels take a four-lane vector, whose gather costs less.
struct VectorSpan {
  HWY_INLINE void operator()(const uint32_t* texture, uint32_t* row, int32_t x, int32_t last, uint32_t u,
                             uint32_t v, uint32_t du, uint32_t dv) const {
    if (last - x < 4) {
      Draw(hn::CappedTag<uint32_t, 4>(), texture, row, x, last, u, v, du, dv);
    } else {
      Draw(hn::CappedTag<uint32_t, kSpanLanes>(), texture, row, x, last, u, v, du, dv);
    }
  }

  template <class D>
  HWY_INLINE static void Draw(D d, const uint32_t* texture, uint32_t* row, int32_t x, int32_t last, uint32_t u,
                              uint32_t v, uint32_t du, uint32_t dv) {
    const hn::RebindToSigned<decltype(d)> di;
    const int32_t lanes = static_cast<int32_t>(hn::Lanes(d));
    const auto laneIndex = hn::Iota(d, 0);
    auto us = hn::Add(hn::Set(d, u), hn::Mul(laneIndex, hn::Set(d, du)));
    auto vs = hn::Add(hn::Set(d, v), hn::Mul(laneIndex, hn::Set(d, dv)));
    const auto uStep = hn::Set(d, du * static_cast<uint32_t>(lanes));
    const auto vStep = hn::Set(d, dv * static_cast<uint32_t>(lanes));
    const auto limit = hn::Set(d, kTexelLimit);
    for (;; x += lanes) {
      const auto inside = hn::And(hn::Lt(us, limit), hn::Lt(vs, limit));
      const auto index = hn::IfThenElseZero(
          inside, hn::Or(hn::ShiftLeft<8>(hn::ShiftRight<kFixed16Shift>(vs)), hn::ShiftRight<kFixed16Shift>(us)));
      const auto texels = hn::GatherIndex(d, texture, hn::BitCast(di, index));
      const int32_t remaining = last - x + 1;
      if (remaining <= lanes) {
        StoreFirst(texels, remaining, row + x);
        return;
      }
      hn::StoreU(texels, d, row + x);
      us = hn::Add(us, uStep);
      vs = hn::Add(vs, vStep);
    }
  }

  // Stores lanes 0..count-1 (1 <= count <= lanes) and touches nothing past them, as the
  // span may end on the frame's last pixel.
  template <class V>
  HWY_INLINE static void StoreFirst(V texels, int32_t count, uint32_t* destination) {
    const hn::DFromV<V> d;
#if HWY_ARCH_X86 && HWY_TARGET <= HWY_AVX2
    hn::BlendedStore(texels, hn::FirstN(d, static_cast<size_t>(count)), d, destination);  // a masked store
#else
    // Elsewhere a blended store reads and writes the whole vector.
    HWY_ALIGN uint32_t lanes[kSpanLanes];
    hn::Store(texels, d, lanes);
    std::copy(lanes, lanes + count, destination);
#endif
  }
};
#endif  // HWY_TARGET != HWY_SCALAR

void Fill(const uint32_t* texture, uint32_t* frame, int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2,
          int32_t y2, int32_t u0, int32_t v0, int32_t u1, int32_t v1, int32_t u2, int32_t v2) {
#if HWY_TARGET == HWY_SCALAR
  FillTriangle(texture, frame, x0, y0, x1, y1, x2, y2, u0, v0, u1, v1, u2, v2, ScalarSpan{});  // one lane
#else
  FillTriangle(texture, frame, x0, y0, x1, y1, x2, y2, u0, v0, u1, v1, u2, v2, VectorSpan{});
#endif
}

}  // namespace HWY_NAMESPACE
}  // namespace zelto_triangle
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace zelto_triangle {
HWY_EXPORT(Fill);
}  // namespace zelto_triangle

void TextureTriangle(const uint32_t* texture, uint32_t* frame, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                     int32_t x2, int32_t y2, int32_t u0, int32_t v0, int32_t u1, int32_t v1, int32_t u2, int32_t v2) {
  // With one target (the browser build) the dispatch names the kernel unqualified.
  using namespace zelto_triangle;
  HWY_DYNAMIC_DISPATCH(Fill)(texture, frame, x0, y0, x1, y1, x2, y2, u0, v0, u1, v1, u2, v2);
}

void TextureTriangleScalar(const uint32_t* texture, uint32_t* frame, int32_t x0, int32_t y0, int32_t x1,
                           int32_t y1, int32_t x2, int32_t y2, int32_t u0, int32_t v0, int32_t u1, int32_t v1,
                           int32_t u2, int32_t v2) {
  // The baseline target's copy of the triangle set-up, with the plain span.
  zelto_triangle::HWY_NAMESPACE::FillTriangle(texture, frame, x0, y0, x1, y1, x2, y2, u0, v0, u1, v1, u2, v2,
                                              zelto_triangle::ScalarSpan{});
}
#endif  // HWY_ONCE

// Synthetic picture sequences for the flash analyser and limiter tests: strobes, fades and
// flickers of a whole 512 x 256 picture or of a square in it, at 60 pictures a second.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

constexpr int32_t kSequenceWidth = 512;
constexpr int32_t kSequenceHeight = 256;
constexpr int32_t kSequenceRate = 60;

using Picture = std::vector<uint32_t>;
// The picture of frame n.
using Sequence = std::function<Picture(int32_t frame)>;

inline uint32_t Grey(uint32_t level) { return level << 16 | level << 8 | level; }

// `on` and `off` alternate at `hertz` full cycles a second over the square (x, y, side)
// on a background of `background`; side 0 means the whole picture.
inline Sequence Strobe(double hertz, uint32_t on, uint32_t off, int32_t x = 0, int32_t y = 0, int32_t side = 0,
                       uint32_t background = 0) {
  return [=](int32_t frame) {
    const bool lit = static_cast<int64_t>(frame * 2 * hertz / kSequenceRate) % 2 == 0;
    Picture picture(static_cast<size_t>(kSequenceWidth) * kSequenceHeight, side == 0 ? (lit ? on : off) : background);
    for (int32_t row = y; side != 0 && row < y + side && row < kSequenceHeight; ++row)
      for (int32_t column = x; column < x + side && column < kSequenceWidth; ++column)
        picture[static_cast<size_t>(row) * kSequenceWidth + column] = lit ? on : off;
    return picture;
  };
}

// Black to white over `seconds`, one level at a time.
inline Sequence Fade(double seconds) {
  return [=](int32_t frame) {
    const double share = std::min(1.0, frame / (seconds * kSequenceRate));
    return Picture(static_cast<size_t>(kSequenceWidth) * kSequenceHeight, Grey(static_cast<uint32_t>(share * 255.0)));
  };
}

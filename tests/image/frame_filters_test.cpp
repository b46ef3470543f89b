// BlitAdditive, InvertFrame and VerticalSmear on whole frames.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <vector>

#include "core/frame_buffer.h"
#include "image/blit_additive.h"
#include "image/invert_frame.h"
#include "image/vertical_smear.h"

namespace {

using Frame = std::vector<uint32_t>;

// Each channel of a and b added and limited to 255; the top bytes do not count.
uint32_t AddSaturated(uint32_t a, uint32_t b) {
  uint32_t sum = 0;
  for (int shift : {0, 8, 16}) sum |= std::min<uint32_t>(((a >> shift) & 0xFF) + ((b >> shift) & 0xFF), 255) << shift;
  return sum;
}

TEST(BlitAdditive, EveryPairOfChannelLevelsAddsAndClampsAlone) {
  // Source levels down the rows, frame levels across the columns, mixed per channel.
  std::vector<uint32_t> source(256 * 256);
  Frame frame(kFramePixels), expected(kFramePixels);
  for (uint32_t i = 0; i < 256 * 256; ++i) {
    const uint32_t x = i % 256, y = i / 256, at = y * kFrameWidth + x;
    source[i] = 0xFF000000u | y << 16 | (255 - y) << 8 | (x ^ y);
    frame[at] = 0xAA000000u | x << 16 | x << 8 | (255 - x);
    expected[at] = AddSaturated(source[i], frame[at]);
  }
  BlitAdditive(source.data(), 256, 256, frame.data(), 0, 0);
  EXPECT_EQ(frame, expected);
}

TEST(BlitAdditive, ClipsOnAllFourSides) {
  // Each source pixel encodes its own position, so the offset into the source shows.
  std::vector<uint32_t> source(64 * 64);
  for (int i = 0; i < 64 * 64; ++i) source[i] = static_cast<uint32_t>((i / 64) << 8 | (i % 64)) + 1;
  for (const auto& [left, top] : std::vector<std::pair<int, int>>{{-10, -10}, {480, 240}, {511, 255}, {-63, 100}, {512, 0},
                                    {0, 256}, {-64, 0}, {0, -64}, {INT32_MAX, INT32_MAX}, {INT32_MIN, 0}}) {
    Frame frame(kFramePixels, 0), expected(kFramePixels, 0);
    for (int i = 0; i < 64 * 64; ++i) {
      const int64_t x = int64_t{left} + i % 64, y = int64_t{top} + i / 64;
      if (x >= 0 && x < kFrameWidth && y >= 0 && y < kFrameHeight) expected[y * kFrameWidth + x] = source[i];
    }
    BlitAdditive(source.data(), 64, 64, frame.data(), left, top);
    EXPECT_EQ(frame, expected) << left << "," << top;
  }
  Frame frame(kFramePixels, 0);
  BlitAdditive(source.data(), 0, 64, frame.data(), 0, 0);
  BlitAdditive(source.data(), 64, -1, frame.data(), 0, 0);
  EXPECT_EQ(frame, Frame(kFramePixels, 0));
}

TEST(InvertFrame, NegativeOfEveryPixelAndBackAgain) {
  Frame frame(kFramePixels, 0), expected(kFramePixels, 0x00FFFFFF);
  frame[7] = 0x00123456, expected[7] = 0x00EDCBA9;
  InvertFrame(frame.data());
  EXPECT_EQ(frame, expected);
  InvertFrame(frame.data());
  EXPECT_EQ(frame[7], 0x00123456u);
}

TEST(VerticalSmear, HalvingTrailAndExtremeFactors) {
  Frame frame(kFramePixels, 0);
  frame[50 * kFrameWidth + 100] = 0x00FFFFFF;
  VerticalSmear(frame.data(), 0.5f);
  const uint32_t trail[] = {0, 0x7F7F7F, 0x3F3F3F, 0x1F1F1F, 0x0F0F0F, 0x070707, 0x030303, 0x010101, 0};
  for (int k = 0; k < 9; ++k) EXPECT_EQ(frame[(49 + k) * kFrameWidth + 100], trail[k]) << k;
  Frame start(kFramePixels);
  for (int i = 0; i < kFramePixels; ++i) start[i] = static_cast<uint32_t>(i * 2654435761u) & 0x00FFFFFF;
  // keep = 1: row 0 black, every other non-zero channel loses exactly one level.
  Frame expected(kFramePixels, 0);
  for (int i = kFrameWidth; i < kFramePixels; ++i)
    for (int shift = 0; shift < 24; shift += 8) expected[i] |= (std::max((start[i] >> shift) & 0xFF, 1u) - 1) << shift;
  // Above 1 is clamped to 1; keep = 0 and anything below or unordered turns everything black.
  const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
  const Frame black(kFramePixels, 0);
  const std::pair<float, const Frame*> cases[] = {{1.0f, &expected}, {7.0f, &expected}, {0.0f, &black},
                                                  {-0.5f, &black},   {-inf, &black},     {nan, &black}};
  for (auto [keep, want] : cases) {
    std::copy(start.begin(), start.end(), frame.begin());  // not =: a false -Wstringop-overflow of GCC 12 -O3
    VerticalSmear(frame.data(), keep);
    EXPECT_EQ(frame, *want) << keep;
  }
}

}  // namespace

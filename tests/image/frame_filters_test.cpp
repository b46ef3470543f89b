// BlitAdditive, InvertFrame and VerticalSmear on whole frames.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "app/frame_buffer.h"
#include "image/blit_additive.h"
#include "image/invert_frame.h"
#include "image/vertical_smear.h"

namespace {

using Frame = std::vector<uint32_t>;

Frame Filled(uint32_t value) { return Frame(kFramePixels, value); }

// The rectangle [left, right) x [top, bottom) of `frame` holds `inside`, the rest `outside`.
void ExpectRectangle(const Frame& frame, int left, int top, int right, int bottom, uint32_t inside,
                     uint32_t outside) {
  int wrong = 0;
  for (int y = 0; y < kFrameHeight; ++y) {
    for (int x = 0; x < kFrameWidth; ++x) {
      const bool in = x >= left && x < right && y >= top && y < bottom;
      wrong += frame[y * kFrameWidth + x] != (in ? inside : outside);
    }
  }
  EXPECT_EQ(wrong, 0) << "rectangle " << left << "," << top << " - " << right << "," << bottom;
}

TEST(BlitAdditive, EveryPairOfChannelLevelsAddsAndClampsAlone) {
  // Source levels down the rows, frame levels across the columns, mixed per channel;
  // the top bytes of both are set and must not count.
  std::vector<uint32_t> source(256 * 256);
  Frame frame(kFramePixels);
  for (uint32_t y = 0; y < 256; ++y) {
    for (uint32_t x = 0; x < 256; ++x) {
      source[y * 256 + x] = 0xFF000000u | y << 16 | (255 - y) << 8 | (x ^ y);
      frame[y * kFrameWidth + x] = 0xAA000000u | x << 16 | x << 8 | (255 - x);
    }
  }
  const Frame before = frame;
  BlitAdditive(source.data(), 256, 256, frame.data(), 0, 0);
  int wrong = 0;
  for (int y = 0; y < 256; ++y) {
    for (int x = 0; x < 256; ++x) {
      const uint32_t s = source[y * 256 + x], d = before[y * kFrameWidth + x];
      uint32_t expected = 0;
      for (int shift : {0, 8, 16}) {
        expected |= std::min<uint32_t>(((s >> shift) & 0xFF) + ((d >> shift) & 0xFF), 255) << shift;
      }
      wrong += frame[y * kFrameWidth + x] != expected;
    }
  }
  EXPECT_EQ(wrong, 0);
}

TEST(BlitAdditive, ClipsOnAllFourSides) {
  // Each source pixel encodes its own position, so the offset into the source shows.
  std::vector<uint32_t> source(64 * 64);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) source[y * 64 + x] = static_cast<uint32_t>(y << 8 | x);
  Frame frame = Filled(0);
  BlitAdditive(source.data(), 64, 64, frame.data(), -10, -10);
  EXPECT_EQ(frame[0], 10u << 8 | 10u);
  EXPECT_EQ(frame[53 * kFrameWidth + 53], 63u << 8 | 63u);
  EXPECT_EQ(frame[54], 0u);
  EXPECT_EQ(frame[54 * kFrameWidth], 0u);

  const std::vector<uint32_t> white(64 * 64, 0x00FFFFFF);
  struct Case { int x, y, left, top, right, bottom; };
  for (const Case& c : {Case{-10, -10, 0, 0, 54, 54}, Case{480, 240, 480, 240, 512, 256},
                        Case{511, 255, 511, 255, 512, 256}, Case{-63, 100, 0, 100, 1, 164},
                        Case{512, 0, 0, 0, 0, 0}, Case{0, 256, 0, 0, 0, 0}, Case{-64, 0, 0, 0, 0, 0},
                        Case{0, -64, 0, 0, 0, 0}, Case{INT32_MAX, INT32_MAX, 0, 0, 0, 0},
                        Case{INT32_MIN, 0, 0, 0, 0, 0}}) {
    frame = Filled(0);
    BlitAdditive(white.data(), 64, 64, frame.data(), c.x, c.y);
    ExpectRectangle(frame, c.left, c.top, c.right, c.bottom, 0x00FFFFFF, 0);
  }
  frame = Filled(0);
  BlitAdditive(white.data(), 0, 64, frame.data(), 0, 0);
  BlitAdditive(white.data(), 64, -1, frame.data(), 0, 0);
  ExpectRectangle(frame, 0, 0, 0, 0, 0, 0);
}

TEST(InvertFrame, NegativeOfEveryPixelAndBackAgain) {
  Frame frame = Filled(0);
  frame[7] = 0x00123456;
  InvertFrame(frame.data());
  EXPECT_EQ(frame[7], 0x00EDCBA9u);
  EXPECT_EQ(frame[kFramePixels - 1], 0x00FFFFFFu);
  InvertFrame(frame.data());
  EXPECT_EQ(frame[7], 0x00123456u);
  EXPECT_EQ(frame[0], 0u);
}

TEST(VerticalSmear, WhitePixelLeavesAHalvingTrailDownwards) {
  Frame frame = Filled(0);
  frame[50 * kFrameWidth + 100] = 0x00FFFFFF;
  frame[10 * kFrameWidth + 300] = 0x00FF0000;
  VerticalSmear(frame.data(), 0.5f);
  EXPECT_EQ(frame[10 * kFrameWidth + 300], 0x007F0000u);
  const uint32_t trail[] = {0x7F7F7F, 0x3F3F3F, 0x1F1F1F, 0x0F0F0F, 0x070707, 0x030303, 0x010101, 0};
  for (int k = 0; k < 8; ++k) EXPECT_EQ(frame[(50 + k) * kFrameWidth + 100], trail[k]) << k;
  EXPECT_EQ(frame[49 * kFrameWidth + 100], 0u);
}

TEST(VerticalSmear, ExtremeAndOutOfRangeFactors) {
  Frame start(kFramePixels);
  for (int i = 0; i < kFramePixels; ++i) start[i] = static_cast<uint32_t>(i * 2654435761u) & 0x00FFFFFF;
  // keep = 1: row 0 black, every other non-zero channel loses exactly one level.
  Frame frame = start;
  VerticalSmear(frame.data(), 1.0f);
  int wrong = 0;
  for (int i = 0; i < kFramePixels; ++i) {
    uint32_t expected = 0;
    for (int shift = 0; shift < 24 && i >= kFrameWidth; shift += 8) {
      const uint32_t c = (start[i] >> shift) & 0xFF;
      expected |= (c ? c - 1 : 0) << shift;
    }
    wrong += frame[i] != expected;
  }
  EXPECT_EQ(wrong, 0);
  // keep = 0 turns everything black; beyond 0..1 the factor is clamped.
  for (float keep : {0.0f, -0.5f, -std::numeric_limits<float>::infinity(),
                     std::numeric_limits<float>::quiet_NaN()}) {
    frame = start;
    VerticalSmear(frame.data(), keep);
    ExpectRectangle(frame, 0, 0, 0, 0, 0, 0);
  }
  Frame clamped = start;
  frame = start;
  VerticalSmear(clamped.data(), 7.0f);
  VerticalSmear(frame.data(), 1.0f);
  EXPECT_EQ(clamped, frame);
}

}  // namespace

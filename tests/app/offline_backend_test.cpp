// The offline backend's clock and audio: sample-exact spans, no drift, position reports
// from the rendered audio, looping to the restart position, same bytes every run.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/offline.h"
#include "tests/app/harness.h"

namespace {

std::vector<std::pair<uint32_t, uint32_t>> reports;  // (order, row)

void RecordReport(uint32_t, uint32_t order, uint32_t row) { reports.push_back({order, row}); }

// Sets up a full-screen page-flipping display and starts data/mowt.xm with the recorder.
void StartPlatform(const platform::OfflineSettings& settings) {
  platform::OfflineReset(settings);
  reports.clear();
  ASSERT_TRUE(platform::OpenDisplay() && platform::TakeScreen(1, true) &&
              platform::ChooseScreenMode(512, 384, 32) && platform::CreateScreenBuffers(true) &&
              platform::AttachBackBuffer());
  const platform::ModuleHandle module = platform::LoadModule("data/mowt.xm");
  ASSERT_NE(module, 0u);
  const platform::PlayHandle play = platform::PrepareModule(module, true);
  ASSERT_NE(play, 0u);
  platform::SetPositionCallback(play, RecordReport);
  platform::StartPlaying(20);
}

TEST(OfflineClock, EachFrameRendersExactlyItsSpanOfAudioWithoutDrift) {
  WorkDirectory work;
  WriteTestModule();
  // 59.94 fps twice: the same settings must give the same audio bytes.
  std::vector<std::vector<int16_t>> audio;
  for (const auto& [numerator, denominator] :
       std::vector<std::pair<int, int>>{{60, 1}, {60000, 1001}, {60000, 1001}, {25, 1}}) {
    std::vector<int32_t> spans;
    std::vector<int16_t> samples;
    platform::OfflineSettings settings;
    settings.fpsNumerator = numerator, settings.fpsDenominator = denominator;
    settings.audioSink = [&](const int16_t* data, int32_t frames) {
      spans.push_back(frames);
      samples.insert(samples.end(), data, data + 2 * frames);
    };
    StartPlatform(settings);
    int64_t frequency = 0, count = 0;
    ASSERT_TRUE(platform::ClockRate(&frequency));
    // 1000 frames at 59.94 fps are exactly 800800 samples: any drift would show there.
    const int frames = denominator == 1001 ? 1000 : 150;
    for (int n = 0; n < frames; ++n) ASSERT_TRUE(platform::ShowBackBuffer());
    ASSERT_TRUE(platform::ReadClock(&count));
    EXPECT_EQ(static_cast<double>(count) / static_cast<double>(frequency),
              static_cast<double>(frames) * denominator / numerator);
    // Every frame's span ends where the running total says (so 800 each at 60 fps).
    ASSERT_EQ(spans.size(), static_cast<size_t>(frames));
    int64_t total = 0;
    for (size_t n = 0; n < spans.size(); ++n) {
      total += spans[n];
      ASSERT_EQ(total, static_cast<int64_t>(n + 1) * 48000 * denominator / numerator);
    }
    if (denominator == 1001) audio.push_back(samples);
  }
  ASSERT_EQ(audio.size(), 2u);
  EXPECT_EQ(audio[0], audio[1]);
  EXPECT_TRUE(std::any_of(audio[0].begin(), audio[0].end(), [](int16_t sample) { return sample != 0; }));
}

TEST(OfflineClock, PositionsFollowTheRenderedAudioAndLoopToTheRestartPosition) {
  WorkDirectory work;
  // Four orders of two rows at 2880 samples a row (speed 3, tempo 125); the song loops
  // back to order 2.
  WriteTestModule(4, 2, 3, 125, 2);
  StartPlatform({});
  // Order 1 starts at sample 5760: frame 7 (samples 5600..6400) is the one that renders it.
  for (int n = 0; n < 7; ++n) platform::ShowBackBuffer();
  ASSERT_FALSE(reports.empty());
  EXPECT_EQ(reports.back().first, 0u);
  platform::ShowBackBuffer();
  EXPECT_EQ(reports.back(), std::make_pair(1u, 0u));
  // Play on for three more loops' worth and follow the orders.
  for (int n = 0; n < 60; ++n) platform::ShowBackBuffer();
  std::vector<uint32_t> orders;
  for (const auto& report : reports)
    if (orders.empty() || orders.back() != report.first) orders.push_back(report.first);
  ASSERT_GE(orders.size(), 8u);
  EXPECT_EQ(std::vector(orders.begin(), orders.begin() + 8), (std::vector<uint32_t>{0, 1, 2, 3, 2, 3, 2, 3}));
  // Every row is reported, in order.
  EXPECT_EQ(reports[0], std::make_pair(0u, 0u));
  EXPECT_EQ(reports[1], std::make_pair(0u, 1u));
}

}  // namespace

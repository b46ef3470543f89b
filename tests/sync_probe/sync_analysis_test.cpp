// The sync probe's analysis on made-up runs whose answers are known: music found in a
// recording that starts late and stalls, a sink clock with a stray report, and picture
// events in present logs.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "tools/sync_probe/sync_analysis.h"

namespace {

constexpr int32_t kRate = 48000;

// Music stand-in: noise whose loudness changes every 50 ms, so every window looks different.
std::vector<float> Music(int64_t frames, uint32_t seed) {
  std::mt19937 generator(seed);
  std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
  std::vector<float> samples(static_cast<size_t>(frames));
  float level = 0.5f;
  for (size_t i = 0; i < samples.size(); ++i) {
    if (i % (kRate / 20) == 0) level = 0.1f + 0.4f * (noise(generator) + 1.0f);
    samples[i] = level * noise(generator);
  }
  return samples;
}

// The recording starts 0.3 s late and the stream stalls for 0.12 s (an underrun) at 2 s of
// music; the sink plays at a tenth of the reference's level. Each frame of the reference is
// found where it lies, on both sides of the stall, whatever the guess within the radius.
TEST(SyncAnalysis, LocatesTheMusicAcrossAStallInTheRecording) {
  const std::vector<float> reference = Music(4 * kRate, 7);
  const int64_t start = kRate * 3 / 10, stall = kRate * 12 / 100, stallAt = 2 * kRate;
  std::vector<float> recording(static_cast<size_t>(start), 0.0f);
  for (int64_t i = 0; i < static_cast<int64_t>(reference.size()); ++i) {
    if (i == stallAt) recording.insert(recording.end(), static_cast<size_t>(stall), 0.0f);
    recording.push_back(reference[static_cast<size_t>(i)] * 0.1f);
  }
  const struct { int64_t at, guessError, expected; } cases[] = {
      {kRate / 2, 0, kRate / 2 + start},
      {kRate, 9000, kRate + start},                                   // the guess 0.19 s off
      {3 * kRate, 0, 3 * kRate + start + stall},                      // after the stall, guessed before it
      {3 * kRate + 17, -stall, 3 * kRate + 17 + start + stall},
  };
  for (const auto& [at, guessError, expected] : cases)
    EXPECT_EQ(Locate(reference, at, recording, at + start + guessError, kRate / 4, kRate), expected) << "frame " << at;
  // Followed through the song from a guess 0.2 s off, the lag grows by the stall from the
  // frame the stall came before, and not sooner.
  const std::vector<int64_t> lags = FollowMusic(reference, recording, start + kRate / 5, kRate);
  ASSERT_EQ(lags.size(), 8u);
  for (size_t step = 1; step < lags.size(); ++step)
    EXPECT_EQ(lags[step], start + (static_cast<int64_t>(step) * kRate / 2 >= stallAt ? stall : 0)) << step;
  // Other music is not found, nor a window that leaves either signal.
  EXPECT_EQ(Locate(reference, kRate, Music(5 * kRate, 8), kRate, kRate / 4, kRate), -1);
  EXPECT_EQ(Locate(reference, kRate / 10, recording, kRate / 10 + start, kRate / 4, kRate), -1);
  EXPECT_EQ(Locate(reference, kRate, recording, static_cast<int64_t>(recording.size()), kRate / 4, kRate), -1);
}

// The sink played frame f at 100 s + f / rate; one report came in 0.7 s off and the
// first reports are far from the frames asked about.
TEST(SyncAnalysis, PlayedAtFollowsTheSinkClockPastAStrayReport) {
  std::vector<ClockPoint> clock;
  for (int64_t frame = 0; frame < 10 * kRate; frame += 240) clock.push_back({frame, 100.0 + double(frame) / kRate});
  clock[20].seconds -= 0.7;
  EXPECT_NEAR(PlayedAt(clock, kRate, 0), 100.0, 1e-9);
  EXPECT_NEAR(PlayedAt(clock, kRate, 5 * kRate + 3), 105.0 + 3.0 / kRate, 1e-9);
  EXPECT_TRUE(std::isnan(PlayedAt(clock, kRate, 13 * kRate))) << "no report within 2 s";
  EXPECT_TRUE(std::isnan(PlayedAt({}, kRate, 0)));
}

// Presents 1/60 s apart from 10 s, with the order reported before each: order 12 comes
// while frame 29 is drawn (the next frame is the new part's), order 20 just after frame 80
// is shown (so frame 80 is the new part's first); a flash burst of frames 60 to 71 and a
// lone bright frame at 90; a slow drift of the colour throughout.
TEST(SyncAnalysis, FindsFirstFramesAndFlashBurstsInThePresentLog) {
  std::string log;
  for (int i = 0; i < 120; ++i) {
    const double red = 10 + 0.2 * i + (i >= 30 ? 40 : 0) + (i >= 80 ? 30 : 0);
    const double level = (i >= 60 && i < 72) || i == 90 ? 220 : 20;
    const int order = i < 29 ? 11 : i < 80 ? 12 : 20;
    const long long reported = order == 11 ? 9'000'000'000LL : order == 12 ? 10'480'000'000LL : 11'340'000'000LL;
    log += std::to_string(10'000'000'000LL + i * 16'666'667LL) + " " + std::to_string(red) + " " +
           std::to_string(level) + " " + std::to_string(level) + " " + std::to_string(order) + " " +
           std::to_string(reported) + "\n";
  }
  std::vector<Present> presents;
  std::string error;
  ASSERT_TRUE(ParsePresentLog(log, &presents, &error)) << error;
  ASSERT_EQ(presents.size(), 120u);
  auto at = [](int frame) { return 10.0 + frame * 0.016666667; };
  EXPECT_NEAR(FirstFrameAt(presents, 12), at(30), 1e-6);
  EXPECT_NEAR(FirstFrameAt(presents, 20), at(80), 1e-6);
  EXPECT_TRUE(std::isnan(FirstFrameAt(presents, 28))) << "never reached";
  EXPECT_NEAR(ReportedAt(presents, 20), 11.34, 1e-9);
  EXPECT_TRUE(std::isnan(ReportedAt(presents, 13)));
  const auto runs = BrightRuns(presents, at(50), at(100), 100);
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_NEAR(runs[0].first, at(60), 1e-6);
  EXPECT_NEAR(runs[0].second, at(71), 1e-6);
  EXPECT_NEAR(runs[1].first, at(90), 1e-6);
  EXPECT_EQ(BrightRuns(presents, at(65), at(80), 100).size(), 1u) << "a run cut by the window's start";

  for (const char* bad : {"12 1 2 3 4\n", "12 1 2 3 4 5 6\n", "x 1 2 3 4 5\n", "12 1 2 3 4.5 6\n"}) {
    EXPECT_FALSE(ParsePresentLog(std::string("5 1 2 3 -1 0\n") + bad, &presents, &error)) << bad;
    EXPECT_NE(error.find("line 2"), std::string::npos) << error;
  }
  const OffsetSummary summary = Summarise({-0.030, 0.010, -0.020, 0.050});
  EXPECT_NEAR(summary.median, -0.005, 1e-12);
  EXPECT_NEAR(summary.medianAbsolute, 0.025, 1e-12);
  EXPECT_NEAR(summary.worstAbsolute, 0.050, 1e-12);
}

}  // namespace

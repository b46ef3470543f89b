// The flash analyser on synthetic sequences whose verdict is known, its report and its plot.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "tests/flash/flash_sequences.h"
#include "tools/flash/flash_analysis.h"

namespace {

FlashReport Analyse(const Sequence& sequence, int32_t frames, const std::vector<int32_t>& scenes = {}) {
  FlashAnalyser analyser(FlashGeometry(), kSequenceRate);
  for (int32_t frame = 0; frame < frames; ++frame) {
    const int32_t scene = scenes.empty() ? -1 : scenes[static_cast<size_t>(frame) * scenes.size() / frames];
    analyser.AddFrame(sequence(frame).data(), scene);
  }
  return analyser.report();
}

int32_t WorstOf(const FlashReport& report, FlashKind kind) {
  int32_t worst = 0;
  for (const FlashSecond& second : report.seconds)
    worst = std::max(worst, kind == FlashKind::Luminance ? second.luminance.transitions : second.red.transitions);
  return worst;
}

TEST(FlashAnalysis, KnownSequencesPassOrFail) {
  // The grey levels 237 and 250 decode to 0.85 and 0.95 of full light.
  const uint32_t white = Grey(255);
  const uint32_t red = 0x00FF0000;
  struct Case {
    const char* name;
    Sequence sequence;
    bool passes;
    FlashKind kind;
  };
  const Case cases[] = {
      {"whole picture, black and white at 10 Hz", Strobe(10, white, 0), false, FlashKind::Luminance},
      {"whole picture, black and white at 2 Hz", Strobe(2, white, 0), true, FlashKind::Luminance},
      {"100 x 100 square at 10 Hz", Strobe(10, white, 0, 200, 70, 100), false, FlashKind::Luminance},
      {"100 x 100 square at 10 Hz, off the cell grid", Strobe(10, white, 0, 203, 77, 100), false, FlashKind::Luminance},
      {"40 x 40 square at 10 Hz", Strobe(10, white, 0, 200, 70, 40), true, FlashKind::Luminance},
      {"40 x 40 square at 10 Hz across four cells' corners", Strobe(10, white, 0, 236, 108, 40), true,
       FlashKind::Luminance},
      {"slow fade from black to white", Fade(2.5), true, FlashKind::Luminance},
      {"flicker between 0.85 and 0.95 at 10 Hz", Strobe(10, Grey(250), Grey(237)), true, FlashKind::Luminance},
      {"flicker between 0.65 and 0.85 at 10 Hz", Strobe(10, Grey(237), Grey(212)), false, FlashKind::Luminance},
      {"saturated red 100 x 100 square at 5 Hz", Strobe(5, red, 0, 300, 100, 100), false, FlashKind::Red},
      {"dark red 100 x 100 square at 5 Hz", Strobe(5, 0x00300000, 0, 300, 100, 100), true, FlashKind::Red},
  };
  for (const Case& test : cases) {
    const FlashReport report = Analyse(test.sequence, 3 * kSequenceRate);
    EXPECT_EQ(report.Passes(), test.passes) << test.name;
    EXPECT_EQ(WorstOf(report, test.kind) <= kFlashTransitionLimit, test.passes) << test.name;
    EXPECT_EQ(report.seconds.size(), 3u) << test.name;
  }
}

TEST(FlashAnalysis, CountsTransitionsAndSaysWhere) {
  // 10 Hz: 20 transitions a second, the first second one less (the first picture is no change).
  const FlashReport whole = Analyse(Strobe(10, Grey(255), 0), 2 * kSequenceRate);
  EXPECT_EQ(whole.seconds[0].luminance.transitions, 19);
  EXPECT_EQ(whole.seconds[1].luminance.transitions, 20);
  // The region named overlaps the square, and the area threshold is 1/36 of 512 x 384.
  const FlashReport square = Analyse(Strobe(10, Grey(255), 0, 320, 112, 100), kSequenceRate);
  const FlashPeak& peak = square.seconds[0].luminance;
  EXPECT_GT(peak.transitions, kFlashTransitionLimit);
  EXPECT_LT(peak.x, 420);
  EXPECT_GT(peak.x + square.regionWidth, 320);
  EXPECT_LT(peak.y, 212);
  EXPECT_GT(peak.y + square.regionHeight, 112);
  EXPECT_EQ(std::tuple(square.regionWidth, square.regionHeight, square.areaPixels), std::tuple(160, 128, 5461));
  // A darkening that stops midway is one transition, not a flash.
  const FlashReport once = Analyse([](int32_t frame) { return Picture(512 * 256, Grey(frame < 30 ? 255 : 0)); }, 60);
  EXPECT_EQ(once.seconds[0].luminance.transitions, 1);
}

TEST(FlashAnalysis, ReportAndPlotFollowTheScenes) {
  // A second and a half of a calm scene 0, a second and a half of a strobing scene 1, then
  // two seconds of a calm scene 2. Second 1 opens calm and passes the limit in the strobe;
  // second 3 opens in scene 2 still over with the strobe's flashes: both are the strobe's.
  const Sequence calm = Strobe(1, Grey(90), Grey(80));
  const Sequence hard = Strobe(8, Grey(255), 0);
  const int32_t change = 3 * kSequenceRate / 2;
  const auto sceneOf = [&](int32_t frame) { return frame < change ? 0 : frame < 2 * change ? 1 : 2; };
  FlashAnalyser analyser(FlashGeometry(), kSequenceRate);
  for (int32_t frame = 0; frame < 5 * kSequenceRate; ++frame)
    analyser.AddFrame((sceneOf(frame) == 1 ? hard : calm)(frame).data(), sceneOf(frame));
  const FlashReport& report = analyser.report();
  ASSERT_EQ(report.sceneStarts, (std::vector<int64_t>{change, 2 * change}));
  EXPECT_EQ(report.SecondsOverLimit(), 3);
  const std::string text = FormatFlashReport(report, {"calm", "hard", "after"});
  EXPECT_NE(text.find("calm                      1               0"), std::string::npos) << text;
  EXPECT_NE(text.find("hard                      3               3"), std::string::npos) << text;
  EXPECT_NE(text.find("after                     1               0"), std::string::npos) << text;
  EXPECT_NE(text.find("FAIL: 3 of 5 seconds over the limit; worst 16"), std::string::npos) << text;

  int32_t width = 0;
  int32_t height = 0;
  const std::vector<uint32_t> plot = PlotFlashReport(report, &width, &height);
  ASSERT_EQ(plot.size(), static_cast<size_t>(width) * height);
  // The bars of seconds 1 to 3 are red (over the limit), those of seconds 0 and 4 are not;
  // the first scene change's line crosses second 1's bar, so one of its columns is blue.
  int32_t redColumns = 0;
  bool sceneLine = false;
  for (int32_t x = 0; x < width; ++x) {
    bool red = false;
    for (int32_t y = 0; y < height; ++y) {
      red = red || plot[static_cast<size_t>(y) * width + x] == 0x00FF4030;
      sceneLine = sceneLine || plot[static_cast<size_t>(y) * width + x] == 0x004080FF;
    }
    redColumns += red ? 1 : 0;
  }
  EXPECT_EQ(redColumns, 3 * 3 - 1);
  EXPECT_TRUE(sceneLine);
}

TEST(FlashAnalysis, OddSizesAndTinyDisplaysStayInBounds) {
  // Pictures that are not whole cells, and a display smaller than a cell: nothing outside
  // the picture is read (the sanitizer build checks), and a strobe still fails.
  FlashGeometry geometry;
  geometry.pictureWidth = geometry.displayWidth = 37;
  geometry.pictureHeight = geometry.displayHeight = 5;
  FlashAnalyser analyser(geometry, 30);
  for (int32_t frame = 0; frame < 30; ++frame) {
    const std::vector<uint32_t> picture(37 * 5, frame % 2 ? 0x00FFFFFFu : 0u);
    analyser.AddFrame(picture.data());
  }
  EXPECT_FALSE(analyser.report().Passes());
}

}  // namespace

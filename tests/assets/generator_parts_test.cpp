// The generator: two runs write the bytes the build put in data/, and the parts whose
// faults the finished files would hide: the BMP encoder's row order, seamless noise,
// instrument tuning, click-free sample loops and the row timing the tempo plan counts on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numeric>
#include <string>
#include <vector>

#include "image/surface.h"
#include "tools/assetgen/data_files.h"
#include "tools/assetgen/raster.h"
#include "tools/assetgen/synth.h"
#include "tools/module_probe/module_probe.h"
#include "tools/xm/xm_timing.h"
#include "tools/xm/xm_writer.h"

namespace {

TEST(Generator, TwoRunsWriteTheBuildsFiles) {
  const std::string run = std::string(ZELTO_ASSETGEN) + " ", data = ZELTO_DATA_DIR;
  ASSERT_EQ(std::system("rm -rf generated_first generated_second"), 0);
  ASSERT_EQ(std::system((run + "generated_first").c_str()), 0);
  ASSERT_EQ(std::system((run + "generated_second").c_str()), 0);
  EXPECT_EQ(std::system("diff -r generated_first generated_second"), 0);
  EXPECT_EQ(std::system(("diff -r generated_first " + data).c_str()), 0) << "differs from the build's data";
  std::vector<std::string> found, listed = assetgen::DataFiles();
  for (const auto& entry : std::filesystem::recursive_directory_iterator("generated_first"))
    if (entry.is_regular_file() && entry.file_size() > 0)
      found.push_back(entry.path().lexically_relative("generated_first").generic_string());
  std::sort(found.begin(), found.end());
  std::sort(listed.begin(), listed.end());
  EXPECT_EQ(found, listed) << "the generator's files and tools/assetgen/data_files.txt disagree";
  EXPECT_NE(std::system((run + "2>/dev/null").c_str()), 0) << "runs without its output folder";
  EXPECT_EQ(std::system("rm -rf generated_first generated_second"), 0);
}

TEST(GeneratorParts, BmpEncoderRoundTripsThroughTheDemoReader) {
  assetgen::Canvas canvas(4, 3);
  for (int i = 0; i < 12; ++i) canvas.At(i % 4, i / 4) = {i % 4 / 3.0f, i / 4 / 2.0f, (i % 4 + i / 4) % 2 ? 1.0f : 0.0f};
  canvas.At(3, 0) = {2.0f, -1.0f, 0.5f};  // out of range: clamped; halves round up
  ASSERT_TRUE(assetgen::WriteBmp("roundtrip.bmp", canvas));
  const Surface surface("roundtrip.bmp");
  std::remove("roundtrip.bmp");
  // Top row first on both sides.
  EXPECT_EQ(surface.pixels,
            (std::vector<uint32_t>{0x000000, 0x5500FF, 0xAA0000, 0xFF0080, 0x0080FF, 0x558000, 0xAA80FF, 0xFF8000,
                                   0x00FF00, 0x55FFFF, 0xAAFF00, 0xFFFFFF}));
  EXPECT_FALSE(assetgen::WriteBmp("roundtrip.bmp", assetgen::Canvas(6, 2))) << "a width the reader refuses";
}

TEST(GeneratorParts, NoiseRepeatsWithItsPeriod) {
  for (double x = 0.1; x < 8; x += 0.77)
    for (double y = 0.3; y < 8; y += 0.91) {
      const double here = assetgen::TileNoise(x, y, 4, 9);
      EXPECT_NEAR(here, assetgen::TileNoise(x + 4, y, 4, 9), 1e-9);
      EXPECT_NEAR(here, assetgen::TileNoise(x, y + 8, 4, 9), 1e-9);
      EXPECT_TRUE(here >= 0.0 && here <= 1.0) << here;
      EXPECT_NEAR(assetgen::TileFractal(x, y, 4, 3, 2), assetgen::TileFractal(x + 4, y - 4, 4, 3, 2), 1e-9);
    }
}

// One held note of each instrument, its period found by autocorrelation: the strongest
// lag near the expected period (interpolated between samples) must match it, and half
// that period must not correlate as well, or the note would be an octave too high.
TEST(GeneratorParts, PitchedInstrumentsPlayInTune) {
  const struct { xm::Instrument instrument; int note; double hertz; } notes[] = {
      {assetgen::MakePad(), 49, 261.63}, {assetgen::MakeLead(), 58, 440.0},  // C-4, A-4
      {assetgen::MakePluck(), 49, 261.63}, {assetgen::MakeBass(), 34, 110.0}};  // C-4, A-2
  for (const auto& [instrument, note, hertz] : notes) {
    SCOPED_TRACE(instrument.name);
    xm::Module module = xm::MakeTestModule(1, 64, 6, 125);
    module.channels = 1;
    module.instruments = {instrument};
    module.patterns[0].cells.assign(64, xm::Cell{});
    module.patterns[0].cells[0] = xm::Cell{static_cast<uint8_t>(note), 1, 0x50, 0, 0};
    const std::vector<float> render = RenderModule(xm::EncodeXm(module), 48000);
    std::vector<double> signal;  // the left channel from 0.25 s to 0.75 s, after the attack
    for (size_t i = 2 * 12000; i < 2 * 36000 && i < render.size(); i += 2) signal.push_back(render[i]);
    ASSERT_GT(signal.size(), 20000u);
    auto correlation = [&](int lag) {
      return std::inner_product(signal.begin() + lag, signal.end(), signal.begin(), 0.0) / double(signal.size() - lag);
    };
    const double period = 48000.0 / hertz;
    int bestLag = 0;
    double best = -1e30, half = -1e30;
    for (int lag = static_cast<int>(period * 0.8); lag <= static_cast<int>(period * 1.25); ++lag)
      if (const double c = correlation(lag); c > best) best = c, bestLag = lag;
    const double before = correlation(bestLag - 1), after = correlation(bestLag + 1);
    const double measured = bestLag + 0.5 * (before - after) / (before - 2 * best + after);
    EXPECT_NEAR(measured / period, 1.0, 0.004) << "period " << measured << " samples";
    for (int lag = static_cast<int>(period * 0.4); lag <= static_cast<int>(period * 0.6); ++lag)
      half = std::max(half, correlation(lag));
    EXPECT_LT(half, 0.7 * best) << "an octave high";
  }
}

// Pitched samples loop without a step at the wrap; drums end in silence, not a click.
TEST(GeneratorParts, SamplesLoopAndEndWithoutAClick) {
  for (const xm::Instrument& instrument :
       {assetgen::MakePad(), assetgen::MakeLead(), assetgen::MakePluck(), assetgen::MakeBass()}) {
    const xm::Sample& sample = instrument.sample;
    const uint32_t end = sample.loopStart + sample.loopLength;
    ASSERT_TRUE(sample.loop != xm::Sample::Loop::None && end <= sample.data.size()) << instrument.name;
    int largestStep = 0;
    for (uint32_t i = sample.loopStart + 1; i < end; ++i)
      largestStep = std::max(largestStep, std::abs(sample.data[i] - sample.data[i - 1]));
    EXPECT_LE(std::abs(sample.data[sample.loopStart] - sample.data[end - 1]), largestStep) << instrument.name;
  }
  for (const xm::Instrument& instrument : {assetgen::MakeKick(), assetgen::MakeSnare(), assetgen::MakeClosedHat(),
                                           assetgen::MakeOpenHat(), assetgen::MakeCrash(), assetgen::MakeRiser(3.0)})
    EXPECT_TRUE(!instrument.sample.data.empty() && std::abs(instrument.sample.data.back()) <= 64) << instrument.name;
}

// Speed and tempo changes in the middle of a pattern, on any channel, time the rows as
// libopenmpt plays them, at rates whose ticks round differently; an effect that changes
// the order of the rows gets no answer, as a wrong timing would be worse.
TEST(GeneratorParts, RowTimingFollowsSpeedAndTempoAsLibopenmptPlays) {
  xm::Module module = xm::MakeTestModule(2, 8, 6, 125);
  module.patterns[0].cells[2 * module.channels + 1] = xm::Cell{0, 0, 0, xm::kEffectSpeedOrTempo, 3};   // speed 3
  module.patterns[0].cells[5 * module.channels] = xm::Cell{0, 0, 0, xm::kEffectSpeedOrTempo, 158};     // 158 BPM
  module.patterns[1].cells[1 * module.channels + 1] = xm::Cell{0, 0, 0, xm::kEffectSpeedOrTempo, 0};   // nothing
  module.patterns[1].cells[3 * module.channels] = xm::Cell{0, 0, 0, xm::kEffectSpeedOrTempo, 0x21};    // 33 BPM
  for (const int rate : {44100, 48000, 22050}) {
    const std::vector<RenderedRowStart> rendered = RenderRowStarts(xm::EncodeXm(module), rate);
    const std::vector<int64_t> counted = xm::RowStartFrames(module, rate);
    ASSERT_EQ(rendered.size(), 16u);
    ASSERT_EQ(counted.size(), 17u);
    for (size_t row = 0; row < rendered.size(); ++row)
      EXPECT_TRUE(counted[row] >= rendered[row].frame && counted[row] < rendered[row].frame + kRowStartStep)
          << rate << " Hz, row " << row << ": " << counted[row] << " against " << rendered[row].frame;
    EXPECT_EQ(counted[3] - counted[2], 3 * xm::TickFrames(rate, 125));
    EXPECT_EQ(counted.back() - counted[15], 3 * xm::TickFrames(rate, 33));
  }
  const struct { uint8_t effect, parameter; bool answered; } effects[] = {
      {0x0B, 0x00, false}, {0x0D, 0x00, false}, {0x0E, 0xE2, false}, {0x0E, 0x61, false},  // jump, break, delay, loop
      {0x0E, 0x60, true},  {0x0E, 0xE0, true},  {0x0F, 0x00, true}};                      // loop start, no delay, F00
  for (const auto& [effect, parameter, answered] : effects) {
    xm::Module changed = module;
    changed.patterns[1].cells[4 * module.channels] = xm::Cell{0, 0, 0, effect, parameter};
    EXPECT_EQ(!xm::RowStartFrames(changed, 48000).empty(), answered) << std::hex << int{effect} << int{parameter};
  }
}

}  // namespace

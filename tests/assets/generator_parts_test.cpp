// Parts of the generator whose faults the finished files would hide: the BMP encoder's
// row order, seamless noise, instrument tuning and click-free sample loops.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "image/surface.h"
#include "tools/assetgen/raster.h"
#include "tools/assetgen/synth.h"
#include "tools/module_probe/module_probe.h"
#include "tools/xm/xm_writer.h"

namespace {

using assetgen::Canvas;

TEST(GeneratorParts, BmpEncoderRoundTripsThroughTheDemoReader) {
  Canvas canvas(4, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) canvas.At(x, y) = {x / 3.0f, y / 2.0f, (x + y) % 2 ? 1.0f : 0.0f};
  canvas.At(3, 0) = {2.0f, -1.0f, 0.5f};  // out of range: clamped, rounded
  ASSERT_TRUE(assetgen::WriteBmp("roundtrip.bmp", canvas));
  Surface surface("roundtrip.bmp");
  ASSERT_EQ(std::pair(surface.width, surface.height), std::pair(4, 3));
  for (int i = 0; i < 12; ++i) {
    const assetgen::Colour c = canvas.At(i % 4, i / 4);  // top row first on both sides
    EXPECT_EQ(surface.pixels[i], uint32_t(assetgen::Quantise(c.r)) << 16 | uint32_t(assetgen::Quantise(c.g)) << 8 |
                                     assetgen::Quantise(c.b)) << i;
  }
  EXPECT_EQ(surface.pixels[3], 0xFF0080u);
  std::remove("roundtrip.bmp");
  EXPECT_FALSE(assetgen::WriteBmp("roundtrip.bmp", Canvas(6, 2))) << "a width the reader refuses";
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

// Renders one held note of `instrument` (left channel, 0.25 s to 0.75 s, after the
// attack) for the pitch checks.
std::vector<double> RenderNote(const xm::Instrument& instrument, int note) {
  xm::Module module = xm::MakeTestModule(1, 64, 6, 125);
  module.channels = 1;
  module.instruments = {instrument};
  module.patterns[0].cells.assign(64, xm::Cell{});
  module.patterns[0].cells[0] = xm::Cell{static_cast<uint8_t>(note), 1, 0x50, 0, 0};
  const std::vector<float> render = RenderModule(xm::EncodeXm(module), 48000);
  std::vector<double> signal;
  for (size_t i = 2 * 12000; i < 2 * 36000 && i < render.size(); i += 2) signal.push_back(render[i]);
  return signal;
}

double Correlation(const std::vector<double>& signal, int lag) {
  double sum = 0;
  for (size_t i = 0; i + lag < signal.size(); ++i) sum += signal[i] * signal[i + lag];
  return sum / static_cast<double>(signal.size() - lag);
}

// Checks the note's period by autocorrelation: the strongest lag near the expected
// period (interpolated between samples) must match it, and half that period must not
// correlate as well, or the note would be an octave too high.
void ExpectPitch(const char* name, const xm::Instrument& instrument, int note, double hertz) {
  const std::vector<double> signal = RenderNote(instrument, note);
  ASSERT_GT(signal.size(), 20000u) << name;
  const double period = 48000.0 / hertz;
  int bestLag = 0;
  double best = -1e30;
  for (int lag = static_cast<int>(period * 0.8); lag <= static_cast<int>(period * 1.25); ++lag) {
    const double c = Correlation(signal, lag);
    if (c > best) best = c, bestLag = lag;
  }
  const double before = Correlation(signal, bestLag - 1), after = Correlation(signal, bestLag + 1);
  const double offset = 0.5 * (before - after) / (before - 2 * best + after);
  EXPECT_NEAR((bestLag + offset) / period, 1.0, 0.004) << name << ": period " << bestLag + offset << " samples";
  double half = -1e30;
  for (int lag = static_cast<int>(period * 0.4); lag <= static_cast<int>(period * 0.6); ++lag)
    half = std::max(half, Correlation(signal, lag));
  EXPECT_LT(half, 0.7 * best) << name << " sounds an octave high";
}

TEST(GeneratorParts, PitchedInstrumentsPlayInTune) {
  ExpectPitch("pad", assetgen::MakePad(), 49, 261.63);     // C-4
  ExpectPitch("lead", assetgen::MakeLead(), 58, 440.0);
  ExpectPitch("pluck", assetgen::MakePluck(), 49, 261.63);  // C-4
  ExpectPitch("bass", assetgen::MakeBass(), 34, 110.0);
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

}  // namespace

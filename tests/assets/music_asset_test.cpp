// The music: two independent players agree on it, its song positions line up with the
// scenes and its patterns with their pulses, it changes and breathes, and its level and
// stereo image leave headroom.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <numeric>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "scenes/scene_table.h"
#include "tests/test_io.h"
#include "tools/assetgen/song.h"
#include "tools/module_probe/module_probe.h"
#include "tools/xm/xm_timing.h"
#include "tools/xm/xm_writer.h"

namespace {

const std::string kModulePath = std::string(ZELTO_DATA_DIR) + "/mowt.xm";
constexpr double kPi = 3.14159265358979323846;

TEST(MusicAsset, PlayersAgreeAndScenesLastAsLongAsPlanned) {
  std::vector<uint8_t> file;
  ASSERT_TRUE(ReadModuleFile(kModulePath, &file));
  const ModuleFacts openMpt = ProbeModuleOpenMpt(file), xmp = ProbeModuleXmp(file);
  ASSERT_TRUE(openMpt.loaded && xmp.loaded);
  ASSERT_GE(openMpt.orders, kSongPositionsNeeded);
  EXPECT_GE(openMpt.channels, 6);
  EXPECT_EQ(std::pair(openMpt.orders, openMpt.channels), std::pair(xmp.orders, xmp.channels));
  EXPECT_NEAR(openMpt.durationSeconds, xmp.durationSeconds, 0.1 + 0.002 * xmp.durationSeconds);
  // libxmp counts in whole milliseconds; libopenmpt renders each tick as whole output
  // samples. The order times agree to a few ticks and the drift of that rounding.
  ASSERT_EQ(xmp.orderStartSeconds.size(), openMpt.orderStartSeconds.size());
  for (size_t order = 0; order < openMpt.orderStartSeconds.size(); ++order)
    EXPECT_NEAR(openMpt.orderStartSeconds[order], xmp.orderStartSeconds[order],
                0.1 + 0.002 * xmp.orderStartSeconds[order]) << "order " << order;
  // Each scene ends when its order is reached; it lasts from the previous scene's end.
  const struct { int endOrder; double shortest, longest; } scenes[] = {
      {SceneEnd(kParticlesScene), 33, 45},    {SceneEnd(kObjectScene), 20, 30}, {SceneEnd(kBallScene), 20, 30},
      {SceneEnd(kRippledPlaneScene), 10, 15}, {SceneEnd(kZoomScene), 20, 30},   {SceneEnd(kRotozoomScene), 10, 15},
      {kEndLogoEndPosition, 36, 60}};
  double start = 0.0;
  for (const auto& scene : scenes) {
    const double length = openMpt.orderStartSeconds[scene.endOrder] - start;
    EXPECT_TRUE(length >= scene.shortest && length <= scene.longest) << "scene ending at order " << scene.endOrder
                                                                     << " lasts " << length << " s";
    start += length;
  }
  EXPECT_TRUE(start >= 165.0 && start <= 240.0) << "the demo lasts " << start << " s, not about three minutes";
}

// The song as one run of rows, order after order.
struct SongRows {
  explicit SongRows(const xm::Module& module) : channels(module.channels) {
    for (uint8_t pattern : module.orders) {
      orderStart.push_back(static_cast<int>(cells.size()) / channels);
      cells.insert(cells.end(), module.patterns[pattern].cells.begin(), module.patterns[pattern].cells.end());
    }
    orderStart.push_back(static_cast<int>(cells.size()) / channels);
  }
  const xm::Cell* Row(int row) const { return cells.data() + static_cast<size_t>(row) * channels; }
  int channels;
  std::vector<xm::Cell> cells;
  std::vector<int> orderStart;  // first row of each order, then the end
};

int InstrumentNumber(const xm::Module& module, const std::string& name) {
  for (size_t i = 0; i < module.instruments.size(); ++i)
    if (module.instruments[i].name == name) return static_cast<int>(i) + 1;
  return -1;
}

// The particles scene smears hardest at the troughs of its pulse, t = (m pi - phase) /
// (speed x smear scale) for odd m, and the end logo flashes around the crests of its own,
// t = (m pi - phase) / (speed x flash scale) for even m, t counted from the order each
// part starts on. As libopenmpt plays the song at each planned output rate, every such
// pulse of the part falls within 5 ms of a pattern start, and every flash on a crash; and
// the generator's own account of the row times is libopenmpt's, to the frame.
TEST(Song, PatternsLandOnTheScenesPulses) {
  const xm::Module module = assetgen::MakeSong();
  const SongRows song(module);
  ASSERT_EQ(module.orders.size(), static_cast<size_t>(kSongPositionsNeeded));
  const std::vector<uint8_t> file = xm::EncodeXm(module);
  const int crash = InstrumentNumber(module, "crash");
  for (const int rate : assetgen::kSongPlanRates) {
    SCOPED_TRACE(std::to_string(rate) + " Hz");
    const std::vector<RenderedRowStart> rendered = RenderRowStarts(file, rate);
    const std::vector<int64_t> planned = xm::RowStartFrames(module, rate);
    ASSERT_EQ(rendered.size() + 1, planned.size()) << "every row once, and the end";
    std::vector<double> orderSeconds;  // when each order starts, then when the song ends
    for (size_t row = 0; row < rendered.size(); ++row) {
      const RenderedRowStart& start = rendered[row];
      ASSERT_TRUE(planned[row] >= start.frame && planned[row] < start.frame + kRowStartStep)
          << "order " << start.order << " row " << start.row << " starts at frame " << planned[row]
          << " as the generator counts, at " << start.frame << " + " << kRowStartStep << " as libopenmpt plays it";
      if (start.row == 0) orderSeconds.push_back((static_cast<double>(start.frame) + kRowStartStep / 2.0) / rate);
    }
    orderSeconds.push_back(static_cast<double>(planned.back()) / rate);
    ASSERT_EQ(orderSeconds.size(), module.orders.size() + 1);
    // The pulses at (m pi - phase) / (speed x scale) after firstOrder begins, m = first,
    // first + 2, ... while before endOrder: how many there are.
    auto pulses = [&](int firstOrder, int endOrder, double scale, int first, bool onCrash) {
      for (int m = first, count = 0;; m += 2, ++count) {
        const double at = orderSeconds[firstOrder] + (m * kPi - kPulsePhase) / (kPulseSpeed * scale);
        if (at >= orderSeconds[endOrder]) return count;  // the last may fall on the end
        const int nearest = static_cast<int>(
            std::min_element(orderSeconds.begin() + firstOrder, orderSeconds.begin() + endOrder + 1,
                             [&](double a, double b) { return std::abs(a - at) < std::abs(b - at); }) -
            orderSeconds.begin());
        EXPECT_NEAR(orderSeconds[nearest], at, 0.005) << "pulse " << m << " after order " << firstOrder;
        const xm::Cell* cells = song.Row(song.orderStart[nearest]);
        EXPECT_TRUE(!onCrash || std::any_of(cells, cells + song.channels, [&](const xm::Cell& c) { return c.instrument == crash; }))
            << "flash at order " << nearest << " without a crash";
      }
    };
    EXPECT_GE(pulses(0, SceneEnd(kParticlesScene), kSmearPulseScale, 1, false), 12);
    EXPECT_GE(pulses(SceneEnd(kRotozoomScene), kEndLogoEndPosition, kFlashPulseScale, 2, true), 6);
  }
}

// At every scene change a voice enters or leaves (crashes, risers and the fill bar before
// the change do not count), and no four bars play three times over unchanged: the same
// notes on the same instruments, as a change of volume alone is still a repeat.
TEST(Song, ChangesAtEverySceneAndNeverLoopsFourBarsThrice) {
  const xm::Module module = assetgen::MakeSong();
  const SongRows song(module);
  const int crash = InstrumentNumber(module, "crash"), riser = InstrumentNumber(module, "riser");
  auto voices = [&](int firstRow, int endRow) {
    std::set<int> playing;
    for (const xm::Cell* cell = song.Row(firstRow); cell < song.Row(endRow); ++cell)
      if (cell->note >= 1 && cell->note <= 96 && cell->instrument != crash && cell->instrument != riser)
        playing.insert(static_cast<int>(cell - song.Row(0)) % song.channels);
    return playing;
  };
  for (const SceneStep& scene : kSceneTable) {
    const int change = song.orderStart[scene.endPosition];
    EXPECT_NE(voices(change - 48, change - 16), voices(change, change + 32)) << "same voices across order "
                                                                             << scene.endPosition;
  }
  auto sameBars = [&](int a, int b) {
    return std::equal(song.Row(a), song.Row(a + 64), song.Row(b),
                      [](const xm::Cell& x, const xm::Cell& y) { return x.note == y.note && x.instrument == y.instrument; });
  };
  for (int row = 0; row + 192 <= song.orderStart.back(); row += 16)
    EXPECT_FALSE(sameBars(row, row + 64) && sameBars(row, row + 128)) << "the four bars from row " << row << " play thrice";
}

// Only the pads, through the verse and the chorus: the chord changes every bar or two,
// and the level never dips, because each new chord rises while the old one releases.
TEST(Song, PadsHoldThroughChordChanges) {
  xm::Module module = assetgen::MakeSong();
  const int pad = InstrumentNumber(module, "pad");
  std::vector<bool> padChannel(module.channels, false);
  for (const xm::Pattern& pattern : module.patterns)
    for (size_t c = 0; c < pattern.cells.size(); ++c)
      if (pattern.cells[c].instrument == pad) padChannel[c % module.channels] = true;
  for (xm::Pattern& pattern : module.patterns)
    for (size_t c = 0; c < pattern.cells.size(); ++c)
      if (!padChannel[c % module.channels]) pattern.cells[c] = xm::Cell{};
  module.orders = std::vector<uint8_t>(module.orders.begin() + 12, module.orders.begin() + 28);
  constexpr int kRate = 12000;
  constexpr size_t kWindow = 2 * kRate / 10;  // 100 ms of interleaved stereo
  const std::vector<float> samples = RenderModule(xm::EncodeXm(module), kRate);
  ASSERT_GT(samples.size(), size_t{2 * kRate * 40});
  // From the first chord's full swell to the start of the last one's release.
  std::vector<double> energies;
  for (size_t at = 2 * kRate; at + kWindow < samples.size() - 2 * kRate; at += kWindow)
    energies.push_back(std::inner_product(&samples[at], &samples[at] + kWindow, &samples[at], 0.0));
  const auto [quietest, loudest] = std::minmax_element(energies.begin(), energies.end());
  EXPECT_GT(10 * std::log10(*quietest / *loudest), -10.0) << "the pads drop out";
}

// One render as the demo plays it, measured by ffmpeg (EBU R128 with true peak) for the
// level and the dynamics, and here for the stereo image.
TEST(MusicAsset, LevelDynamicsAndStereo) {
  std::vector<uint8_t> file;
  ASSERT_TRUE(ReadModuleFile(kModulePath, &file));
  const std::vector<float> samples = RenderModule(file, 48000);
  ASSERT_FALSE(samples.empty());
  double left = 0, right = 0, product = 0;
  for (size_t i = 0; i + 1 < samples.size(); i += 2)
    left += double(samples[i]) * samples[i], right += double(samples[i + 1]) * samples[i + 1],
        product += double(samples[i]) * samples[i + 1];
  EXPECT_LE(product / std::sqrt(left * right), 0.9) << "left/right correlation: the mix is near mono";

  const std::string rawPath = "music_render.f32";
  ASSERT_TRUE(std::ofstream(rawPath, std::ios::binary)
                  .write(reinterpret_cast<const char*>(samples.data()), static_cast<std::streamsize>(samples.size() * 4)));
  int status = -1;
  std::istringstream output(CommandOutput("ffmpeg -hide_banner -nostats -f f32le -ar 48000 -ac 2 -i " + rawPath +
                                              " -af ebur128=peak=true -f null - 2>&1", &status));
  std::remove(rawPath.c_str());
  ASSERT_EQ(status, 0);
  double integrated = 0, range = 0, peak = 0, t, m;
  std::vector<std::pair<double, double>> momentary;  // (seconds, LUFS) every 0.1 s
  for (std::string text; std::getline(output, text);) {
    const size_t at = text.find(" t: ");
    if (at != std::string::npos && std::sscanf(text.c_str() + at, " t: %lf TARGET:%*d LUFS M: %lf", &t, &m) == 2)
      momentary.emplace_back(t, m);
    std::sscanf(text.c_str(), " I: %lf LUFS", &integrated);
    std::sscanf(text.c_str(), " LRA: %lf LU", &range);
    std::sscanf(text.c_str(), " Peak: %lf dBFS", &peak);
  }
  ASSERT_GT(momentary.size(), 1000u);
  EXPECT_NEAR(integrated, -14.0, 2.0) << "integrated loudness (LUFS)";
  EXPECT_LE(peak, -1.0) << "true peak (dBFS)";
  EXPECT_GE(range, 6.0) << "loudness range (LU)";
  // The breakdown (the rippled plane, orders 28-31) sits 4 to 6 dB below the verse, and
  // the build-up order before the zoom scene rises out of it.
  const ModuleFacts facts = ProbeModuleOpenMpt(file);
  auto loudness = [&](int firstOrder, int endOrder) {
    double energy = 0, count = 0;
    for (const auto& [second, lufs] : momentary) {
      if (second >= facts.orderStartSeconds[firstOrder] + 0.4 && second <= facts.orderStartSeconds[endOrder]) {
        energy += std::pow(10.0, lufs / 10);
        ++count;
      }
    }
    return 10 * std::log10(energy / std::max(count, 1.0));
  };
  const int verse = SceneEnd(kParticlesScene), breakdown = SceneEnd(kBallScene), buildUp = SceneEnd(kRippledPlaneScene) - 1;
  EXPECT_NEAR(loudness(verse, SceneEnd(kObjectScene)) - loudness(breakdown, buildUp), 5.0, 1.0) << "breakdown depth (dB)";
  EXPECT_GT(loudness(buildUp, buildUp + 1), loudness(breakdown, buildUp) + 2.0) << "no build into the zoom scene";
}

}  // namespace

// The music: two independent players agree on it, its song positions line up with the
// scenes and its patterns with their pulses, it changes and breathes, and its level and
// stereo image leave headroom.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "scenes/scene_table.h"
#include "tests/test_io.h"
#include "tools/assetgen/song.h"
#include "tools/module_probe/module_probe.h"
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
  EXPECT_EQ(openMpt.orders, xmp.orders);
  EXPECT_GE(openMpt.channels, 6);
  EXPECT_EQ(openMpt.channels, xmp.channels);
  EXPECT_NEAR(openMpt.durationSeconds, xmp.durationSeconds, 0.1 + 0.002 * xmp.durationSeconds);
  // libxmp counts in whole milliseconds; libopenmpt rounds each tick down to whole output
  // samples (754 at 48 kHz and 159 BPM, 0.1 % short). The order times agree to a few ticks
  // and that drift.
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
    EXPECT_GE(length, scene.shortest) << "scene ending at order " << scene.endOrder;
    EXPECT_LE(length, scene.longest) << "scene ending at order " << scene.endOrder;
    start += length;
  }
  EXPECT_GE(start, 165.0);  // the demo lasts about three minutes
  EXPECT_LE(start, 240.0);
}

// The song as one run of rows, order after order.
struct SongRows {
  explicit SongRows(const xm::Module& module) : channels(module.channels) {
    for (uint8_t pattern : module.orders) {
      orderStart.push_back(rows());
      const std::vector<xm::Cell>& patternCells = module.patterns[pattern].cells;
      cells.insert(cells.end(), patternCells.begin(), patternCells.end());
    }
    orderStart.push_back(rows());
  }
  int rows() const { return static_cast<int>(cells.size()) / channels; }
  const xm::Cell& At(int row, int channel) const { return cells[static_cast<size_t>(row) * channels + channel]; }
  // The same notes on the same instruments: a change of volume alone is still a repeat.
  bool SameRows(int a, int b, int count) const {
    return std::equal(cells.begin() + a * channels, cells.begin() + (a + count) * channels, cells.begin() + b * channels,
                      [](const xm::Cell& x, const xm::Cell& y) { return x.note == y.note && x.instrument == y.instrument; });
  }
  int channels;
  std::vector<xm::Cell> cells;
  std::vector<int> orderStart;  // first row of each order, then the end
};

int InstrumentNumber(const xm::Module& module, const std::string& name) {
  for (size_t i = 0; i < module.instruments.size(); ++i)
    if (module.instruments[i].name == name) return static_cast<int>(i) + 1;
  return -1;
}

// The particles scene smears hardest at now = (2k + 1)π − 3.1415 over its pulse rate, and
// the end logo flashes around t = 2kπ − 3.1415 over half that rate: both must fall on
// pattern starts, and each flash on a crash.
TEST(Song, PatternsLandOnTheScenesPulses) {
  const xm::Module module = assetgen::MakeSong();
  const SongRows song(module);
  ASSERT_EQ(module.orders.size(), static_cast<size_t>(kSongPositionsNeeded));
  EXPECT_EQ(module.tempo, 159);
  EXPECT_EQ(module.speed, 6);
  const double rowSeconds = 2.5 * module.speed / module.tempo, rate = 499.49850000000004 / 240;
  const int crash = InstrumentNumber(module, "crash");
  auto nearestOrder = [&](double seconds, int firstOrder, int endOrder) {
    const double row = song.orderStart[firstOrder] + seconds / rowSeconds;
    int best = firstOrder;
    for (int order = firstOrder; order <= endOrder; ++order)
      if (std::abs(song.orderStart[order] - row) < std::abs(song.orderStart[best] - row)) best = order;
    EXPECT_NEAR(song.orderStart[best], row, 0.25) << "no pattern starts at " << seconds << " s";
    return best;
  };
  int troughs = 0;
  for (int k = 0;; ++k, ++troughs) {
    const double now = ((2 * k + 1) * kPi - 3.1415) / rate;
    if (song.orderStart[0] + now / rowSeconds >= song.orderStart[SceneEnd(kParticlesScene)]) break;
    nearestOrder(now, 0, SceneEnd(kParticlesScene));  // the last may fall on the scene's end
  }
  EXPECT_GE(troughs, 12);
  int flashes = 0;
  for (int k = 1;; ++k, ++flashes) {
    const double t = (2 * k * kPi - 3.1415) / (rate / 2);
    if (song.orderStart[SceneEnd(kRotozoomScene)] + t / rowSeconds >= song.orderStart[kEndLogoEndPosition]) break;
    const int order = nearestOrder(t, SceneEnd(kRotozoomScene), kEndLogoEndPosition);
    bool accented = false;
    for (int channel = 0; channel < song.channels; ++channel)
      accented |= song.At(song.orderStart[order], channel).instrument == crash;
    EXPECT_TRUE(accented) << "flash at order " << order << " without a crash";
  }
  EXPECT_GE(flashes, 6);
}

// At every scene change a voice enters or leaves (crashes, risers and the fill bar before
// the change do not count), and no four bars play three times over unchanged.
TEST(Song, ChangesAtEverySceneAndNeverLoopsFourBarsThrice) {
  const xm::Module module = assetgen::MakeSong();
  const SongRows song(module);
  const int crash = InstrumentNumber(module, "crash"), riser = InstrumentNumber(module, "riser");
  auto voices = [&](int firstRow, int endRow) {
    std::set<int> playing;
    for (int row = firstRow; row < endRow; ++row)
      for (int channel = 0; channel < song.channels; ++channel) {
        const xm::Cell& cell = song.At(row, channel);
        if (cell.note >= 1 && cell.note <= 96 && cell.instrument != crash && cell.instrument != riser)
          playing.insert(channel);
      }
    return playing;
  };
  for (const SceneStep& scene : kSceneTable) {
    const int order = scene.endPosition;
    const int change = song.orderStart[order];
    EXPECT_NE(voices(change - 48, change - 16), voices(change, change + 32)) << "same voices across order " << order;
  }
  for (int row = 0; row + 192 <= song.rows(); row += 16)
    EXPECT_FALSE(song.SameRows(row, row + 64, 64) && song.SameRows(row, row + 128, 64))
        << "the four bars from row " << row << " play three times";
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
  double loudest = 0, quietest = 1e30;
  // From the first chord's full swell to the start of the last one's release.
  for (size_t start = 2 * kRate; start + kWindow < samples.size() - 2 * kRate; start += kWindow) {
    double energy = 0;
    for (size_t i = start; i < start + kWindow; ++i) energy += samples[i] * samples[i];
    loudest = std::max(loudest, energy);
    quietest = std::min(quietest, energy);
  }
  EXPECT_GT(10 * std::log10(quietest / loudest), -10.0) << "the pads drop out";
}

// One render as the demo plays it, measured by ffmpeg (EBU R128 with true peak) for the
// level and the dynamics, and here for the stereo image.
TEST(MusicAsset, LevelDynamicsAndStereo) {
  std::vector<uint8_t> file;
  ASSERT_TRUE(ReadModuleFile(kModulePath, &file));
  constexpr int kRate = 48000;
  const std::vector<float> samples = RenderModule(file, kRate);
  ASSERT_FALSE(samples.empty());
  double leftEnergy = 0, rightEnergy = 0, product = 0;
  for (size_t i = 0; i + 1 < samples.size(); i += 2) {
    leftEnergy += double(samples[i]) * samples[i];
    rightEnergy += double(samples[i + 1]) * samples[i + 1];
    product += double(samples[i]) * samples[i + 1];
  }
  EXPECT_LE(product / std::sqrt(leftEnergy * rightEnergy), 0.9) << "left/right correlation: the mix is near mono";

  const std::string rawPath = "music_render.f32";
  ASSERT_TRUE(std::ofstream(rawPath, std::ios::binary)
                  .write(reinterpret_cast<const char*>(samples.data()), static_cast<std::streamsize>(samples.size() * 4)));
  const std::string command = "ffmpeg -hide_banner -nostats -f f32le -ar 48000 -ac 2 -i " + rawPath +
                              " -af ebur128=peak=true -f null - 2>&1";
  int status = -1;
  std::istringstream output(CommandOutput(command, &status));
  ASSERT_EQ(status, 0);
  double integrated = 0, range = 0, peak = 0;
  std::vector<std::pair<double, double>> momentary;  // (seconds, LUFS) every 0.1 s
  for (std::string text; std::getline(output, text);) {
    double t, m;
    const size_t at = text.find(" t: ");
    if (at != std::string::npos && std::sscanf(text.c_str() + at, " t: %lf TARGET:%*d LUFS M: %lf", &t, &m) == 2)
      momentary.emplace_back(t, m);
    std::sscanf(text.c_str(), " I: %lf LUFS", &integrated);
    std::sscanf(text.c_str(), " LRA: %lf LU", &range);
    std::sscanf(text.c_str(), " Peak: %lf dBFS", &peak);
  }
  std::remove(rawPath.c_str());
  ASSERT_GT(momentary.size(), 1000u);
  EXPECT_GE(integrated, -16.0);
  EXPECT_LE(integrated, -12.0);
  EXPECT_LE(peak, -1.0);
  EXPECT_GE(range, 6.0);
  // The breakdown (the rippled plane, orders 28-31) sits 4 to 6 dB below the verse.
  const ModuleFacts facts = ProbeModuleOpenMpt(file);
  auto loudness = [&](int firstOrder, int endOrder) {
    double energy = 0;
    int count = 0;
    for (const auto& [t, m] : momentary)
      if (t >= facts.orderStartSeconds[firstOrder] + 0.4 && t <= facts.orderStartSeconds[endOrder])
        energy += std::pow(10.0, m / 10), ++count;
    return 10 * std::log10(energy / std::max(count, 1));
  };
  const int verse = SceneEnd(kParticlesScene), breakdown = SceneEnd(kBallScene), buildUp = SceneEnd(kRippledPlaneScene) - 1;
  const double drop = loudness(verse, SceneEnd(kObjectScene)) - loudness(breakdown, buildUp);
  EXPECT_GE(drop, 4.0);
  EXPECT_LE(drop, 6.0);
  EXPECT_GT(loudness(buildUp, buildUp + 1), loudness(breakdown, buildUp) + 2.0) << "no build into the zoom scene";
}

}  // namespace

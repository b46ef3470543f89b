// The music: two independent players agree on it, its song positions line up with the
// scenes, and its level leaves headroom.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "platform/peers/module_probe/module_probe.h"
#include "tests/assets/loudness.h"

namespace {

const std::string kModulePath = std::string(ZELTO_DATA_DIR) + "/mowt.xm";

class MusicAsset : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(ReadModuleFile(kModulePath, &file_));
    openMpt_ = ProbeModuleOpenMpt(file_);
    xmp_ = ProbeModuleXmp(file_);
  }
  static std::vector<uint8_t> file_;
  static ModuleFacts openMpt_, xmp_;
};
std::vector<uint8_t> MusicAsset::file_;
ModuleFacts MusicAsset::openMpt_, MusicAsset::xmp_;

TEST_F(MusicAsset, BothPlayersReadTheSameSong) {
  ASSERT_TRUE(openMpt_.loaded);
  ASSERT_TRUE(xmp_.loaded);
  EXPECT_GE(openMpt_.orders, 97);
  EXPECT_EQ(openMpt_.orders, xmp_.orders);
  EXPECT_GE(openMpt_.channels, 6);
  EXPECT_EQ(openMpt_.channels, xmp_.channels);
  EXPECT_NEAR(openMpt_.durationSeconds, xmp_.durationSeconds, 0.25);
  // libxmp counts in whole milliseconds and ticks; the order times agree to a few ticks.
  ASSERT_EQ(xmp_.orderStartSeconds.size(), openMpt_.orderStartSeconds.size());
  for (size_t order = 0; order < openMpt_.orderStartSeconds.size(); ++order)
    EXPECT_NEAR(openMpt_.orderStartSeconds[order], xmp_.orderStartSeconds[order], 0.1) << "order " << order;
}

// Each scene ends when its order is reached; its length is the time since the previous
// scene's end (the first scene starts with the song).
TEST_F(MusicAsset, ScenesLastAsLongAsPlanned) {
  ASSERT_TRUE(openMpt_.loaded);
  ASSERT_GE(openMpt_.orders, 97);
  struct Scene {
    int endOrder;
    double shortest, longest;
  };
  const Scene scenes[] = {{12, 33, 45}, {20, 20, 30}, {28, 20, 30}, {32, 10, 15},
                          {40, 20, 30}, {44, 10, 15}, {96, 40, 60}};
  double start = 0.0;
  for (const Scene& scene : scenes) {
    const double end = openMpt_.orderStartSeconds[scene.endOrder];
    EXPECT_GE(end - start, scene.shortest) << "scene ending at order " << scene.endOrder;
    EXPECT_LE(end - start, scene.longest) << "scene ending at order " << scene.endOrder;
    start = end;
  }
  EXPECT_GE(start, 180.0);  // the demo lasts three to four minutes
  EXPECT_LE(start, 240.0);
}

TEST_F(MusicAsset, LevelLeavesHeadroom) {
  const std::vector<float> render = RenderModule(file_, 48000);
  ASSERT_FALSE(render.empty());
  EXPECT_NEAR(render.size() / 2 / 48000.0, openMpt_.durationSeconds, 0.25);  // plus a short tail
  const LoudnessFigures figures = MeasureLoudness(render);
  // Inter-sample peaks sit up to about half a decibel above the sample peak.
  EXPECT_LE(figures.samplePeakDbfs, -1.5);
  EXPECT_GE(figures.integratedLufs, -16.0);
  EXPECT_LE(figures.integratedLufs, -12.0);
}

}  // namespace

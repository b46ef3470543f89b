// The music: two independent players agree on it, its song positions line up with the
// scenes, and its level leaves headroom.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/peers/module_probe/module_probe.h"

namespace {

const std::string kModulePath = std::string(ZELTO_DATA_DIR) + "/mowt.xm";

TEST(MusicAsset, PlayersAgreeAndScenesLastAsLongAsPlanned) {
  std::vector<uint8_t> file;
  ASSERT_TRUE(ReadModuleFile(kModulePath, &file));
  const ModuleFacts openMpt = ProbeModuleOpenMpt(file), xmp = ProbeModuleXmp(file);
  ASSERT_TRUE(openMpt.loaded && xmp.loaded);
  ASSERT_GE(openMpt.orders, 97);
  EXPECT_EQ(openMpt.orders, xmp.orders);
  EXPECT_GE(openMpt.channels, 6);
  EXPECT_EQ(openMpt.channels, xmp.channels);
  EXPECT_NEAR(openMpt.durationSeconds, xmp.durationSeconds, 0.25);
  // libxmp counts in whole milliseconds and ticks; the order times agree to a few ticks.
  ASSERT_EQ(xmp.orderStartSeconds.size(), openMpt.orderStartSeconds.size());
  for (size_t order = 0; order < openMpt.orderStartSeconds.size(); ++order)
    EXPECT_NEAR(openMpt.orderStartSeconds[order], xmp.orderStartSeconds[order], 0.1) << "order " << order;
  // Each scene ends when its order is reached; it lasts from the previous scene's end.
  const struct { int endOrder; double shortest, longest; } scenes[] = {{12, 33, 45}, {20, 20, 30}, {28, 20, 30}, {32, 10, 15},
                          {40, 20, 30}, {44, 10, 15}, {96, 40, 60}};
  double start = 0.0;
  for (const auto& scene : scenes) {
    const double length = openMpt.orderStartSeconds[scene.endOrder] - start;
    EXPECT_GE(length, scene.shortest) << "scene ending at order " << scene.endOrder;
    EXPECT_LE(length, scene.longest) << "scene ending at order " << scene.endOrder;
    start += length;
  }
  EXPECT_GE(start, 180.0);  // the demo lasts three to four minutes
  EXPECT_LE(start, 240.0);
}

// ffmpeg plays the module through libopenmpt and measures it (EBU R128).
TEST(MusicAsset, LevelLeavesHeadroom) {
  const std::string command =
      "ffmpeg -hide_banner -nostats -i " + kModulePath + " -af ebur128=peak=sample -f null - 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  double integrated = 0, peak = 0;
  int found = 0;
  for (char line[512]; std::fgets(line, sizeof line, pipe);)
    found += (std::sscanf(line, " I: %lf LUFS", &integrated) == 1) +
             (std::sscanf(line, " Peak: %lf dBFS", &peak) == 1);
  ASSERT_EQ(pclose(pipe), 0);
  ASSERT_EQ(found, 2);
  EXPECT_LE(peak, -1.5);  // inter-sample peaks sit up to about half a decibel higher
  EXPECT_GE(integrated, -16.0);
  EXPECT_LE(integrated, -12.0);
}

}  // namespace

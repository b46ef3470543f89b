// The blurred scenes keep their subject visible: the whole demo with the generated data and
// music, through the offline backend, and in every frame of the object, ball and rotozoom
// scenes at most 3 % of the pixels are white (every channel >= 245: the rays flood) and at
// least 8 % have a channel >= 48 (the picture has not gone dark).
//
// The scenes are found by song position, as they end on it. By default the demo runs at 12
// frames per second (every fifth frame of a 60 fps run, for the object and ball scenes whose
// pictures depend on the clock alone); ZELTO_LIGHT_FPS=60 measures every frame of a real run.
// To look at the frames themselves, capture them (tools/capture).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "app/demo.h"
#include "app/music.h"
#include "core/frame_buffer.h"
#include "platform/offline.h"
#include "scenes/scene_table.h"

namespace {

struct SceneLight {
  const char* name;
  int32_t begin, end;  // song positions
  int64_t frames = 0;
  double worstWhite = 0, worstLit = 1, whiteSecond = 0, litSecond = 0;  // shares of the frame, and when
};

SceneLight scenes[] = {{"object", SceneStart(kObjectScene), SceneEnd(kObjectScene)},
                       {"ball", SceneStart(kBallScene), SceneEnd(kBallScene)},
                       {"rotozoom", SceneStart(kRotozoomScene), SceneEnd(kRotozoomScene)}};
int32_t framesPerSecond = 12;

void MeasureFrame(const platform::OfflineFrame& frame) {
  const int32_t position = MusicPosition.load();
  for (SceneLight& scene : scenes) {
    if (position < scene.begin || position >= scene.end) continue;
    int white = 0, lit = 0;
    for (int i = 0; i < kFramePixels; ++i) {
      const uint32_t p = frame.picture[i];
      const uint32_t r = p >> 16 & 0xFF, g = p >> 8 & 0xFF, b = p & 0xFF;
      white += std::min({r, g, b}) >= 245;
      lit += std::max({r, g, b}) >= 48;
    }
    const double second = static_cast<double>(frame.index) / framesPerSecond;
    ++scene.frames;
    if (white > scene.worstWhite * kFramePixels) scene.worstWhite = double(white) / kFramePixels, scene.whiteSecond = second;
    if (lit < scene.worstLit * kFramePixels) scene.worstLit = double(lit) / kFramePixels, scene.litSecond = second;
  }
}

TEST(SceneLight, BlurredScenesNeitherFloodNorGoDark) {
  if (const char* fps = std::getenv("ZELTO_LIGHT_FPS")) framesPerSecond = std::atoi(fps);
  ASSERT_TRUE(framesPerSecond >= 1 && framesPerSecond <= 240);
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(std::filesystem::path(ZELTO_DATA_DIR).parent_path());
  ResetDemoState();
  platform::OfflineSettings settings;
  settings.fpsNumerator = framesPerSecond;
  settings.frameSink = MeasureFrame;
  platform::OfflineReset(settings);
  EXPECT_EQ(DemoMain(), 0);
  std::filesystem::current_path(previous);
  for (const SceneLight& scene : scenes) {
    // The figures of the art's light budget, for whoever tunes the assets.
    std::printf("%-8s %6lld frames  white at most %5.2f %% (%.2f s)  lit at least %5.2f %% (%.2f s)\n", scene.name,
                static_cast<long long>(scene.frames), scene.worstWhite * 100, scene.whiteSecond, scene.worstLit * 100,
                scene.litSecond);
    EXPECT_GT(scene.frames, 10) << scene.name;
    EXPECT_LE(scene.worstWhite, 0.03) << scene.name << " floods at " << scene.whiteSecond << " s";
    EXPECT_GE(scene.worstLit, 0.08) << scene.name << " goes dark at " << scene.litSecond << " s";
  }
}

}  // namespace

// The blurred scenes keep their subject visible: the whole demo with the generated data and
// music, through the offline backend, and in every frame of the object, ball and rotozoom
// scenes at most 3 % of the pixels are white (every channel >= 245: the rays flood) and at
// least 8 % have a channel >= 48 (the picture has not gone dark). In the ball scene the ball
// itself must show through its rays: in at least 90 % of its frames the mean relative
// luminance inside the ball's outline is at least 1.5 times that of the band just outside it
// (the outline scaled by 1.25 about the ball's centre on screen), both worked out from the
// scene's camera path, the sphere's size and the speed in the settings file; the corner
// ornaments, added over the picture, are left out.
//
// The scenes are found by song position, as they end on it. By default the demo runs at 12
// frames per second (every fifth frame of a 60 fps run, for the object and ball scenes whose
// pictures depend on the clock alone); ZELTO_LIGHT_FPS=60 measures every frame of a real run.
// To look at the frames themselves, capture them (tools/capture).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "app/demo.h"
#include "app/music.h"
#include "core/frame_buffer.h"
#include "core/trig.h"
#include "engine3d/camera.h"
#include "image/flash_cells.h"
#include "platform/offline.h"
#include "scenes/scene_table.h"
#include "settings/ini_file.h"

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

// The ball as the ball scene frames it: a sphere of radius 5000 at the origin, the camera on
// its path at scene time a = clock seconds x [boule_vitesse], rays focal 256.
struct BallDisc {
  static constexpr int kOrnamentSize = 64;
  double speed = 1.0;  // [boule_vitesse]
  int64_t frames = 0, readable = 0;
  std::vector<double> ratios;  // disc over band, one per frame
  CameraBasisMemory memory;

  void Measure(const uint32_t* picture, double clockSeconds) {
    const double a = clockSeconds * speed;
    const double eye[3] = {static_cast<float>(5600.0 * Cos(0.3 * a)), static_cast<float>(5600.0 * Sin(0.3 * a)),
                           static_cast<float>(5600.0 * Cos(0.3 * a))};
    const double aim[3] = {static_cast<float>(2000.0 * Cos(0.5 * a)), static_cast<float>(2000.0 * Sin(0.63 * a)),
                           static_cast<float>(2000.0 * Sin(0.3 * a))};
    double view[3], distance = 0, length = 0;
    for (int i = 0; i < 3; ++i) view[i] = aim[i] - eye[i], length += view[i] * view[i], distance += eye[i] * eye[i];
    length = std::sqrt(length), distance = std::sqrt(distance);
    const CameraRows rows = RoundCameraBasis(BuildCameraBasis(&memory, static_cast<float>(view[0] / length),
                                                              static_cast<float>(view[1] / length),
                                                              static_cast<float>(view[2] / length),
                                                              6.28 * Sin(0.03 * a) * Cos(0.05 * a)));
    // A pixel's ray makes the angle theta with the line to the ball's centre: inside the
    // outline while sin(theta) < radius / distance; the band ends where tan(theta) is 1.25
    // times the outline's.
    const double outlineSine = 5000.0 / distance;
    const double outlineTangent = outlineSine / std::sqrt(1.0 - outlineSine * outlineSine);
    const double bandCosine = 1.0 / std::sqrt(1.0 + 1.5625 * outlineTangent * outlineTangent);
    const double outlineCosine = std::sqrt(1.0 - outlineSine * outlineSine);
    double discLight = 0, bandLight = 0;
    int64_t discPixels = 0, bandPixels = 0;
    for (int y = 0; y < kFrameHeight; ++y)
      for (int x = 0; x < kFrameWidth; ++x) {
        double ray[3], rayLength = 0, along = 0;
        for (int i = 0; i < 3; ++i) {
          ray[i] = 256.0 * rows.forward[i] + (x - 256.0) * rows.right[i] + (y - 128.0) * rows.down[i];
          rayLength += ray[i] * ray[i];
          along -= ray[i] * eye[i];
        }
        const double cosine = along / (std::sqrt(rayLength) * distance);
        // The corner ornaments are added over the picture, two squares in each corner.
        if ((y < kOrnamentSize && x < 2 * kOrnamentSize) ||
            (y >= kFrameHeight - kOrnamentSize && x >= kFrameWidth - 2 * kOrnamentSize))
          continue;
        const uint32_t p = picture[y * kFrameWidth + x];
        const double light = (0.2126 * kLinearChannel[p >> 16 & 0xFF] + 0.7152 * kLinearChannel[p >> 8 & 0xFF] +
                              0.0722 * kLinearChannel[p & 0xFF]) / 65535.0;
        if (cosine > outlineCosine) discLight += light, ++discPixels;
        else if (cosine > bandCosine) bandLight += light, ++bandPixels;
      }
    ++frames;
    // A frame whose ball or band hardly shows (the camera looking past it) says nothing.
    if (discPixels < kFramePixels / 20 || bandPixels < kFramePixels / 50) return;
    ++readable;
    const double disc = discLight / discPixels, band = bandLight / bandPixels;
    ratios.push_back(band > 0 ? disc / band : (disc > 0 ? 1e9 : 0));
  }
};
BallDisc ball;

void MeasureFrame(const platform::OfflineFrame& frame) {
  const int32_t position = MusicPosition.load();
  if (position >= SceneStart(kBallScene) && position < SceneEnd(kBallScene))
    ball.Measure(frame.picture, static_cast<double>(frame.index) / framesPerSecond);
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
  ball.speed = IniFile("data/boule/boule.ini").GetFloat("[boule_vitesse]");
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
  std::vector<double> ratios = ball.ratios;
  std::sort(ratios.begin(), ratios.end());
  const auto clear = std::count_if(ratios.begin(), ratios.end(), [](double r) { return r >= 1.5; });
  std::printf("ball     %6lld frames  %lld show the disc and the band; disc / band >= 1.5 in %lld, least %.2f, median %.2f\n",
              static_cast<long long>(ball.frames), static_cast<long long>(ball.readable), static_cast<long long>(clear),
              ratios.empty() ? 0.0 : ratios.front(), ratios.empty() ? 0.0 : ratios[ratios.size() / 2]);
  EXPECT_GE(ball.readable, ball.frames * 9 / 10) << "the ball leaves the view";
  EXPECT_GE(clear * 10, ball.frames * 9) << "the ball does not stand out of its rays in 90 % of its frames";
}

}  // namespace

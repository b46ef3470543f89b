// The stand-in scene host: a scene shows exactly the frames it is given, and a picture
// depends only on the scene, its clock and its song position, not on what ran before.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "core/frame_buffer.h"
#include "scenes/scenes.h"
#include "tools/docs/scene_stage.h"

namespace {

class SceneStage : public ::testing::Test {
 protected:
  // The scenes read data/ from the working directory: the build folder's.
  void SetUp() override {
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(ZELTO_TEST_BUILD_DIR);
  }
  void TearDown() override { std::filesystem::current_path(previous_); }
  std::filesystem::path previous_;
};

TEST_F(SceneStage, SceneShowsItsFramesAndTheLastOneIsKept) {
  // frames asked, song position to start from, frames shown: a scene that starts past its
  // end (the object scene at 20) shows nothing and leaves the picture black.
  const struct { int32_t frames, from, shown; } cases[] = {{1, 0, 1}, {3, 0, 3}, {0, 0, 1}, {2, SceneEnd(kObjectScene), 0}};
  for (const auto& c : cases) {
    int32_t shown = -1;
    const Picture picture = StageScene(ObjectScene, 28.0, c.frames, c.from, &shown);
    EXPECT_EQ(shown, c.shown) << c.frames << " from " << c.from;
    ASSERT_EQ(picture.pixels.size(), static_cast<size_t>(kFrameWidth) * kFrameHeight);
    const bool black = std::all_of(picture.pixels.begin(), picture.pixels.end(), [](uint32_t p) { return p == 0; });
    EXPECT_EQ(black, c.shown == 0) << c.frames << " from " << c.from;
  }
}

TEST_F(SceneStage, PictureDependsOnTheClockAndTheSongPositionOnly) {
  // The ball scene keeps its camera between frames and the rotozoom scene goes on with the
  // end logo: a run after other scenes, or after more frames, draws the same picture.
  const Picture ball = StageScene(BallScene, 43.0, 1);
  StageScene(ZoomScene, 64.0, 2);
  EXPECT_EQ(StageScene(BallScene, 43.0, 3).pixels, ball.pixels);
  EXPECT_NE(StageScene(BallScene, 44.0, 1).pixels, ball.pixels) << "the clock moves the camera";

  const Picture rotozoom = StageScene(RotozoomScene, 2.0, 1);
  const Picture endLogo = StageScene(RotozoomScene, 2.0, 1, SceneEnd(kRotozoomScene));
  EXPECT_NE(rotozoom.pixels, endLogo.pixels) << "from the rotozoomer's end position the end logo plays";
  EXPECT_EQ(StageScene(RotozoomScene, 2.0, 1, SceneEnd(kRotozoomScene)).pixels, endLogo.pixels);
}

}  // namespace

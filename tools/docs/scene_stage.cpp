// The stand-in scene host of the documentation's pictures.
#include "tools/docs/scene_stage.h"

#include <cstring>
#include <vector>

#include "core/frame_buffer.h"
#include "scenes/scene_host.h"
#include "scenes/scenes.h"

namespace {

constexpr int32_t kPastEveryEnd = 1000;

struct Stage {
  int32_t songPosition = 0;
  int32_t framesLeft = 0;
  int32_t framesShown = 0;
  double clock = 0.0;
  Picture lastFrame;
};
Stage TheStage;

void KeepFrame(const uint32_t* frame) {
  std::memcpy(TheStage.lastFrame.pixels.data(), frame, kFrameBytes);
  ++TheStage.framesShown;
  if (--TheStage.framesLeft <= 0) TheStage.songPosition = kPastEveryEnd;
}
int32_t StagePosition() { return TheStage.songPosition; }
double StageClock() { return TheStage.clock; }
void KeepClock() {}

}  // namespace

Picture StageScene(SceneEntryPoint scene, double seconds, int32_t frames, int32_t from, int32_t* framesShown) {
  ResetSceneState();
  SetSceneHost({KeepFrame, StagePosition, StageClock, KeepClock});
  TheStage = Stage{from, frames, 0, seconds, Picture(kFrameWidth, kFrameHeight)};
  std::vector<uint32_t> frame(kFramePixels, 0);
  scene(frame.data());
  if (framesShown) *framesShown = TheStage.framesShown;
  return TheStage.lastFrame;
}

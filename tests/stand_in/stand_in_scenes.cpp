// Stand-in scenes: static numbered test cards that keep the real scenes' timing.
#include "tests/stand_in/stand_in_scenes.h"

#include <algorithm>
#include <cstdio>

#include "app/display.h"
#include "app/music.h"
#include "app/timer.h"
#include "core/frame_buffer.h"
#include "scenes/scene_table.h"
#include "scenes/scenes.h"

std::vector<StandInSceneCall> StandInSceneCalls;
bool StandInAnnounceFirstFrame = false;

namespace {

void RunCard(uint32_t* frame, int number, int32_t endPosition) {
  while (MusicPosition.load(std::memory_order_relaxed) < endPosition) {
    DrawStandInCard(frame, number);
    PresentFrame(frame);
    if (StandInAnnounceFirstFrame) {
      StandInAnnounceFirstFrame = false;
      std::puts("first frame");
      std::fflush(stdout);
    }
  }
}

void RunScene(uint32_t* frame, int scene, int32_t endPosition) {
  StandInSceneCalls.push_back({scene, frame});
  RunCard(frame, scene, endPosition);
}

}  // namespace

uint32_t StandInCardColour(int number) {
  return 0x00200040u + static_cast<uint32_t>(number) * 0x00201810u;
}

void DrawStandInCard(uint32_t* frame, int number) {
  for (int i = 0; i < kFramePixels; ++i) {
    const int x = i % kFrameWidth, y = i / kFrameWidth;
    const bool inBlock = y >= 16 && y < 48 && x >= 16 && (x - 16) / 24 < number && (x - 16) % 24 < 16;
    frame[i] = inBlock ? 0x00FFFFFFu : StandInCardColour(number);
  }
}

int StandInCardOf(const uint32_t* picture) {
  std::vector<uint32_t> card(kFramePixels);
  for (int number = 1; number <= 7; ++number) {
    DrawStandInCard(card.data(), number);
    if (std::equal(card.begin(), card.end(), picture)) return number;
  }
  return 0;
}

void ParticlesScene(uint32_t* frame) {
  TimerReset();
  RunScene(frame, 1, SceneEnd(kParticlesScene));
}
void ObjectScene(uint32_t* frame) { RunScene(frame, 2, SceneEnd(kObjectScene)); }
void BallScene(uint32_t* frame) { RunScene(frame, 3, SceneEnd(kBallScene)); }
void RippledPlaneScene(uint32_t* frame) { RunScene(frame, 4, SceneEnd(kRippledPlaneScene)); }
void ZoomScene(uint32_t* frame) { RunScene(frame, 5, SceneEnd(kZoomScene)); }
void RotozoomScene(uint32_t* frame) {
  TimerReset();
  RunScene(frame, 6, SceneEnd(kRotozoomScene));
  TimerReset();
  RunCard(frame, 7, kEndLogoEndPosition);
}

// The cards keep nothing between frames (StandInSceneCalls is the tests' own record).
void ResetSceneState() {}

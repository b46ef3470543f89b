// Stand-in scenes: static numbered test cards that keep the real scenes' timing.
#include "tests/stand_in/stand_in_scenes.h"

#include <cstdio>

#include "app/display.h"
#include "app/frame_buffer.h"
#include "app/music.h"
#include "app/timer.h"
#include "scenes/scenes.h"

std::vector<StandInSceneCall> StandInSceneCalls;
bool StandInAnnounceFirstFrame = false;

namespace {

bool firstFrameAnnounced = false;

bool InBlock(int x, int y, int number) {
  if (y < 16 || y >= 48 || x < 16) return false;
  const int block = (x - 16) / 24;
  return block < number && (x - 16) % 24 < 16;
}

void RunCard(uint32_t* frame, int number, int32_t endPosition, StandInSceneCall* call) {
  while (MusicPosition.load(std::memory_order_relaxed) < endPosition) {
    DrawStandInCard(frame, number);
    PresentFrame(frame);
    ++call->framesPresented;
    if (StandInAnnounceFirstFrame && !firstFrameAnnounced) {
      firstFrameAnnounced = true;
      std::puts("first frame");
      std::fflush(stdout);
    }
  }
}

void RunScene(uint32_t* frame, int scene, int32_t endPosition) {
  StandInSceneCalls.push_back({scene, frame, 0});
  RunCard(frame, scene, endPosition, &StandInSceneCalls.back());
}

}  // namespace

uint32_t StandInCardColour(int number) {
  return 0x00200040u + static_cast<uint32_t>(number) * 0x00201810u;
}

void DrawStandInCard(uint32_t* frame, int number) {
  const uint32_t colour = StandInCardColour(number);
  for (int y = 0; y < kFrameHeight; ++y)
    for (int x = 0; x < kFrameWidth; ++x)
      frame[y * kFrameWidth + x] = InBlock(x, y, number) ? 0x00FFFFFFu : colour;
}

bool IsStandInCard(const uint32_t* picture, int number) {
  const uint32_t colour = StandInCardColour(number);
  for (int y = 0; y < kFrameHeight; ++y)
    for (int x = 0; x < kFrameWidth; ++x)
      if (picture[y * kFrameWidth + x] != (InBlock(x, y, number) ? 0x00FFFFFFu : colour))
        return false;
  return true;
}

int StandInCardOf(const uint32_t* picture) {
  for (int number = 1; number <= 7; ++number)
    if (IsStandInCard(picture, number)) return number;
  return 0;
}

void ParticlesScene(uint32_t* frame) {
  TimerReset();
  RunScene(frame, 1, 12);
}
void ObjectScene(uint32_t* frame) { RunScene(frame, 2, 20); }
void BallScene(uint32_t* frame) { RunScene(frame, 3, 28); }
void RippledPlaneScene(uint32_t* frame) { RunScene(frame, 4, 32); }
void ZoomScene(uint32_t* frame) { RunScene(frame, 5, 40); }
void RotozoomScene(uint32_t* frame) {
  TimerReset();
  StandInSceneCalls.push_back({6, frame, 0});
  const size_t call = StandInSceneCalls.size() - 1;
  RunCard(frame, 6, 44, &StandInSceneCalls[call]);
  TimerReset();
  RunCard(frame, 7, 96, &StandInSceneCalls[call]);
}

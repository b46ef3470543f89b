// Stand-in scenes for the demo frame's tests: the six entry points of scenes/scenes.h (and
// its ResetSceneState) as plain, static test cards, so the tests do not depend on the real scenes or their data.
//
// Card n (1..7; the sixth scene shows card 6 until song position 44, then card 7, its end
// logo, until 96) is a flat colour with n white blocks in the top-left corner. Each scene
// keeps the timing of the real one: it resets the clock where the real one does and runs
// while MusicPosition is below its end position, presenting one frame per loop.
#pragma once

#include <cstdint>
#include <vector>

// The colour of card n's background.
uint32_t StandInCardColour(int number);
// Draws card n into the 512 x 256 frame.
void DrawStandInCard(uint32_t* frame, int number);
// The card number that `picture` (512 x 256) shows exactly, or 0.
int StandInCardOf(const uint32_t* picture);

struct StandInSceneCall {
  int scene;              // 1..6
  const uint32_t* frame;  // the pointer it was given
};
// The scene calls of this process, in order.
extern std::vector<StandInSceneCall> StandInSceneCalls;

// When set, the first PresentFrame of the run is followed by one line on stdout,
// "first frame", so that a test driving the real window knows the picture is up.
extern bool StandInAnnounceFirstFrame;

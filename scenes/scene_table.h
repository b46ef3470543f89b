// The demo's running order: the six scenes, the song position each one hands over at,
// and the position the end logo, and with it the demo, stops at.
//
// The positions and names are plain constants, so that tools which only need the timing
// (the song generator, the capture's timeline) read them without linking a scene.
#pragma once

#include <cstdint>

// Indices into kSceneTable, in play order.
enum SceneIndex : int {
  kParticlesScene,
  kObjectScene,
  kBallScene,
  kRippledPlaneScene,
  kZoomScene,
  kRotozoomScene,
  kSceneCount
};

struct SceneStep {
  // The scene returns once MusicPosition reaches this song position.
  int32_t endPosition;
  const char* name;
};

inline constexpr SceneStep kSceneTable[kSceneCount] = {
    {12, "particles"}, {20, "object"}, {28, "ball"}, {32, "rippled plane"}, {40, "zoom"}, {44, "rotozoom"},
};

// The rotozoom scene goes on with the end logo after its own end position; the logo
// stays until this one, and the demo ends with it.
inline constexpr int32_t kEndLogoEndPosition = 96;
inline constexpr const char* kEndLogoName = "end logo";

// The beat the picture pulses on, which the song's patterns land on: the particles
// scene's smear follows cos(t x kPulseSpeed x kSmearPulseScale + kPulsePhase), deepest
// trails at its troughs, one every 3.019 s; the end logo flashes around the crests of
// cos(t x kPulseSpeed x kFlashPulseScale + kPulsePhase), one every 6.038 s. t is the scene
// clock in seconds. The scenes multiply in this order, as the effect was tuned (3.1415 is
// the literal, not pi).
inline constexpr double kPulseSpeed = 499.49850000000004;
inline constexpr double kSmearPulseScale = 0.004166666666666667;    // 1/240
inline constexpr double kFlashPulseScale = 0.0020833333333333333;  // 1/480
inline constexpr double kPulsePhase = 3.1415;

// A module must hold the end logo's position to let the demo finish.
inline constexpr int32_t kSongPositionsNeeded = kEndLogoEndPosition + 1;

constexpr int32_t SceneEnd(SceneIndex scene) { return kSceneTable[scene].endPosition; }
// The position a scene starts at: the one its predecessor ends at, 0 for the first.
constexpr int32_t SceneStart(SceneIndex scene) { return scene == 0 ? 0 : kSceneTable[scene - 1].endPosition; }

// The scenes' entry points, in the order of kSceneTable (scene_table.cpp).
using SceneEntryPoint = void (*)(uint32_t* frame);
extern const SceneEntryPoint kSceneEntryPoints[kSceneCount];
// Runs one scene on the frame until it returns, reporting its start and its return to the
// scene host's watcher (scene_host.h). Demo::Run plays each scene through it.
void PlayScene(SceneIndex scene, uint32_t* frame);

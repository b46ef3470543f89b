// All that a scene sees of the demo frame around it: presenting a frame, the song
// position and the scene clock.
//
// The scenes sit below the demo frame, which runs them: they reach it only through the
// answers it gives here, once, before the first scene (DemoMain does, see
// app/scene_host.h). A scene calls host::PresentFrame and the others; what each does is
// the demo frame's (app/display.h, app/music.h, app/timer.h). Main thread only.
#pragma once

#include <cstdint>

struct SceneHost {
  void (*presentFrame)(const uint32_t* frame);
  int32_t (*musicPosition)();
  double (*timerSeconds)();
  void (*timerReset)();
};

// Replaces the answers; every member must be set before a scene runs.
void SetSceneHost(const SceneHost& host);

namespace host {

// Shows the finished 512 x 256 frame; may end the process (a quit) instead of returning.
void PresentFrame(const uint32_t* frame);
// The song position as last reported by the player, 0 before the first report; scenes
// compare it as a signed number against their end position.
int32_t MusicPosition();
// Seconds since the last TimerReset.
double TimerSeconds();
// Restarts the scene clock.
void TimerReset();

}  // namespace host

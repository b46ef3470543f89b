// All that a scene sees of the demo frame around it: presenting a frame, the song
// position and the scene clock.
//
// The scenes sit below the demo frame, which runs them: they reach it only through the
// answers it gives here, once, before the first scene (DemoMain does, see
// app/demo_host.h). A scene calls host::ShowFrame and the others; what each does is
// the demo frame's (app/display.h, app/music.h, app/timer.h). Main thread only.
#pragma once

#include <cstdint>

// The demo frame's answers: its PresentFrame, its MusicPosition read, its TimerSeconds and
// TimerReset.
struct SceneHost {
  void (*showFrame)(const uint32_t* frame);
  int32_t (*songPosition)();
  double (*sceneSeconds)();
  void (*restartSceneClock)();
};

// Replaces the answers; every member must be set before a scene runs.
void SetSceneHost(const SceneHost& host);

namespace host {

// Shows the finished 512 x 256 frame (the demo frame's PresentFrame); may end the process
// (a quit) instead of returning.
void ShowFrame(const uint32_t* frame);
// MusicPosition as last reported by the player, 0 before the first report; scenes compare
// it as a signed number against their end position.
int32_t SongPosition();
// Seconds since the scene clock was last restarted (the demo frame's TimerSeconds).
double SceneSeconds();
// Restarts the scene clock (the demo frame's TimerReset).
void RestartSceneClock();

}  // namespace host

// All that a scene sees of the demo frame around it: presenting a frame, the song
// position and the scene clock.
//
// The scenes sit below the demo frame, which runs them: they reach it only through the
// answers it gives here, once, before the first scene (DemoMain does, see
// app/demo_host.h). A scene calls host::ShowFrame and the others; what each does is
// the demo frame's (app/display.h, app/music.h, app/timer.h). Main thread only.
#pragma once

#include <cstdint>

#include "scenes/scene_table.h"

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

// A watcher sees each scene come and go without a hook inside the scenes (PlayScene in
// scene_table.h reports to it): tests use it, the demo sets none. It runs on the main
// thread, between frames. A scene that ends the process (a quit) never reports its return.
enum class SceneMoment { kStart, kReturn };
using SceneWatcher = void (*)(SceneIndex scene, SceneMoment moment);
// Replaces the watcher; nullptr for none (ResetDemoState puts it back to none).
void WatchScenes(SceneWatcher watcher);
// Tells the watcher, if there is one.
void ReportScene(SceneIndex scene, SceneMoment moment);

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

// The scenes' side of the scene host: the answers the demo frame gave, called through,
// and the scene watcher.
#include "scenes/scene_host.h"

namespace {

SceneHost TheSceneHost = {};
SceneWatcher TheSceneWatcher = nullptr;

}  // namespace

void SetSceneHost(const SceneHost& host) { TheSceneHost = host; }

void WatchScenes(SceneWatcher watcher) { TheSceneWatcher = watcher; }

void ReportScene(SceneIndex scene, SceneMoment moment) {
  if (TheSceneWatcher) TheSceneWatcher(scene, moment);
}

namespace host {

void ShowFrame(const uint32_t* frame) { TheSceneHost.showFrame(frame); }
int32_t SongPosition() { return TheSceneHost.songPosition(); }
double SceneSeconds() { return TheSceneHost.sceneSeconds(); }
void RestartSceneClock() { TheSceneHost.restartSceneClock(); }

}  // namespace host

// The scenes' side of the scene host: the answers the demo frame gave, called through.
#include "scenes/scene_host.h"

namespace {

SceneHost TheSceneHost = {};

}  // namespace

void SetSceneHost(const SceneHost& host) { TheSceneHost = host; }

namespace host {

void ShowFrame(const uint32_t* frame) { TheSceneHost.showFrame(frame); }
int32_t SongPosition() { return TheSceneHost.songPosition(); }
double SceneSeconds() { return TheSceneHost.sceneSeconds(); }
void RestartSceneClock() { TheSceneHost.restartSceneClock(); }

}  // namespace host

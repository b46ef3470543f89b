// The scenes' side of the scene host: the answers the demo frame gave, called through.
#include "scenes/scene_host.h"

namespace {

SceneHost TheSceneHost = {};

}  // namespace

void SetSceneHost(const SceneHost& host) { TheSceneHost = host; }

namespace host {

void PresentFrame(const uint32_t* frame) { TheSceneHost.presentFrame(frame); }
int32_t MusicPosition() { return TheSceneHost.musicPosition(); }
double TimerSeconds() { return TheSceneHost.timerSeconds(); }
void TimerReset() { TheSceneHost.timerReset(); }

}  // namespace host

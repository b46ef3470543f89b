// The scenes' entry points beside their running order, and one scene played.
#include "scenes/scene_table.h"

#include "scenes/scene_host.h"
#include "scenes/scenes.h"

const SceneEntryPoint kSceneEntryPoints[kSceneCount] = {ParticlesScene,    ObjectScene, BallScene,
                                                        RippledPlaneScene, ZoomScene,   RotozoomScene};

void PlayScene(SceneIndex scene, uint32_t* frame) {
  ReportScene(scene, SceneMoment::kStart);
  kSceneEntryPoints[scene](frame);
  ReportScene(scene, SceneMoment::kReturn);
}

namespace {

constexpr bool PositionsRise() {
  for (int scene = 1; scene < kSceneCount; ++scene)
    if (kSceneTable[scene].endPosition <= kSceneTable[scene - 1].endPosition) return false;
  return kSceneTable[0].endPosition > 0 && kEndLogoEndPosition > kSceneTable[kSceneCount - 1].endPosition;
}
// A scene whose end position is not above its predecessor's would return at once.
static_assert(PositionsRise());

}  // namespace

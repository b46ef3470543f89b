// What the scenes keep between frames, put back to its start.
#include "scenes/ball_scene.h"
#include "scenes/rippled_plane_scene.h"
#include "scenes/scenes.h"
#include "scenes/zoom_scene.h"

void ResetSceneState() {
  ResetBallScene();
  ResetRippledPlaneScene();
  ResetZoomScene();
}

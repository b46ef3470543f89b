// A stage for one scene: the real scene run on a stand-in scene host, to draw a picture
// of it that depends on nothing but the code and data/.
//
// The stand-in host's clock stands still at the given seconds, and its song position
// starts at the given one and jumps past every end position once the scene has shown the
// given number of frames, so the scene returns right after. No music, no display.
#pragma once

#include <cstdint>

#include "scenes/scene_table.h"
#include "tools/docs/picture_sheet.h"

// Runs `scene` from the song position `from` with its clock at `seconds` until it has shown
// `frames` frames (at least 1), and returns the last frame shown (black if none). Forgets
// what earlier scenes kept first (ResetSceneState) and installs the stand-in host, replacing
// any other. *framesShown, if given, receives how many frames the scene showed. Reads data/
// from the working directory; the scene ends the process if a file is missing.
Picture StageScene(SceneEntryPoint scene, double seconds, int32_t frames, int32_t from = 0,
                   int32_t* framesShown = nullptr);

// The song for whole-demo runs in tests: the demo's positions in about a second.
#pragma once

#include "scenes/scene_table.h"
#include "tools/xm/xm_writer.h"

// Orders of one 9.8 ms row (speed 1, tempo 255), except the first order of each scene
// after the first and the end logo's end, which last longer than a frame
// at `framesPerSecond`: so every scene shows at least one frame and the end is seen
// before the song loops back to its start.
inline xm::Module FastDemoModule(int framesPerSecond) {
  xm::Module module = xm::MakeTestModule(kSongPositionsNeeded, 1, 1, 255);
  const int longRows = static_cast<int>(255.0 / 2.5 / framesPerSecond) + 2;  // a row lasts 2.5/255 s
  for (int scene = 0; scene <= kSceneCount; ++scene) {
    const int32_t order = scene < kSceneCount ? kSceneTable[scene].endPosition : kEndLogoEndPosition;
    xm::Pattern& pattern = module.patterns[static_cast<size_t>(order)];
    pattern.rows = longRows;
    pattern.cells.resize(static_cast<size_t>(longRows) * static_cast<size_t>(module.channels));
  }
  return module;
}

// The song for whole-demo runs in tests: the demo's 97 positions in about a second.
#pragma once

#include "tools/xm/xm_writer.h"

// 97 orders of one 9.8 ms row (speed 1, tempo 255), except the first order of each
// scene (12, 20, 28, 32, 40, 44) and the last one (96), which last longer than a frame
// at `framesPerSecond`: so every scene shows at least one frame and the end is seen
// before the song loops back to its start.
inline xm::Module FastDemoModule(int framesPerSecond) {
  xm::Module module = xm::MakeTestModule(97, 1, 1, 255);
  const int longRows = static_cast<int>(255.0 / 2.5 / framesPerSecond) + 2;  // a row lasts 2.5/255 s
  for (int order : {12, 20, 28, 32, 40, 44, 96}) {
    xm::Pattern& pattern = module.patterns[static_cast<size_t>(order)];
    pattern.rows = longRows;
    pattern.cells.resize(static_cast<size_t>(longRows) * static_cast<size_t>(module.channels));
  }
  return module;
}

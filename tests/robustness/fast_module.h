// The song for whole-demo runs in tests: the demo's 97 positions in about a second.
#pragma once

#include "tools/xm/xm_writer.h"

// 97 orders of one 9.8 ms row (speed 1, tempo 255), except the first order of each
// scene (12, 20, 28, 32, 40, 44) and the last one (96), which last longer than a frame
// at `framesPerSecond`: so every scene shows at least one frame and the end is seen
// before the song loops back to its start.
xm::Module FastDemoModule(int framesPerSecond);

// The fast song of the whole-demo runs.
#include "tests/robustness/fast_module.h"

xm::Module FastDemoModule(int framesPerSecond) {
  xm::Module module = xm::MakeTestModule(97, 1, 1, 255);
  // A row lasts 2.5 / 255 s; a long order is one row more than a frame's worth.
  const int longRows = static_cast<int>(255.0 / 2.5 / framesPerSecond) + 2;
  for (int order : {12, 20, 28, 32, 40, 44, 96}) {
    xm::Pattern& pattern = module.patterns[static_cast<size_t>(order)];
    pattern.rows = longRows;
    pattern.cells.resize(static_cast<size_t>(longRows) * static_cast<size_t>(module.channels));
  }
  return module;
}

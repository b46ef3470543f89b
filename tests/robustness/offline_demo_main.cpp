// The whole demo on the offline backend: plays data/ of the working directory with no
// window and no sound device, as fast as the frames are drawn, and exits as the demo does
// (0, or the code of the failure that ends it).
//
// usage: robustness_offline_demo [FRAMES_PER_SECOND]        plays (default 60 frames/s)
//        robustness_offline_demo --fast-module FILE FPS     writes the fast test song
// A low rate with the fast song (tests/robustness/fast_module.h) carries the whole demo in
// a dozen or two frames. The tampering test and the leak checks of .ci/robustness.sh run it.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/demo.h"
#include "platform/offline.h"
#include "tests/robustness/fast_module.h"

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--fast-module") == 0) {
    std::string error;
    if (xm::WriteXm(argv[2], FastDemoModule(std::atoi(argv[3])), &error)) return 0;
    std::fprintf(stderr, "%s: %s\n", argv[2], error.c_str());
    return 1;
  }
  platform::OfflineSettings settings;
  if (argc > 1) settings.fpsNumerator = std::atoi(argv[1]);
  if (settings.fpsNumerator <= 0) return 2;
  platform::OfflineReset(settings);
  return DemoMain();
}

// The whole demo on the offline backend: plays data/ of the working directory with no
// window and no sound device, as fast as the frames are drawn, and exits as the demo does
// (0, or the code of the failure that ends it).
//
// usage: robustness_offline_demo [FRAMES_PER_SECOND]   (default 60)
// A low rate lets a fast test module carry the whole demo in a few dozen frames. The
// tampering test and the leak checks of .ci/robustness.sh run it.
#include <cstdlib>

#include "app/demo.h"
#include "platform/offline.h"

int main(int argc, char** argv) {
  platform::OfflineSettings settings;
  if (argc > 1) settings.fpsNumerator = std::atoi(argv[1]);
  if (settings.fpsNumerator <= 0) return 2;
  platform::OfflineReset(settings);
  return DemoMain();
}

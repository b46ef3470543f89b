// The demo with the stand-in test cards, for the real-window tests: it says on stdout when
// its first frame is up.
#include "app/demo.h"
#include "tests/stand_in/stand_in_scenes.h"

int main() {
  StandInAnnounceFirstFrame = true;
  return DemoMain();
}

// The program's entry. Its one option, --reduce-flashing, shows the demo through the flash
// limiter; without it the demo is exactly the one it always was.
#include <cstdio>
#include <cstring>

#include "app/demo.h"
#include "app/display.h"
#include "core/exit_codes.h"
#include "core/fatal_error.h"

namespace {

constexpr int kDisplayFramesPerSecond = 60;  // the pace every backend presents at

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--reduce-flashing") == 0) {
    SetFlashLimit(kDisplayFramesPerSecond);
  } else if (argc > 1) {
    std::fputs("usage: zelto2k [--reduce-flashing]\n", stderr);
    EndProcess(kExitUsage);
  }
  return DemoMain();
}

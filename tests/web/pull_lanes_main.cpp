// The browser build's particle pulls against its one-particle loop, under Node.js: the
// WebAssembly lanes are written apart from the native ones, so they are checked apart.
// Exits 0 when every case agrees.
#include "tests/scenes/pull_cases.h"

int main() {
  const bool agree = PullCasesAgree();
  std::printf("Particle pulls in WebAssembly lanes against the one-particle loop: %s\n", agree ? "equal" : "DIFFER");
  return agree ? 0 : 1;
}

// The browser build's SIMD kernels that differ from the native ones (the particle pulls'
// f64x2 lanes, the radial blur's four-lane squares and 16-bit products) against their
// scalar references, under Node.js. Exits 0 when every case agrees.
#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

#include "image/radial_blur.h"
#include "tests/image/blur_centres.h"
#include "tests/scenes/pull_cases.h"

namespace {

// Random frames, a third of them with every channel bright enough to saturate.
bool BlurAgrees() {
  std::mt19937 generator(16);
  bool agree = true;
  for (auto [cx, cy] : BlurCentres(generator)) {
    std::vector<uint32_t> lanes(512 * 256);
    for (uint32_t& pixel : lanes) pixel = generator() % 3 == 0 ? generator() | 0x00F0F0F0 : generator();
    std::vector<uint32_t> scalar = lanes;
    RadialBlur(lanes.data(), cx, cy);
    RadialBlurScalar(scalar.data(), cx, cy);
    if (lanes != scalar) {
      std::printf("radial blur differs at centre %d,%d\n", static_cast<int>(cx), static_cast<int>(cy));
      agree = false;
    }
  }
  return agree;
}

}  // namespace

int main() {
  const bool pulls = PullCasesAgree();
  const bool blur = BlurAgrees();
  std::printf("WebAssembly lanes against the scalar forms: particle pulls %s, radial blur %s\n",
              pulls ? "equal" : "DIFFER", blur ? "equal" : "DIFFER");
  return pulls && blur ? 0 : 1;
}

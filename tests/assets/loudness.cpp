// BS.1770 loudness: two biquads per channel, 400 ms blocks every 100 ms, absolute gate
// at -70 LUFS, relative gate 10 LU below the mean of the blocks that pass the first.
#include "tests/assets/loudness.h"

#include <algorithm>
#include <cmath>

namespace {

struct Biquad {
  double b0, b1, b2, a1, a2;
  double z1 = 0, z2 = 0;
  double Run(double x) {  // transposed direct form II
    const double y = b0 * x + z1;
    z1 = b1 * x - a1 * y + z2;
    z2 = b2 * x - a2 * y;
    return y;
  }
};

double ToLufs(double meanSquare) { return -0.691 + 10.0 * std::log10(std::max(meanSquare, 1e-20)); }

}  // namespace

LoudnessFigures MeasureLoudness(const std::vector<float>& interleaved) {
  LoudnessFigures figures;
  const size_t frames = interleaved.size() / 2;
  std::vector<double> weighted(frames, 0.0);  // sum over both channels of the squared K-weighted signal
  float peak = 0;
  for (int channel = 0; channel < 2; ++channel) {
    Biquad shelf{1.53512485958697, -2.69169618940638, 1.19839281085285, -1.69065929318241, 0.73248077421585};
    Biquad highPass{1.0, -2.0, 1.0, -1.99004745483398, 0.99007225036621};
    for (size_t i = 0; i < frames; ++i) {
      const float x = interleaved[2 * i + channel];
      peak = std::max(peak, std::abs(x));
      const double y = highPass.Run(shelf.Run(x));
      weighted[i] += y * y;
    }
  }
  figures.samplePeakDbfs = 20.0 * std::log10(std::max(peak, 1e-6f));
  constexpr size_t kBlock = 19200, kStep = 4800;  // 400 ms and 100 ms at 48 kHz
  std::vector<double> blocks;
  for (size_t start = 0; start + kBlock <= frames; start += kStep) {
    double sum = 0;
    for (size_t i = start; i < start + kBlock; ++i) sum += weighted[i];
    blocks.push_back(sum / kBlock);
  }
  double sum = 0;
  size_t count = 0;
  for (double b : blocks)
    if (ToLufs(b) > -70.0) {
      sum += b;
      ++count;
    }
  if (count == 0) return figures;
  const double relativeGate = ToLufs(sum / count) - 10.0;
  sum = 0;
  count = 0;
  for (double b : blocks)
    if (ToLufs(b) > -70.0 && ToLufs(b) > relativeGate) {
      sum += b;
      ++count;
    }
  figures.integratedLufs = ToLufs(sum / count);
  return figures;
}

// module_wav MODULE.xm OUT.wav: renders one pass of a module as the demo's player does
// (libopenmpt at its defaults, 48 kHz stereo) into a 16-bit WAV, for listening and
// measuring without running the demo. Prints the length and the sample peak.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/capture/wav_writer.h"
#include "tools/module_probe/module_probe.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s MODULE.xm OUT.wav\n", argv[0]);
    return 2;
  }
  constexpr int kRate = WavWriter::kSampleRate;
  std::vector<uint8_t> module;
  if (!ReadModuleFile(argv[1], &module)) {
    std::fprintf(stderr, "cannot read %s\n", argv[1]);
    return 1;
  }
  const std::vector<float> samples = RenderModule(module, kRate);
  if (samples.empty()) {
    std::fprintf(stderr, "%s: the module does not load\n", argv[1]);
    return 1;
  }
  float peak = 0;
  std::vector<int16_t> pcm;
  pcm.reserve(samples.size());
  for (float s : samples) {
    peak = std::max(peak, std::abs(s));
    pcm.push_back(static_cast<int16_t>(std::lround(std::clamp(s, -1.0f, 1.0f) * 32767.0f)));
  }
  WavWriter wav;
  std::string error;
  if (!wav.Open(argv[2], &error) ||
      !wav.Append(pcm.data(), static_cast<int32_t>(pcm.size() / WavWriter::kChannels), &error) || !wav.Close(&error)) {
    std::fprintf(stderr, "cannot write %s\n", argv[2]);
    return 1;
  }
  std::printf("%s: %.2f s, sample peak %.2f dBFS\n", argv[2], samples.size() / 2.0 / kRate,
              20.0 * std::log10(std::max(peak, 1e-9f)));
  return 0;
}

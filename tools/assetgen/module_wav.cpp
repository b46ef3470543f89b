// module_wav MODULE.xm OUT.wav: renders one pass of a module as the demo's player does
// (libopenmpt at its defaults, 48 kHz stereo) into a 16-bit WAV, for listening and
// measuring without running the demo. Prints the length and the sample peak.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "tools/module_probe/module_probe.h"

namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s MODULE.xm OUT.wav\n", argv[0]);
    return 2;
  }
  constexpr int kRate = 48000;
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
  std::vector<uint8_t> wav;
  const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
  wav.insert(wav.end(), {'R', 'I', 'F', 'F'});
  Put32(wav, 36 + dataBytes);
  wav.insert(wav.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  Put32(wav, 16);
  Put16(wav, 1);  // PCM
  Put16(wav, 2);
  Put32(wav, kRate);
  Put32(wav, kRate * 4);
  Put16(wav, 4);
  Put16(wav, 16);
  wav.insert(wav.end(), {'d', 'a', 't', 'a'});
  Put32(wav, dataBytes);
  for (float s : samples) {
    peak = std::max(peak, std::abs(s));
    const long value = std::lround(std::clamp(s, -1.0f, 1.0f) * 32767.0f);
    Put16(wav, static_cast<uint32_t>(static_cast<uint16_t>(static_cast<int16_t>(value))));
  }
  FILE* file = std::fopen(argv[2], "wb");
  if (!file || std::fwrite(wav.data(), 1, wav.size(), file) != wav.size() || std::fclose(file) != 0) {
    std::fprintf(stderr, "cannot write %s\n", argv[2]);
    return 1;
  }
  std::printf("%s: %.2f s, sample peak %.2f dBFS\n", argv[2], samples.size() / 2.0 / kRate,
              20.0 * std::log10(std::max(peak, 1e-9f)));
  return 0;
}

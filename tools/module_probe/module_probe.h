// Module probe: what two independent players (libopenmpt and libxmp) make of a module.
//
// Used by the asset tests and the preview tool to check the generated music without
// pulling either library's headers into their code: with the benchmark peers in bench/peers/
// it is the only code outside platform/ that includes them. Both probes take the file's
// bytes and never end the process; a module a player refuses gives `loaded` false.
// RenderModule is libopenmpt at its default settings, which is what the demo plays.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ModuleFacts {
  bool loaded = false;
  int orders = 0;                         // entries in the order list
  int channels = 0;
  double durationSeconds = 0.0;           // one pass through the song
  std::vector<double> orderStartSeconds;  // when each order is first reached; -1 if never
};

ModuleFacts ProbeModuleOpenMpt(const std::vector<uint8_t>& file);
ModuleFacts ProbeModuleXmp(const std::vector<uint8_t>& file);

// One pass of the song rendered by libopenmpt with its default settings: interleaved
// stereo floats (left, right) at `sampleRate`. Empty if the module does not load.
std::vector<float> RenderModule(const std::vector<uint8_t>& file, int sampleRate);

// When each row starts as libopenmpt plays one pass of the song at `sampleRate`: every
// change of (order, row) in playing order, until the song goes back. The position is read after every
// kRowStartStep frames, so a row starts at `frame` or up to kRowStartStep - 1 frames
// later. Empty if the module does not load.
struct RenderedRowStart {
  int order = 0;
  int row = 0;
  int64_t frame = 0;
};
constexpr int kRowStartStep = 16;
std::vector<RenderedRowStart> RenderRowStarts(const std::vector<uint8_t>& file, int sampleRate);

// Reads a whole file; false if it cannot be read.
bool ReadModuleFile(const std::string& path, std::vector<uint8_t>* bytes);

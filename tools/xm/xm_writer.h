// Writes FastTracker 2 extended modules (.xm, version 0x0104) from a plain description.
//
// The description is the whole song: orders, patterns of note cells, instruments each
// with one 8-bit or 16-bit sample and optional volume and panning envelopes. EncodeXm
// produces the file bytes (deterministic: the same description gives the same bytes);
// WriteXm writes them. Patterns are stored packed. Sample data is stored delta-coded,
// as the format wants. Limits of the format are checked: at most 32 channels, 256
// orders, 256 patterns of 1..256 rows, 128 instruments, 12 envelope points.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace xm {

constexpr uint8_t kNoteOff = 97;  // key off; notes 1..96 are C-0..B-7, C-4 is 49

struct Cell {
  uint8_t note = 0;        // 0 none, 1..96, or kNoteOff
  uint8_t instrument = 0;  // 0 none, 1-based
  uint8_t volume = 0;      // volume column: 0 none, 0x10..0x50 set volume 0..64, ...
  uint8_t effect = 0;      // effect type (0 with parameter 0 is no effect)
  uint8_t parameter = 0;
};

struct Pattern {
  int rows = 64;            // 1..256
  std::vector<Cell> cells;  // rows * channels, row-major (row 0: channels 0..n-1)
};

struct Envelope {
  std::vector<std::pair<uint16_t, uint16_t>> points;  // (tick, value 0..64), at most 12
  bool enabled = false;
  bool sustain = false;
  uint8_t sustainPoint = 0;
  bool loop = false;
  uint8_t loopStart = 0;
  uint8_t loopEnd = 0;
};

struct Sample {
  std::vector<int16_t> data;  // 16-bit PCM; stored as 8-bit when eightBit is set
  bool eightBit = false;      // store data >> 8 as signed 8-bit
  enum class Loop : uint8_t { None = 0, Forward = 1, PingPong = 2 } loop = Loop::None;
  uint32_t loopStart = 0;     // in sample frames
  uint32_t loopLength = 0;    // in sample frames
  uint8_t volume = 64;        // 0..64
  int8_t finetune = 0;        // -128..127 (1/128 semitone)
  uint8_t panning = 128;      // 0..255
  int8_t relativeNote = 0;    // semitones; 0 plays C-4 at 8363 Hz
  std::string name;
};

struct Instrument {
  std::string name;
  Sample sample;
  Envelope volumeEnvelope;
  Envelope panningEnvelope;
  uint16_t fadeout = 0;
  uint8_t vibratoType = 0, vibratoSweep = 0, vibratoDepth = 0, vibratoRate = 0;
};

struct Module {
  std::string name;
  std::string trackerName = "zelto2k composer";
  int channels = 8;           // 1..32
  int restartPosition = 0;    // order the song loops back to
  int speed = 6;              // ticks per row
  int tempo = 125;            // BPM
  bool linearFrequencies = true;
  std::vector<uint8_t> orders;          // pattern index per order, 1..256 entries
  std::vector<Pattern> patterns;
  std::vector<Instrument> instruments;  // at most 128
};

// The file bytes, or an empty vector (with a reason in *error) if the description
// breaks a limit of the format.
std::vector<uint8_t> EncodeXm(const Module& module, std::string* error = nullptr);

// Writes the file; false (with a reason in *error) if encoding or writing fails.
bool WriteXm(const std::string& path, const Module& module, std::string* error = nullptr);

// A small module for tests: `orderCount` orders, each its own pattern of `rowsPerPattern`
// rows at the given speed and tempo, two channels with a short square-wave instrument.
Module MakeTestModule(int orderCount, int rowsPerPattern, int speed, int tempo);

}  // namespace xm

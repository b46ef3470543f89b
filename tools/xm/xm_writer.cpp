// Encoder for FastTracker 2 extended modules.
#include "tools/xm/xm_writer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace xm {
namespace {

class ByteWriter {
 public:
  void U8(uint32_t value) { bytes_.push_back(static_cast<uint8_t>(value)); }
  void U16(uint32_t value) {
    U8(value & 0xFF);
    U8((value >> 8) & 0xFF);
  }
  void U32(uint32_t value) {
    U16(value & 0xFFFF);
    U16(value >> 16);
  }
  // A fixed-size text field, cut or padded with zeros (or blanks) to `size` bytes.
  void Text(const std::string& text, size_t size, char pad = '\0') {
    for (size_t i = 0; i < size; ++i) U8(i < text.size() ? static_cast<uint8_t>(text[i]) : pad);
  }
  void Zeros(size_t count) { bytes_.insert(bytes_.end(), count, 0); }
  void PatchU32(size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes_[offset + i] = static_cast<uint8_t>(value >> (8 * i));
  }
  void PatchU16(size_t offset, uint32_t value) {
    bytes_[offset] = static_cast<uint8_t>(value);
    bytes_[offset + 1] = static_cast<uint8_t>(value >> 8);
  }
  size_t size() const { return bytes_.size(); }
  std::vector<uint8_t>& bytes() { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

bool Fail(std::string* error, const char* reason) {
  if (error) *error = reason;
  return false;
}

bool Validate(const Module& module, std::string* error) {
  if (module.channels < 1 || module.channels > 32) return Fail(error, "channel count must be 1..32");
  if (module.orders.empty() || module.orders.size() > 256) return Fail(error, "order count must be 1..256");
  if (module.patterns.empty() || module.patterns.size() > 256) return Fail(error, "pattern count must be 1..256");
  if (module.instruments.size() > 128) return Fail(error, "at most 128 instruments");
  if (module.restartPosition < 0 || module.restartPosition >= static_cast<int>(module.orders.size()))
    return Fail(error, "restart position outside the order list");
  if (module.speed < 1 || module.speed > 31) return Fail(error, "speed must be 1..31");
  if (module.tempo < 32 || module.tempo > 255) return Fail(error, "tempo must be 32..255");
  for (uint8_t order : module.orders)
    if (order >= module.patterns.size()) return Fail(error, "order names a missing pattern");
  for (const Pattern& pattern : module.patterns) {
    if (pattern.rows < 1 || pattern.rows > 256) return Fail(error, "pattern rows must be 1..256");
    if (pattern.cells.size() != static_cast<size_t>(pattern.rows) * module.channels)
      return Fail(error, "pattern cell count must be rows * channels");
    for (const Cell& cell : pattern.cells) {
      if (cell.note > kNoteOff) return Fail(error, "note out of range");
      if (cell.instrument > module.instruments.size()) return Fail(error, "cell names a missing instrument");
    }
  }
  for (const Instrument& instrument : module.instruments) {
    const Sample& sample = instrument.sample;
    if (instrument.volumeEnvelope.points.size() > 12 || instrument.panningEnvelope.points.size() > 12)
      return Fail(error, "at most 12 envelope points");
    if (sample.volume > 64) return Fail(error, "sample volume must be 0..64");
    if (sample.loop != Sample::Loop::None &&
        (sample.loopLength == 0 || sample.loopStart + static_cast<uint64_t>(sample.loopLength) > sample.data.size()))
      return Fail(error, "sample loop outside the sample");
    if (sample.data.size() > 0x3FFFFFFF) return Fail(error, "sample too long");
  }
  return true;
}

void WritePattern(ByteWriter& out, const Pattern& pattern) {
  out.U32(9);  // pattern header length
  out.U8(0);   // packing type
  out.U16(static_cast<uint32_t>(pattern.rows));
  const size_t sizeOffset = out.size();
  out.U16(0);
  const size_t dataStart = out.size();
  for (const Cell& cell : pattern.cells) {
    // Packed cell: a flag byte with the high bit set, then only the fields present.
    uint8_t flags = 0x80;
    if (cell.note) flags |= 0x01;
    if (cell.instrument) flags |= 0x02;
    if (cell.volume) flags |= 0x04;
    if (cell.effect) flags |= 0x08;
    if (cell.parameter) flags |= 0x10;
    out.U8(flags);
    if (cell.note) out.U8(cell.note);
    if (cell.instrument) out.U8(cell.instrument);
    if (cell.volume) out.U8(cell.volume);
    if (cell.effect) out.U8(cell.effect);
    if (cell.parameter) out.U8(cell.parameter);
  }
  out.PatchU16(sizeOffset, static_cast<uint32_t>(out.size() - dataStart));
}

void WriteEnvelopePoints(ByteWriter& out, const Envelope& envelope) {
  for (size_t i = 0; i < 12; ++i) {
    if (i < envelope.points.size()) {
      out.U16(envelope.points[i].first);
      out.U16(envelope.points[i].second);
    } else {
      out.U32(0);
    }
  }
}

uint8_t EnvelopeType(const Envelope& envelope) {
  if (!envelope.enabled || envelope.points.empty()) return 0;
  return static_cast<uint8_t>(1 | (envelope.sustain ? 2 : 0) | (envelope.loop ? 4 : 0));
}

void WriteInstrument(ByteWriter& out, const Instrument& instrument) {
  const Sample& sample = instrument.sample;
  const bool hasSample = !sample.data.empty();
  const size_t start = out.size();
  out.U32(hasSample ? 263 : 29);  // instrument header size, this field included
  out.Text(instrument.name, 22);
  out.U8(0);  // type
  out.U16(hasSample ? 1 : 0);
  if (!hasSample) return;
  out.U32(40);     // sample header size
  out.Zeros(96);   // every note plays sample 0
  WriteEnvelopePoints(out, instrument.volumeEnvelope);
  WriteEnvelopePoints(out, instrument.panningEnvelope);
  out.U8(static_cast<uint32_t>(instrument.volumeEnvelope.points.size()));
  out.U8(static_cast<uint32_t>(instrument.panningEnvelope.points.size()));
  out.U8(instrument.volumeEnvelope.sustainPoint);
  out.U8(instrument.volumeEnvelope.loopStart);
  out.U8(instrument.volumeEnvelope.loopEnd);
  out.U8(instrument.panningEnvelope.sustainPoint);
  out.U8(instrument.panningEnvelope.loopStart);
  out.U8(instrument.panningEnvelope.loopEnd);
  out.U8(EnvelopeType(instrument.volumeEnvelope));
  out.U8(EnvelopeType(instrument.panningEnvelope));
  out.U8(instrument.vibratoType);
  out.U8(instrument.vibratoSweep);
  out.U8(instrument.vibratoDepth);
  out.U8(instrument.vibratoRate);
  out.U16(instrument.fadeout);
  out.Zeros(22);  // reserved
  (void)start;    // the header is exactly 263 bytes from `start`

  // Sample header: lengths are in bytes.
  const uint32_t bytesPerFrame = sample.eightBit ? 1 : 2;
  out.U32(static_cast<uint32_t>(sample.data.size()) * bytesPerFrame);
  out.U32(sample.loop == Sample::Loop::None ? 0 : sample.loopStart * bytesPerFrame);
  out.U32(sample.loop == Sample::Loop::None ? 0 : sample.loopLength * bytesPerFrame);
  out.U8(sample.volume);
  out.U8(static_cast<uint8_t>(sample.finetune));
  out.U8(static_cast<uint8_t>(static_cast<uint8_t>(sample.loop) | (sample.eightBit ? 0 : 0x10)));
  out.U8(sample.panning);
  out.U8(static_cast<uint8_t>(sample.relativeNote));
  out.U8(0);  // reserved
  out.Text(sample.name, 22);

  // Sample data, delta-coded: each stored value is the difference to the previous one.
  if (sample.eightBit) {
    int8_t previous = 0;
    for (int16_t value : sample.data) {
      const int8_t current = static_cast<int8_t>(value >> 8);
      out.U8(static_cast<uint8_t>(current - previous));
      previous = current;
    }
  } else {
    uint16_t previous = 0;
    for (int16_t value : sample.data) {
      const uint16_t current = static_cast<uint16_t>(value);
      out.U16(static_cast<uint16_t>(current - previous));
      previous = current;
    }
  }
}

}  // namespace

std::vector<uint8_t> EncodeXm(const Module& module, std::string* error) {
  if (!Validate(module, error)) return {};
  ByteWriter out;
  out.Text("Extended Module: ", 17);
  out.Text(module.name, 20);
  out.U8(0x1A);
  out.Text(module.trackerName, 20);
  out.U16(0x0104);
  out.U32(276);  // header size from this field on: 20 bytes of fields + 256 orders
  out.U16(static_cast<uint32_t>(module.orders.size()));
  out.U16(static_cast<uint32_t>(module.restartPosition));
  out.U16(static_cast<uint32_t>(module.channels));
  out.U16(static_cast<uint32_t>(module.patterns.size()));
  out.U16(static_cast<uint32_t>(module.instruments.size()));
  out.U16(module.linearFrequencies ? 1 : 0);
  out.U16(static_cast<uint32_t>(module.speed));
  out.U16(static_cast<uint32_t>(module.tempo));
  for (size_t i = 0; i < 256; ++i) out.U8(i < module.orders.size() ? module.orders[i] : 0);
  for (const Pattern& pattern : module.patterns) WritePattern(out, pattern);
  for (const Instrument& instrument : module.instruments) WriteInstrument(out, instrument);
  return std::move(out.bytes());
}

bool WriteXm(const std::string& path, const Module& module, std::string* error) {
  const std::vector<uint8_t> bytes = EncodeXm(module, error);
  if (bytes.empty()) return false;
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return Fail(error, "cannot create the file");
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed) return Fail(error, "cannot write the file");
  return true;
}

Module MakeTestModule(int orderCount, int rowsPerPattern, int speed, int tempo) {
  Module module;
  module.name = "test module";
  module.channels = 2;
  module.speed = speed;
  module.tempo = tempo;
  Instrument square;
  square.name = "square";
  // One period of a square wave at 8363 Hz / 32 = C-4 / 32; looped, so it sustains.
  for (int i = 0; i < 32; ++i) square.sample.data.push_back(i < 16 ? 6000 : -6000);
  square.sample.loop = Sample::Loop::Forward;
  square.sample.loopStart = 0;
  square.sample.loopLength = 32;
  square.sample.relativeNote = 24;  // two octaves up: an audible pitch
  module.instruments.push_back(square);
  for (int order = 0; order < orderCount; ++order) {
    Pattern pattern;
    pattern.rows = rowsPerPattern;
    pattern.cells.resize(static_cast<size_t>(rowsPerPattern) * module.channels);
    pattern.cells[0].note = static_cast<uint8_t>(37 + order % 24);
    pattern.cells[0].instrument = 1;
    module.patterns.push_back(pattern);
    module.orders.push_back(static_cast<uint8_t>(order % 256));
  }
  return module;
}

}  // namespace xm

// Row timing as a tracker player renders it: whole sample frames per tick.
#include "tools/xm/xm_timing.h"

namespace xm {
namespace {

constexpr uint8_t kEffectPositionJump = 0x0B;
constexpr uint8_t kEffectPatternBreak = 0x0D;
constexpr uint8_t kEffectExtended = 0x0E;  // E6x pattern loop and EEx pattern delay change the row order

bool ChangesRowOrder(const Cell& cell) {
  if (cell.effect == kEffectPositionJump || cell.effect == kEffectPatternBreak) return true;
  const int extended = cell.parameter >> 4;
  return cell.effect == kEffectExtended && (extended == 0x6 || extended == 0xE) && (cell.parameter & 0x0F) != 0;
}

}  // namespace

std::vector<int64_t> RowStartFrames(const Module& module, int32_t sampleRate) {
  if (sampleRate <= 0 || EncodeXm(module).empty()) return {};
  std::vector<int64_t> starts;
  int64_t frame = 0;
  int32_t speed = module.speed, tempo = module.tempo;
  for (const uint8_t index : module.orders) {
    const Pattern& pattern = module.patterns[index];
    for (int row = 0; row < pattern.rows; ++row) {
      // Effects of the row apply from its first tick on.
      const Cell* cells = pattern.cells.data() + static_cast<size_t>(row) * module.channels;
      for (int channel = 0; channel < module.channels; ++channel) {
        const Cell& cell = cells[channel];
        if (ChangesRowOrder(cell)) return {};
        if (cell.effect != kEffectSpeedOrTempo || cell.parameter == 0) continue;
        if (cell.parameter < 0x20) speed = cell.parameter;
        else tempo = cell.parameter;
      }
      starts.push_back(frame);
      frame += speed * TickFrames(sampleRate, tempo);
    }
  }
  starts.push_back(frame);
  return starts;
}

}  // namespace xm

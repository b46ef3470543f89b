// When the rows of a module start as a tracker player renders them at a given output rate.
//
// A player renders each tick as a whole number of sample frames, rate x 2.5 / tempo rounded
// down (libopenmpt does so; checked against its rendering in the asset tests), so a row's
// start drifts from the ideal 2.5 x speed / tempo seconds by a different amount at every
// output rate. RowStartFrames follows the speed and tempo effects (Fxx) of every channel
// and nothing else: a module with a pattern break, a position jump or a pattern delay gets
// no answer rather than a wrong one.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/xm/xm_writer.h"

namespace xm {

constexpr uint8_t kEffectSpeedOrTempo = 0x0F;  // Fxx: below 0x20 the speed, else the tempo

// Sample frames per tick at `sampleRate` and `tempo` (BPM, 32..255).
constexpr int64_t TickFrames(int32_t sampleRate, int32_t tempo) { return int64_t{sampleRate} * 5 / (2 * int64_t{tempo}); }

// The sample frame at which each row starts, one pass through the order list from order 0
// row 0, then the frame at which the pass ends. Empty if the module breaks, jumps or
// delays a pattern, or if it fails EncodeXm's checks.
std::vector<int64_t> RowStartFrames(const Module& module, int32_t sampleRate);

}  // namespace xm

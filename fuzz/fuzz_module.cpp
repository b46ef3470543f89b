// Fuzzes module loading through the music layer: ModulePlayer::Load on the bytes as a
// file, then a looping start and a short render with position tracking, as the backends
// drive it. libopenmpt itself is not instrumented; what is checked is our side of it.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "fuzz/fuzz_file.h"
#include "platform/module_player.h"

namespace {

constexpr int32_t kBlockFrames = 480;
constexpr int32_t kBlocks = 4;  // 40 ms at 48 kHz: a few rows of a fast song

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  platform::ModulePlayer player;
  if (!player.Load(FuzzFileWithContents(data, size))) {
    Check(!player.Loaded());
    return 0;
  }
  Check(player.Start(true));
  std::vector<int16_t> samples(2 * kBlockFrames);
  std::vector<platform::PositionChange> changes;
  for (int32_t block = 0; block < kBlocks; ++block) player.RenderAudio(samples.data(), kBlockFrames, &changes);
  Check(player.RenderedFrames() == int64_t{kBlocks} * kBlockFrames);
  int64_t previous = 0;
  for (const platform::PositionChange& change : changes) {
    Check(change.frame > previous && change.frame <= player.RenderedFrames());
    previous = change.frame;
  }
  return 0;
}

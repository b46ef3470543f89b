// libopenmpt behind the module player: loading, looping, rendering, position tracking.
#include "platform/module_player.h"

#include <libopenmpt/libopenmpt.h>

#include <cstdio>
#include <cstring>

namespace platform {

ModulePlayer::~ModulePlayer() { Unload(); }

bool ModulePlayer::Load(const char* fileName) {
  Unload();
  std::FILE* file = std::fopen(fileName, "rb");
  if (!file) return false;
  std::vector<uint8_t> bytes;
  uint8_t block[65536];
  bool tooLarge = false;
  for (;;) {
    const size_t got = std::fread(block, 1, sizeof block, file);
    if (got == 0) break;
    if (static_cast<int64_t>(bytes.size() + got) > kMaxFileBytes) {
      tooLarge = true;
      break;
    }
    bytes.insert(bytes.end(), block, block + got);
  }
  const bool readError = std::ferror(file) != 0;
  std::fclose(file);
  if (tooLarge || readError || bytes.empty()) return false;
  int error = 0;
  module_ = openmpt_module_create_from_memory2(bytes.data(), bytes.size(), openmpt_log_func_silent,
                                               nullptr, openmpt_error_func_ignore, nullptr,
                                               &error, nullptr, nullptr);
  if (!module_) return false;
  // The 16-bit output is dithered with random noise by default: switch it off so that the
  // same module renders the same bytes every time.
  openmpt_module_ctl_set_integer(module_, "dither", 0);
  return true;
}

int32_t ModulePlayer::SongLength() const {
  return module_ ? openmpt_module_get_num_orders(module_) : 0;
}

void ModulePlayer::Unload() {
  if (module_) openmpt_module_destroy(module_);
  module_ = nullptr;
}

bool ModulePlayer::Start(bool loop) {
  if (!module_) return false;
  openmpt_module_set_repeat_count(module_, loop ? -1 : 0);
  openmpt_module_set_position_order_row(module_, 0, 0);
  renderedFrames_ = 0;
  lastOrder_ = -1;
  lastRow_ = -1;
  return true;
}

void ModulePlayer::RenderAudio(int16_t* samples, int32_t frames, std::vector<PositionChange>* changes) {
  int32_t done = 0;
  while (done < frames) {
    const int32_t step = frames - done < kCheckFrames ? frames - done : kCheckFrames;
    size_t got = 0;
    if (module_)
      got = openmpt_module_read_interleaved_stereo(module_, kAudioRate, static_cast<size_t>(step),
                                                   samples + 2 * done);
    if (got < static_cast<size_t>(step))
      std::memset(samples + 2 * (done + got), 0, sizeof(int16_t) * 2 * (step - got));
    done += step;
    renderedFrames_ += step;
    if (module_) {
      const int32_t order = openmpt_module_get_current_order(module_);
      const int32_t row = openmpt_module_get_current_row(module_);
      if (order != lastOrder_ || row != lastRow_) {
        lastOrder_ = order;
        lastRow_ = row;
        if (changes) changes->push_back({renderedFrames_, order, row});
      }
    }
  }
}

}  // namespace platform

// The module player both backends share: libopenmpt rendering with position tracking.
//
// ModulePlayer owns one libopenmpt module. It renders 48 kHz interleaved stereo int16
// audio and notes every change of (order, row) with the sample frame at which the change
// was rendered, so that a backend can report each position when it is heard (real time)
// or as soon as it is rendered (offline). Not thread-safe: the owner serialises every call.
#pragma once

#include <cstdint>
#include <vector>

struct openmpt_module;

namespace platform {

constexpr int32_t kAudioRate = 48000;
constexpr int32_t kAudioChannels = 2;

// The sample frames that belong to video frames [0, frame) at num / den frames per second:
// floor(frame * 48000 * den / num). Rendering in these spans gives every video frame its
// share with no drift. The product fits easily: a day at 60 fps is 5.2e6 frames, times 4.8e7.
constexpr int64_t AudioFramesBefore(int64_t frame, int32_t fpsNumerator, int32_t fpsDenominator) {
  return frame * kAudioRate * fpsDenominator / fpsNumerator;
}

struct PositionChange {
  int64_t frame = 0;  // sample frame (since playback started) at which it was rendered
  int32_t order = 0;
  int32_t row = 0;
};

class ModulePlayer {
 public:
  ModulePlayer() = default;
  ~ModulePlayer();
  ModulePlayer(const ModulePlayer&) = delete;
  ModulePlayer& operator=(const ModulePlayer&) = delete;

  // Reads the whole file (at most kMaxFileBytes) and creates the module; false if the
  // file is missing, too large, or not a module libopenmpt understands.
  bool Load(const char* fileName);
  void Unload();
  bool Loaded() const { return module_ != nullptr; }
  // The number of positions (orders) of the song; 0 without a module.
  int32_t SongLength() const;

  // Rewinds to order 0, row 0; `loop` repeats the song forever from its restart position.
  bool Start(bool loop);

  // Renders `frames` stereo frames into `samples` (2 * frames int16 values) and appends
  // the position changes to `changes`. The position is checked every kCheckFrames, so a
  // change is dated at most that many frames late. Past the end of a non-looping song the
  // rest is silence.
  void RenderAudio(int16_t* samples, int32_t frames, std::vector<PositionChange>* changes);

  int64_t RenderedFrames() const { return renderedFrames_; }

  static constexpr int64_t kMaxFileBytes = 64 << 20;
  static constexpr int32_t kCheckFrames = 64;

 private:
  openmpt_module* module_ = nullptr;
  int64_t renderedFrames_ = 0;
  int32_t lastOrder_ = -1;
  int32_t lastRow_ = -1;
};

}  // namespace platform

// The capture's progress line on the terminal: frames written, song position, scene,
// elapsed and remaining time. It is drawn on the error output only when that is a
// terminal, at most ten times a second, and rewritten in place.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "tools/capture/song_timeline.h"

class ProgressBar {
 public:
  // The capture writes frames [firstFrame, endFrame) and renders every frame before them.
  ProgressBar(bool enabled, int64_t firstFrame, int64_t endFrame);

  // `frame` is done (rendered, and written if in range).
  void Update(int64_t frame, SongPosition position, const char* scene);
  // Leaves the last state on its line and moves to the next one.
  void Finish();

  // The line for `frame` after `elapsedSeconds`, for tests: no terminal codes.
  std::string Line(int64_t frame, SongPosition position, const char* scene, double elapsedSeconds) const;

 private:
  bool enabled_;
  bool drawn_ = false;
  int64_t firstFrame_, endFrame_;
  std::chrono::steady_clock::time_point start_, lastDraw_;
};

// "1:05" or "1:02:05".
std::string FormatDuration(double seconds);

// FramePacer: the times at which the real-time backend presents frames, on a fixed grid.
//
// The demo advances its motion once per presented frame, so frames must be presented at
// the pace of the 60 Hz display mode it was made for, whatever the display runs at. The
// grid is anchored at the first frame and frame n is due at anchor + n / 60 s, computed
// from n each time, so rounding never accumulates into drift. Frames that come late
// leave the grid in place and catch up, never closer than half a period apart, so the
// average holds without a burst of frames; more than six periods behind (a stall, a
// scene too slow for 60 Hz) the grid is anchored again at that frame, and the backlog
// is dropped rather than made up.
// Times are counts of a monotonic counter of `ticksPerSecond` (SDL's performance counter).
#pragma once

#include <cstdint>

namespace platform {

class FramePacer {
 public:
  explicit FramePacer(uint64_t ticksPerSecond, uint64_t framesPerSecond = 60)
      : ticksPerSecond_(ticksPerSecond), framesPerSecond_(framesPerSecond) {}

  // Called before presenting a frame, with the counter now: the count to wait for before
  // presenting (now or earlier: present at once).
  uint64_t Due(uint64_t now) {
    const uint64_t period = ticksPerSecond_ / framesPerSecond_;
    if (framesOnGrid_ > 0) {
      uint64_t due = anchor_ + framesOnGrid_ * ticksPerSecond_ / framesPerSecond_;
      if (now <= due + kMostFramesBehind * period) {
        ++framesOnGrid_;
        // Behind the grid: catch up at no more than twice the pace.
        if (due < last_ + period / 2) due = last_ + period / 2;
        last_ = due > now ? due : now;
        return due;
      }
    }
    anchor_ = last_ = now;
    framesOnGrid_ = 1;
    return now;
  }

 private:
  uint64_t ticksPerSecond_, framesPerSecond_;
  // Further behind than this, the grid starts again rather than make up the backlog.
  static constexpr uint64_t kMostFramesBehind = 6;
  uint64_t anchor_ = 0;
  uint64_t last_ = 0;  // when the previous frame was presented (its due time, or later)
  uint64_t framesOnGrid_ = 0;  // frames due since the anchor, the anchor's own included
};

}  // namespace platform

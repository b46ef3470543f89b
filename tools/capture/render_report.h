// What --report prints: per scene the median and worst time to render a frame, and totals.
//
// A frame's render time is the processor time the demo's thread spends between two frames
// outside the capture's own work: drawing the picture, presenting it, and the music of the frame
// before. The first frame of a scene also carries the loading of that scene's assets,
// which is why the worst time of a scene can stand far above its median.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/capture/song_timeline.h"

struct CaptureTotals {
  int64_t framesRendered = 0;
  int64_t framesWritten = 0;
  int32_t fpsNumerator = 60;
  int32_t fpsDenominator = 1;
  double renderSeconds = 0.0;  // the sum of the frames' render times
  double wallSeconds = 0.0;    // from the start of the demo to the finished output
};

class RenderReport {
 public:
  void Add(int scene, double seconds);
  // The table and the totals, one line each. Speeds are multiples of real time: how many
  // seconds of demo are rendered (or rendered and written) per second.
  std::string Format(const CaptureTotals& totals) const;

 private:
  std::vector<double> times_[kTimelineSceneCount];
};

// The middle value (the mean of the two middle ones for an even count); 0 if empty.
double Median(std::vector<double> values);

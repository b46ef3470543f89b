// What the sync probe makes of a run: when the picture changed, when the sound played the
// rows it changed on, and the offsets between the two.
//
// Both sides are on the monotonic clock of the machine: the picture from the demo's
// present log (ZELTO_PRESENT_LOG, one line per present: nanoseconds, the mean red, green
// and blue, the last order reported to the demo and when), the sound from a recording of the sink with the time each sample was
// played (sound_recorder.h). The recording is lined up with the module as libopenmpt
// renders it by correlation, followed through the song, so a gap or an underrun in the
// stream moves nothing but what comes after it. Pure functions: no process, no device.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct Present {
  double seconds = 0;  // monotonic clock, right after the present
  double red = 0, green = 0, blue = 0;  // the picture's mean, 0..255
  int32_t order = -1;  // the last order reported to the demo before the present
  double reportedAt = 0;  // when that order was reported, monotonic seconds
};

// Reads a present log; false (with the line number in *error) at a line it cannot read.
bool ParsePresentLog(const std::string& text, std::vector<Present>* presents, std::string* error);

// A sample of the recording and the monotonic time at which the sink played it.
struct ClockPoint {
  int64_t frame = 0;
  double seconds = 0;
};

// When sample `frame` of a recording at `rate` was played: the median over the clock points
// within two seconds of it of (seconds - frame / rate) plus frame / rate, so one late
// timing report does not bend it. NaN without a clock point that near.
double PlayedAt(const std::vector<ClockPoint>& clock, int32_t rate, int64_t frame);

// Interleaved stereo int16 as mono floats in -1..1.
std::vector<float> MonoOf(const std::vector<int16_t>& stereo);
// Interleaved stereo floats as mono.
std::vector<float> MonoOf(const std::vector<float>& stereo);

// The first sample louder than `threshold`, or -1.
int64_t FirstSound(const std::vector<float>& samples, float threshold);

// Where frame `at` of `reference` lies in `recording`: the recording frame whose
// surroundings (0.2 s before, 0.3 s after) correlate best with the reference's, searched
// within `radius` frames of `guess`. -1 if the window leaves either signal or the best
// normalised correlation is below 0.5 (the recording does not hold that music there).
int64_t Locate(const std::vector<float>& reference, int64_t at, const std::vector<float>& recording, int64_t guess,
               int64_t radius, int32_t rate);

// Where the reference lies in the recording all through the song: the lag (recording frame
// less reference frame) at every half second of the reference, each searched near the
// one before (within half a second, or two for a longer stall), so that the stalls of a
// loaded machine (the lag grows) are followed step by step. A step whose music cannot be
// found keeps the lag before it.
std::vector<int64_t> FollowMusic(const std::vector<float>& reference, const std::vector<float>& recording,
                                 int64_t firstLag, int32_t rate);

// The time of the first frame drawn for the part that begins at `order`: of the first
// present logged at or past the order and the one after it (the order may have come while
// the last frame before the change was drawn, or just after it was shown), the one whose
// colour moved most from the present before it. NaN if no present got that far.
double FirstFrameAt(const std::vector<Present>& presents, int32_t order);

// When `order` was reported to the demo, as the first present after it logged; NaN if no
// present logged it.
double ReportedAt(const std::vector<Present>& presents, int32_t order);

// The runs of presents in [from, to] whose mean level ((red + green + blue) / 3) is above
// `level`: the times of each run's first and last present.
std::vector<std::pair<double, double>> BrightRuns(const std::vector<Present>& presents, double from, double to,
                                                  double level);

struct OffsetSummary {
  double medianAbsolute = 0;  // seconds
  double worstAbsolute = 0;
  double median = 0;  // signed: negative while the picture comes first
};
// Of a non-empty set of offsets.
OffsetSummary Summarise(const std::vector<double>& offsets);

// Records what a PulseAudio sink plays, through its monitor, with the time each sample was
// played by the monotonic clock.
//
// The recorder asks the server for the stream's latency whenever a block arrives; for a
// monitor the server counts it from the moment the sink plays a sample (it is negative
// while the sink has handed the monitor data it has not played yet). So a block's first
// sample was played at the arrival time less that latency, a figure that owes nothing to
// the recorder's own buffering. Samples are 48 kHz stereo int16; a gap the server reports
// in the stream is kept as silence, so sample indices stay on the sink's timeline.
// Start and Stop on one thread; the server's thread only appends until Stop.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/sync_probe/sync_analysis.h"

struct pa_threaded_mainloop;
struct pa_context;
struct pa_stream;

class SoundRecorder {
 public:
  SoundRecorder() = default;
  ~SoundRecorder();  // stops a recording still running
  SoundRecorder(const SoundRecorder&) = delete;
  SoundRecorder& operator=(const SoundRecorder&) = delete;

  // Connects to `server` (a PulseAudio server string, "unix:/path") and records `source`.
  bool Start(const std::string& server, const std::string& source, std::string* error);
  void Stop();

  // Valid after Stop: interleaved stereo samples, and (sample index, played at) pairs.
  const std::vector<int16_t>& samples() const { return samples_; }
  const std::vector<ClockPoint>& clock() const { return clock_; }

  static constexpr int32_t kRate = 48000;

 private:
  static void OnContextState(pa_context* context, void* self);
  static void OnStreamState(pa_stream* stream, void* self);
  static void OnRead(pa_stream* stream, size_t bytes, void* self);

  pa_threaded_mainloop* loop_ = nullptr;
  pa_context* context_ = nullptr;
  pa_stream* stream_ = nullptr;
  std::vector<int16_t> samples_;
  std::vector<ClockPoint> clock_;
};

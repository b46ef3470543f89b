// The monitor recording with PulseAudio's own timing, on libpulse's threaded main loop.
#include "tools/sync_probe/sound_recorder.h"

#include <pulse/pulseaudio.h>

#include <chrono>

namespace {

double MonotonicSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace

SoundRecorder::~SoundRecorder() { Stop(); }

void SoundRecorder::OnContextState(pa_context*, void* self) {
  pa_threaded_mainloop_signal(static_cast<SoundRecorder*>(self)->loop_, 0);
}

void SoundRecorder::OnStreamState(pa_stream*, void* self) {
  pa_threaded_mainloop_signal(static_cast<SoundRecorder*>(self)->loop_, 0);
}

void SoundRecorder::OnRead(pa_stream* stream, size_t, void* self) {
  SoundRecorder& recorder = *static_cast<SoundRecorder*>(self);
  const void* data = nullptr;
  size_t bytes = 0;
  while (pa_stream_readable_size(stream) > 0 && pa_stream_peek(stream, &data, &bytes) == 0 && bytes > 0) {
    const int64_t first = static_cast<int64_t>(recorder.samples_.size() / 2);
    pa_usec_t latency = 0;
    int negative = 0;
    if (data && pa_stream_get_latency(stream, &latency, &negative) == 0) {
      const double seconds = static_cast<double>(latency) * 1e-6;
      recorder.clock_.push_back({first, MonotonicSeconds() - (negative ? -seconds : seconds)});
    }
    const size_t values = bytes / sizeof(int16_t);
    if (data)
      recorder.samples_.insert(recorder.samples_.end(), static_cast<const int16_t*>(data),
                               static_cast<const int16_t*>(data) + values);
    else
      recorder.samples_.insert(recorder.samples_.end(), values, 0);  // a gap in the stream
    pa_stream_drop(stream);
  }
}

bool SoundRecorder::Start(const std::string& server, const std::string& source, std::string* error) {
  Stop();
  samples_.clear();
  clock_.clear();
  loop_ = pa_threaded_mainloop_new();
  if (!loop_) return *error = "cannot make a PulseAudio main loop", false;
  context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), "zelto2k sync probe");
  pa_context_set_state_callback(context_, OnContextState, this);
  if (pa_context_connect(context_, server.c_str(), PA_CONTEXT_NOFLAGS, nullptr) < 0 || pa_threaded_mainloop_start(loop_) < 0) {
    *error = "cannot reach the sound server " + server;
    Stop();
    return false;
  }
  pa_threaded_mainloop_lock(loop_);
  pa_context_state_t state;
  while ((state = pa_context_get_state(context_)) != PA_CONTEXT_READY && PA_CONTEXT_IS_GOOD(state))
    pa_threaded_mainloop_wait(loop_);
  bool ready = state == PA_CONTEXT_READY;
  if (ready) {
    const pa_sample_spec format = {PA_SAMPLE_S16LE, kRate, 2};
    stream_ = pa_stream_new(context_, "monitor", &format, nullptr);
    pa_stream_set_state_callback(stream_, OnStreamState, this);
    pa_stream_set_read_callback(stream_, OnRead, this);
    pa_buffer_attr attributes;
    attributes.maxlength = static_cast<uint32_t>(-1);
    attributes.tlength = attributes.prebuf = attributes.minreq = static_cast<uint32_t>(-1);
    attributes.fragsize = kRate / 200 * 4;  // 5 ms blocks: frequent timing
    const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE |
                                                      PA_STREAM_ADJUST_LATENCY);
    ready = pa_stream_connect_record(stream_, source.c_str(), &attributes, flags) == 0;
    pa_stream_state_t streamState;
    while (ready && (streamState = pa_stream_get_state(stream_)) != PA_STREAM_READY && PA_STREAM_IS_GOOD(streamState))
      pa_threaded_mainloop_wait(loop_);
    ready = ready && pa_stream_get_state(stream_) == PA_STREAM_READY;
  }
  pa_threaded_mainloop_unlock(loop_);
  if (!ready) {
    *error = "cannot record " + source + " on " + server + ": " + pa_strerror(pa_context_errno(context_));
    Stop();
  }
  return ready;
}

void SoundRecorder::Stop() {
  if (!loop_) return;
  pa_threaded_mainloop_lock(loop_);
  if (stream_) {
    pa_stream_set_read_callback(stream_, nullptr, nullptr);
    pa_stream_disconnect(stream_);
    pa_stream_unref(stream_);
    stream_ = nullptr;
  }
  if (context_) {
    pa_context_set_state_callback(context_, nullptr, nullptr);
    pa_context_disconnect(context_);
    pa_context_unref(context_);
    context_ = nullptr;
  }
  pa_threaded_mainloop_unlock(loop_);
  pa_threaded_mainloop_stop(loop_);
  pa_threaded_mainloop_free(loop_);
  loop_ = nullptr;
}

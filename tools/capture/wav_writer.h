// A streaming WAV writer for the demo's audio: 48 kHz, stereo, signed 16-bit PCM.
//
// The sizes in the header are rewritten every second of audio and at Close, so a file
// whose writer was stopped abruptly still plays up to the last rewrite. A WAV cannot
// hold more than 4 GB of samples (about six hours); Append refuses to go past that.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

class WavWriter {
 public:
  WavWriter() = default;
  ~WavWriter();  // closes the file (with its final sizes) if Close was not called
  WavWriter(const WavWriter&) = delete;
  WavWriter& operator=(const WavWriter&) = delete;

  // Creates (or replaces) `path` with an empty audio stream.
  bool Open(const std::string& path, std::string* error);
  // Appends `frames` stereo frames: 2 * frames interleaved int16 values, left first.
  bool Append(const int16_t* samples, int32_t frames, std::string* error);
  // Writes the final sizes and closes the file.
  bool Close(std::string* error);

  int64_t frames() const { return frames_; }
  const std::string& path() const { return path_; }

  static constexpr int32_t kSampleRate = 48000;
  static constexpr int32_t kChannels = 2;
  static constexpr int32_t kHeaderBytes = 44;

 private:
  bool WriteSizes();

  std::FILE* file_ = nullptr;
  std::string path_;
  int64_t frames_ = 0;
  int64_t framesAtLastSizes_ = 0;
};

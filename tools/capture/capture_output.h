// Where the captured frames and their audio go: a folder of PNG frames and a WAV, or an
// .mp4 / .mkv file made by ffmpeg.
//
// The ffmpeg outputs work in two steps. While the demo runs, raw frames go through a pipe
// to an ffmpeg that encodes the picture alone, and the audio goes to a WAV file; both sit
// in a parts folder beside the output ("NAME.mp4.parts/"). Finish then lets a second,
// short ffmpeg put the two together (the picture copied, the audio encoded), and renames
// the result to NAME. One pipe never waits on another this way, and a capture stopped
// early still ends as a whole file: the picture encoder is only ever stopped by the end
// of its input.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "tools/capture/capture_options.h"

class CaptureOutput {
 public:
  virtual ~CaptureOutput() = default;
  // pixels: width x height 0x00RRGGBB, stride width, top row first (the size given at
  // opening). False with a reason when the frame cannot be written.
  virtual bool WriteFrame(const uint32_t* pixels, std::string* error) = 0;
  // 2 * frames interleaved int16 values, 48 kHz stereo.
  virtual bool WriteAudio(const int16_t* samples, int32_t frames, std::string* error) = 0;
  // Makes the output whole and playable; returns an exit code (kCaptureExitOk or the
  // reason it failed, with *error set).
  virtual int Finish(std::string* error) = 0;
  // Gives up: stops any child program and removes what cannot be completed. Safe to call
  // more than once, and at exit.
  virtual void Abandon() = 0;
  virtual int64_t framesWritten() const = 0;
};

struct OutputSettings {
  std::string out;
  OutputKind kind = OutputKind::Folder;
  int32_t width = 512;   // of each frame given to WriteFrame
  int32_t height = 256;
  int32_t fpsNumerator = 60;
  int32_t fpsDenominator = 1;
  int32_t crf = 18;
  std::string preset = "medium";
  std::string ffmpeg;  // the ffmpeg program, for .mp4 and .mkv
};

// Opens the output (creating the folder or the parts folder, the WAV, and the encoder).
// On failure returns null with an exit code and a reason.
std::unique_ptr<CaptureOutput> OpenCaptureOutput(const OutputSettings& settings, int* exitCode,
                                                 std::string* error);

// The names in a folder output.
std::string FolderFrameName(int64_t frame);  // "frame_000000.png"
constexpr const char* kFolderAudioName = "audio.wav";

// Nearest-neighbour integer upscale: a 512 x 256-style picture of 0x00RRGGBB pixels
// (stride `width`) becomes (width * scale) x (height * scale) pixels in `destination`
// (stride width * scale). Every source pixel becomes a scale x scale block; nothing is
// blended, so a later 2 x 2 chroma subsampling sees whole blocks when scale is even.
void ScaleNearest(const uint32_t* source, int32_t width, int32_t height, int32_t scale,
                  uint32_t* destination);

// Test support for the capture program: demo folders with a test module, running the
// program, and reading back what it writes (pictures through ffmpeg, the WAV by hand).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tests/test_io.h"

// Makes `folder`/data/ hold the generated assets (symlinked from the build's data folder)
// and a test module of `orders` orders of `rows` rows in place of the music.
void MakeDemoFolder(const std::string& folder, int orders, int rows, int speed, int tempo);

struct ProgramResult {
  int exitCode = -1;  // -1: ended by a signal
  std::string errorOutput;
};

// Runs the capture program in `folder` with `arguments`; `path` replaces PATH when not null.
// With `interruptWhen`, sends Ctrl-C's signal once it holds (or after a minute).
ProgramResult RunCapture(const std::string& folder, const std::vector<std::string>& arguments,
                         const char* path = nullptr, const std::function<bool()>& interruptWhen = nullptr);

// The pictures of a PNG, a frame_%06d.png sequence or a video, decoded by ffmpeg with chunk
// CRCs checked, as 0x00RRGGBB words (bgr0 bytes); empty if ffmpeg refuses the file.
std::string DecodePictures(const std::string& input);

// A 48 kHz stereo 16-bit WAV: its interleaved samples; false if the header is not that or
// its sizes disagree with the file.
bool ReadCaptureWav(const std::string& file, std::vector<int16_t>* samples);

// The files of `folder` named frame_*.png, counted.
int CountFrames(const std::string& folder);

// Test support for the capture program: demo folders with a test module, running the
// program, and reading back the PNG frames and WAV audio it writes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Makes `folder`/data/ hold the generated assets (symlinked from the build's data folder)
// and a test module of `orders` orders of `rows` rows in place of the music.
void MakeDemoFolder(const std::string& folder, int orders, int rows, int speed, int tempo);

struct ProgramResult {
  int exitCode = -1;       // -1: ended by a signal
  std::string errorOutput;
};

// Runs the capture program in `folder` with `arguments`; `path` replaces PATH when not null.
ProgramResult RunCapture(const std::string& folder, const std::vector<std::string>& arguments,
                         const char* path = nullptr);

// An 8-bit RGB PNG as the capture writes it (stored deflate blocks, filter 0), checked
// down to every CRC, block length and the Adler-32; pixels come back as 0x00RRGGBB.
bool ReadCapturePng(const std::string& file, int32_t* width, int32_t* height,
                    std::vector<uint32_t>* pixels, std::string* error);

// A 48 kHz stereo 16-bit WAV: its interleaved samples; false if the header is not that or
// its sizes disagree with the file.
bool ReadCaptureWav(const std::string& file, std::vector<int16_t>* samples, std::string* error);

std::vector<uint8_t> ReadBytes(const std::string& file);
// The files of `folder` named frame_*.png, counted.
int CountFrames(const std::string& folder);

// Test support for the capture program: demo folders with a test module, running the
// program, and reading back what it writes (pictures through ffmpeg, the WAV by hand).
#pragma once

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tests/test_io.h"
#include "tools/capture/child_program.h"
#include "tools/xm/xm_writer.h"

// Makes `folder`/data/ hold the generated assets (symlinked from the build's data folder)
// and a test module of `orders` orders of `rows` rows in place of the music.
inline void MakeDemoFolder(const std::string& folder, int orders, int rows, int speed, int tempo) {
  const std::filesystem::path data = std::filesystem::path(folder) / "data";
  std::filesystem::create_directories(data);
  for (const std::filesystem::directory_entry& entry : std::filesystem::directory_iterator(ZELTO_DATA_DIR))
    if (entry.path().filename() != "mowt.xm") std::filesystem::create_symlink(entry.path(), data / entry.path().filename());
  if (!xm::WriteXm((data / "mowt.xm").string(), xm::MakeTestModule(orders, rows, speed, tempo))) std::abort();
}

struct ProgramResult {
  int exitCode = -1;  // -1: ended by a signal
  std::string errorOutput;
};

// Runs the capture program in `folder` with `arguments`; `path` replaces PATH when not null.
// With `interruptWhen`, sends Ctrl-C's signal once it holds (or after a minute).
inline ProgramResult RunCapture(const std::string& folder, const std::vector<std::string>& arguments,
                                const char* path = nullptr, const std::function<bool()>& interruptWhen = nullptr) {
  std::vector<std::string> command = {"env", "-C", folder};  // env execs the program in its own process
  if (path) command.push_back(std::string("PATH=") + path);
  command.push_back(ZELTO_CAPTURE_PROGRAM);
  command.insert(command.end(), arguments.begin(), arguments.end());
  ProgramResult result;
  ChildProgram program;
  std::string error;
  const bool started = program.Start(command, false, folder + "/capture.log", &error);
  for (int wait = 0; started && interruptWhen && wait < 1200 && !interruptWhen(); ++wait) usleep(50000);
  if (started && interruptWhen) kill(program.pid(), SIGINT);
  if (started) result.exitCode = program.Wait();
  result.errorOutput = ReadText(folder + "/capture.log");
  return result;
}

// The pictures of a PNG, a frame_%06d.png sequence or a video, decoded by ffmpeg with chunk
// CRCs checked, as 0x00RRGGBB words (bgr0 bytes); empty if ffmpeg refuses the file.
inline std::string DecodePictures(const std::string& input) {
  std::string pixels = CommandOutput("ffmpeg -v error -xerror -err_detect crccheck+explode -i '" + input +
                                     "' -f rawvideo -pix_fmt bgr0 - 2>/dev/null");
  for (size_t at = 3; at < pixels.size(); at += 4) pixels[at] = 0;  // ffmpeg fills the spare byte
  return pixels;
}

// A 48 kHz stereo 16-bit WAV: its interleaved samples; none if the header is not the
// canonical 44 bytes of that or its sizes disagree with the file.
inline std::vector<int16_t> ReadCaptureWav(const std::string& file) {
  const std::string bytes = ReadText(file);
  const uint8_t kFormat[20] = {16, 0, 0, 0, 1, 0, 2, 0, 0x80, 0xBB, 0, 0, 0, 0xEE, 2, 0, 4, 0, 16, 0};
  auto size = [&](size_t at) { uint32_t v; std::memcpy(&v, &bytes[at], 4); return v; };
  if (bytes.size() < 44 || std::memcmp(bytes.data(), "RIFF", 4) || std::memcmp(&bytes[8], "WAVEfmt ", 8) ||
      std::memcmp(&bytes[16], kFormat, 20) || std::memcmp(&bytes[36], "data", 4) ||
      size(4) != bytes.size() - 8 || size(40) != bytes.size() - 44)
    return {};
  std::vector<int16_t> samples((bytes.size() - 44) / 2);
  std::memcpy(samples.data(), &bytes[44], samples.size() * 2);
  return samples;
}

// The files of `folder` named frame_*.png, counted.
inline int CountFrames(const std::string& folder) {
  return static_cast<int>(std::count_if(std::filesystem::directory_iterator(folder), {}, [](const auto& entry) {
    return entry.path().filename().string().starts_with("frame_") && entry.path().extension() == ".png";
  }));
}

// Test support for the capture program.
#include "tests/capture/capture_test_support.h"

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "tools/capture/child_program.h"
#include "tools/xm/xm_writer.h"

namespace fs = std::filesystem;

void MakeDemoFolder(const std::string& folder, int orders, int rows, int speed, int tempo) {
  fs::create_directories(fs::path(folder) / "data");
  for (const fs::directory_entry& entry : fs::directory_iterator(ZELTO_DATA_DIR))
    if (entry.path().filename() != "mowt.xm") fs::create_symlink(entry.path(), fs::path(folder) / "data" / entry.path().filename());
  if (!xm::WriteXm((fs::path(folder) / "data" / "mowt.xm").string(), xm::MakeTestModule(orders, rows, speed, tempo)))
    std::abort();
}

ProgramResult RunCapture(const std::string& folder, const std::vector<std::string>& arguments, const char* path,
                         const std::function<bool()>& interruptWhen) {
  std::vector<std::string> command = {ZELTO_CAPTURE_PROGRAM};
  command.insert(command.end(), arguments.begin(), arguments.end());
  const fs::path previous = fs::current_path();
  const std::string previousPath = std::getenv("PATH") ? std::getenv("PATH") : "";
  fs::current_path(folder);
  if (path) setenv("PATH", path, 1);
  ProgramResult result;
  ChildProgram program;
  std::string error;
  const bool started = program.Start(command, false, "capture.log", &error);
  for (int wait = 0; started && interruptWhen && wait < 1200 && !interruptWhen(); ++wait) usleep(50000);
  if (started && interruptWhen) kill(program.pid(), SIGINT);
  if (started) result.exitCode = program.Wait();
  if (path) setenv("PATH", previousPath.c_str(), 1);
  result.errorOutput = ReadText("capture.log");
  fs::current_path(previous);
  return result;
}

std::string DecodePictures(const std::string& input) {
  std::string pixels = CommandOutput("ffmpeg -v error -xerror -err_detect crccheck+explode -i '" + input +
                             "' -f rawvideo -pix_fmt bgr0 - 2>/dev/null");
  for (size_t at = 3; at < pixels.size(); at += 4) pixels[at] = 0;  // ffmpeg fills the spare byte
  return pixels;
}

int CountFrames(const std::string& folder) {
  int count = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder))
    count += entry.path().filename().string().rfind("frame_", 0) == 0 && entry.path().extension() == ".png";
  return count;
}

bool ReadCaptureWav(const std::string& file, std::vector<int16_t>* samples) {
  const std::string bytes = ReadText(file);
  // The canonical 44-byte header of 48 kHz stereo 16-bit PCM, whose sizes match the file.
  const uint8_t kFormat[20] = {16, 0, 0, 0, 1, 0, 2, 0, 0x80, 0xBB, 0, 0, 0, 0xEE, 2, 0, 4, 0, 16, 0};
  auto size = [&](size_t at) { uint32_t v; std::memcpy(&v, &bytes[at], 4); return v; };
  if (bytes.size() < 44 || std::memcmp(bytes.data(), "RIFF", 4) || std::memcmp(&bytes[8], "WAVEfmt ", 8) ||
      std::memcmp(&bytes[16], kFormat, 20) || std::memcmp(&bytes[36], "data", 4) ||
      size(4) != bytes.size() - 8 || size(40) != bytes.size() - 44)
    return false;
  samples->resize((bytes.size() - 44) / 2);
  std::memcpy(samples->data(), &bytes[44], samples->size() * 2);
  return true;
}

// A private X server (Xvfb) with a window manager (openbox) for the real-window tests, the
// demo as a child process, and the X tools driven through `timeout`.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// Xvfb on a display number it picks itself, with openbox running on it. DISPLAY is
// set for this process (and so for every tool and child it starts).
class XSession {
 public:
  XSession() = default;
  ~XSession();
  bool Start(int width, int height);
  void Stop();
  int display() const { return display_; }

 private:
  pid_t server_ = 0;
  pid_t windowManager_ = 0;
  int display_ = -1;
};

// Runs a shell command (the caller puts `timeout` in front); returns its stdout.
std::string RunCommand(const std::string& command, int* status = nullptr);

// A program run in `workDirectory` with some environment changes (an empty value removes
// the variable); its stdout is read line by line, its stderr goes to a file there.
class DemoProcess {
 public:
  DemoProcess() = default;
  ~DemoProcess();
  bool Start(const std::string& program, const std::string& workDirectory,
             const std::vector<std::pair<std::string, std::string>>& environment);
  // Waits up to `seconds` for the line on stdout.
  bool WaitForLine(const std::string& line, double seconds);
  // Waits up to `seconds` for the end; true and the exit status (8 bits) if it ended.
  bool WaitForExit(double seconds, int* exitCode);
  bool Running();
  std::string ErrorOutput() const;
  pid_t pid() const { return pid_; }

 private:
  pid_t pid_ = 0;
  int output_ = -1;
  std::string buffered_;
  std::string errorFile_;
};

// A screenshot of the whole screen: width x height RGB triples.
struct Screenshot {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;
  uint32_t Pixel(int x, int y) const;  // 0x00RRGGBB
};
bool TakeScreenshot(Screenshot* shot);

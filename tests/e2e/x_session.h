// A private X server (Xvfb) with a window manager (openbox) for the real-window tests, the
// demo as a child process, and the X tools driven through `timeout`.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "tests/test_io.h"

// Xvfb on a display number it picks itself, with openbox running on it. DISPLAY is
// set for this process (and so for every tool and child it starts).
class XSession {
 public:
  ~XSession() { Stop(); }
  bool Start(int width, int height);
  void Stop();

 private:
  pid_t server_ = 0;
  pid_t windowManager_ = 0;
};

// Checks `done` every `stepMilliseconds` for up to `seconds`; true once it holds.
bool WaitUntil(double seconds, const std::function<bool()>& done, int stepMilliseconds = 20);

// Environment changes, name and value; an empty value removes the variable.
using Environment = std::vector<std::pair<std::string, std::string>>;

// A program run in `workDirectory` with some environment changes; its stdout and stderr
// go to stdout.txt and stderr.txt there.
class DemoProcess {
 public:
  ~DemoProcess();
  bool Start(const std::string& program, const std::string& workDirectory, const Environment& environment,
             const std::vector<std::string>& arguments = {});
  // Waits up to `seconds` for the line on stdout.
  bool WaitForLine(const std::string& line, double seconds);
  // Waits up to `seconds` for the end; true and the exit status (8 bits) if it ended.
  bool WaitForExit(double seconds, int* exitCode);
  bool Running();
  std::string ErrorOutput() const;

 private:
  pid_t pid_ = 0;
  std::string workDirectory_;
};

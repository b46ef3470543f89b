// Another program run beside the capture (ffmpeg), fed through a pipe.
//
// The child gets its own process group: a Ctrl-C at the terminal reaches only the capture,
// which then ends the child's input cleanly so that the child can finish its file. Its
// standard output is discarded and its error output goes to a log file, which the capture
// shows when the child fails. Writing to a child that has stopped reading fails with
// EPIPE, never with a SIGPIPE, once the capture ignores that signal.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <vector>

class ChildProgram {
 public:
  ChildProgram() = default;
  ~ChildProgram();  // a child still running is killed
  ChildProgram(const ChildProgram&) = delete;
  ChildProgram& operator=(const ChildProgram&) = delete;

  // Starts `arguments` (arguments[0] is looked up on PATH). With `feedInput` the child's
  // standard input is a pipe that Write fills; otherwise it is /dev/null.
  bool Start(const std::vector<std::string>& arguments, bool feedInput, const std::string& logPath,
             std::string* error);
  // Writes every byte to the child's input; false if the child stopped reading.
  bool Write(const void* data, size_t bytes);
  // Closes the input and waits for the child: its exit code, or -1 if a signal ended it.
  int Wait();
  // Ends the child at once (SIGKILL) and waits for it.
  void Kill();
  bool running() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  int input_ = -1;
};

// The full path of `program` found on PATH, or "" if it is not there.
std::string FindOnPath(const char* program);

// Test harness for the demo frame: throw-away working directories, test modules, and
// running a piece of the program in a child process to see how the process ends.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "scenes/scene_table.h"
#include "tests/test_io.h"

// A fresh directory that becomes the working directory for the object's lifetime.
class WorkDirectory {
 public:
  WorkDirectory();
  ~WorkDirectory();
  WorkDirectory(const WorkDirectory&) = delete;
  WorkDirectory& operator=(const WorkDirectory&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::string previous_;
};

// Writes data/mowt.xm in the working directory: `orders` orders of `rows` rows.
void WriteTestModule(int orders = kSongPositionsNeeded, int rows = 2, int speed = 3, int tempo = 125,
                     int restartPosition = 0);

struct ChildResult {
  bool exited = false;   // false: killed by a signal
  int exitCode = -1;     // as a POSIX parent sees it (8 bits)
  std::string errorOutput;  // everything the child wrote to stderr
};

// Runs `body` in a forked child with stderr captured (through a file in the working
// directory); the child ends with body's result unless the body ends the process itself. The offline backend runs no threads, so the
// child is safe to fork.
ChildResult RunInChild(const std::function<int()>& body);

// Runs a program in a child process with a time limit and tells how it ended.
#pragma once

#include <string>
#include <vector>

struct ChildOutcome {
  bool exited = false;     // ended through exit (false: a signal, or killed at the limit)
  bool timedOut = false;   // killed because it ran past the limit
  int exitCode = -1;       // as a POSIX parent sees it (the low 8 bits)
  int signal = 0;          // the signal that ended it, when it did not exit
  std::string output;      // standard output and standard error, interleaved
  double seconds = 0.0;    // wall time
};

// Runs `arguments` (argv[0] is the program's path) in `directory`, with its standard
// output and error captured, killing it after `limitSeconds`.
ChildOutcome RunProgram(const std::vector<std::string>& arguments, const std::string& directory,
                        double limitSeconds);

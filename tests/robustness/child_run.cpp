// Child processes with captured output and a time limit.
#include "tests/robustness/child_run.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

ChildOutcome RunProgram(const std::vector<std::string>& arguments, const std::string& directory,
                        double limitSeconds) {
  ChildOutcome outcome;
  int pipeEnds[2];
  if (pipe2(pipeEnds, O_CLOEXEC) != 0) return outcome;
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) {
    // Only async-signal-safe calls between fork and exec.
    dup2(pipeEnds[1], 1);
    dup2(pipeEnds[1], 2);
    if (chdir(directory.c_str()) != 0) _exit(127);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(pipeEnds[1]);
  auto elapsed = [&] {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  char buffer[4096];
  for (;;) {
    const double left = limitSeconds - elapsed();
    if (left <= 0.0) {
      kill(child, SIGKILL);
      outcome.timedOut = true;
      break;
    }
    pollfd readable{pipeEnds[0], POLLIN, 0};
    const int ready = poll(&readable, 1, static_cast<int>(left * 1000.0) + 1);
    if (ready <= 0) continue;
    const ssize_t got = read(pipeEnds[0], buffer, sizeof buffer);
    if (got <= 0) break;  // end of output: the child is ending
    outcome.output.append(buffer, static_cast<size_t>(got));
  }
  close(pipeEnds[0]);
  // A child that closed its output may still be running: the limit holds for it too.
  int status = 0;
  while (!outcome.timedOut && waitpid(child, &status, WNOHANG) == 0) {
    if (elapsed() >= limitSeconds) {
      kill(child, SIGKILL);
      outcome.timedOut = true;
    } else {
      usleep(5000);
    }
  }
  if (outcome.timedOut) waitpid(child, &status, 0);
  outcome.seconds = elapsed();
  outcome.exited = !outcome.timedOut && WIFEXITED(status);
  outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  outcome.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  return outcome;
}

// Another program run beside the capture.
#include "tools/capture/child_program.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

extern char** environ;

ChildProgram::~ChildProgram() {
  if (pid_ > 0) Kill();
}

bool ChildProgram::Start(const std::vector<std::string>& arguments, bool feedInput,
                         const std::string& logPath, std::string* error) {
  int pipeEnds[2] = {-1, -1};
  if (feedInput && pipe2(pipeEnds, O_CLOEXEC) != 0) {
    *error = std::string("cannot make a pipe: ") + std::strerror(errno);
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (feedInput)
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[0], 0);  // dup2 drops close-on-exec
  else
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);

  // Own process group; default handling of the signals the capture catches or ignores.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults, mask;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGINT);
  sigaddset(&defaults, SIGTERM);
  sigaddset(&defaults, SIGHUP);
  sigaddset(&defaults, SIGPIPE);
  sigemptyset(&mask);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setsigmask(&attributes, &mask);
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int result = posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (feedInput) close(pipeEnds[0]);
  if (result != 0) {
    if (feedInput) close(pipeEnds[1]);
    *error = "cannot start " + arguments[0] + ": " + std::strerror(result);
    return false;
  }
  pid_ = pid;
  input_ = feedInput ? pipeEnds[1] : -1;
  return true;
}

bool ChildProgram::Write(const void* data, size_t bytes) {
  const char* cursor = static_cast<const char*>(data);
  while (bytes > 0) {
    const ssize_t written = write(input_, cursor, bytes);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    cursor += written;
    bytes -= static_cast<size_t>(written);
  }
  return true;
}

int ChildProgram::Wait() {
  if (input_ >= 0) close(input_);
  input_ = -1;
  if (pid_ <= 0) return -1;
  int status = 0;
  while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  pid_ = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void ChildProgram::Kill() {
  if (pid_ > 0) kill(pid_, SIGKILL);
  Wait();
}

std::string FindOnPath(const char* program) {
  const char* path = std::getenv("PATH");
  if (!path) return "";
  std::string folders = path;
  size_t start = 0;
  while (start <= folders.size()) {
    size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    // An empty entry means the working directory.
    const std::string folder = end == start ? "." : folders.substr(start, end - start);
    const std::string candidate = folder + "/" + program;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return "";
}

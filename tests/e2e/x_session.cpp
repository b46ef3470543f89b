// The private X session, child processes and the X tools of the real-window tests.
#include "tests/e2e/x_session.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace {

// Starts a program with its standard streams on /dev/null and no other descriptor but
// `keepOpen`; `setUp` runs in the child just before the program.
pid_t Spawn(const std::vector<std::string>& arguments, int keepOpen = -1,
            const std::function<void()>& setUp = {}) {
  const pid_t pid = fork();
  if (pid != 0) return pid;
  const int null = open("/dev/null", O_RDWR);
  for (int stream = 0; stream < 3; ++stream) dup2(null, stream);
  for (int descriptor = 3; descriptor < 1024; ++descriptor)
    if (descriptor != keepOpen) close(descriptor);
  if (setUp) setUp();
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  execvp(argv[0], argv.data());
  _exit(127);
}

void Kill(pid_t* pid) {
  if (*pid <= 0) return;
  kill(*pid, SIGTERM);
  WaitUntil(1, [&] { return waitpid(*pid, nullptr, WNOHANG) == *pid; });
  kill(*pid, SIGKILL);
  waitpid(*pid, nullptr, 0);
  *pid = 0;
}

}  // namespace

bool WaitUntil(double seconds, const std::function<bool()>& done, int stepMilliseconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  for (;;) {
    if (done()) return true;
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(stepMilliseconds));
  }
}

bool XSession::Start(int width, int height) {
  // Xvfb picks a free display number itself and writes it to the pipe (-displayfd), so
  // tests running side by side can never end up on the same server.
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return false;
  server_ = Spawn({"Xvfb", "-displayfd", std::to_string(pipeEnds[1]), "-screen", "0",
                   std::to_string(width) + "x" + std::to_string(height) + "x24", "-nolisten", "tcp", "-noreset"},
                  pipeEnds[1]);
  close(pipeEnds[1]);
  // A blocking read: Xvfb writes the number once it listens, or exits and closes the pipe.
  std::string number;
  char buffer[16];
  for (ssize_t got; number.find('\n') == std::string::npos && (got = read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
    number.append(buffer, static_cast<size_t>(got));
  close(pipeEnds[0]);
  if (number.find('\n') == std::string::npos) return Stop(), false;
  // Appended, not ":" + ...: GCC 12 at -O3 sees a false overlap (-Wrestrict) in that form.
  std::string display(1, ':');
  display.append(number, 0, number.find('\n'));
  setenv("DISPLAY", display.c_str(), 1);
  unsetenv("WAYLAND_DISPLAY");
  // openbox runs the --startup command once it manages the screen: a window mapped
  // earlier could wait forever for its MapNotify (SDL blocks on it when it shows a window).
  const std::string ready = "/tmp/zelto2k-openbox-ready-" + std::to_string(getpid());
  std::filesystem::remove(ready);
  windowManager_ = Spawn({"openbox", "--sm-disable", "--startup", "touch " + ready});
  if (!WaitUntil(20, [&] { return std::filesystem::remove(ready); })) return Stop(), false;
  return true;
}

void XSession::Stop() {
  Kill(&windowManager_);
  Kill(&server_);
}

DemoProcess::~DemoProcess() { Kill(&pid_); }

bool DemoProcess::Start(const std::string& program, const std::string& workDirectory, const Environment& environment,
                        const std::vector<std::string>& arguments) {
  workDirectory_ = workDirectory;
  std::vector<std::string> command = {program};
  command.insert(command.end(), arguments.begin(), arguments.end());
  pid_ = Spawn(command, -1, [&] {
    if (chdir(workDirectory.c_str()) != 0) _exit(126);
    dup2(open("stdout.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
    dup2(open("stderr.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
    // Under LeakSanitizer, leaks inside the system libraries behind the window are not ours.
    setenv("LSAN_OPTIONS", "suppressions=" ZELTO_LSAN_SUPPRESSIONS, 0);
    for (const auto& [name, value] : environment)
      value.empty() ? unsetenv(name.c_str()) : setenv(name.c_str(), value.c_str(), 1);
  });
  return pid_ > 0;
}

bool DemoProcess::WaitForLine(const std::string& line, double seconds) {
  return WaitUntil(seconds, [&] { return ReadText(workDirectory_ + "/stdout.txt").find(line + "\n") != std::string::npos; });
}

bool DemoProcess::WaitForExit(double seconds, int* exitCode) {
  int status = 0;
  if (pid_ <= 0 || !WaitUntil(seconds, [&] { return waitpid(pid_, &status, WNOHANG) == pid_; }, 5)) return false;
  pid_ = 0;
  *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return true;
}

bool DemoProcess::Running() { return pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0; }

std::string DemoProcess::ErrorOutput() const { return ReadText(workDirectory_ + "/stderr.txt"); }

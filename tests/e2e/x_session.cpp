// The private X session, child processes and screenshots of the real-window tests.
#include "tests/e2e/x_session.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Starts a program with its standard streams on /dev/null; `keepOpen` (if not -1) is the
// one other descriptor it inherits.
pid_t Spawn(const std::vector<std::string>& arguments, int keepOpen = -1) {
  const pid_t pid = fork();
  if (pid == 0) {
    const int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 1);
    dup2(null, 2);
    for (int descriptor = 3; descriptor < 1024; ++descriptor)
      if (descriptor != keepOpen) close(descriptor);
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  return pid;
}

bool Exited(pid_t pid) {
  int status = 0;
  return waitpid(pid, &status, WNOHANG) == pid;
}

void Kill(pid_t* pid) {
  if (*pid <= 0) return;
  kill(*pid, SIGTERM);
  for (int i = 0; i < 50 && !Exited(*pid); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  kill(*pid, SIGKILL);
  waitpid(*pid, nullptr, 0);
  *pid = 0;
}

}  // namespace

XSession::~XSession() { Stop(); }

bool XSession::Start(int width, int height) {
  // Xvfb picks a free display number itself and writes it to the pipe (-displayfd), so
  // tests running side by side can never end up on the same server.
  const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return false;
  server_ = Spawn({"Xvfb", "-displayfd", std::to_string(pipeEnds[1]), "-screen", "0", screen,
                   "-nolisten", "tcp", "-noreset"},
                  pipeEnds[1]);
  close(pipeEnds[1]);
  std::string number;
  const auto start = Clock::now();
  while (SecondsSince(start) < 20 && number.find('\n') == std::string::npos) {
    pollfd descriptor = {pipeEnds[0], POLLIN, 0};
    if (poll(&descriptor, 1, 100) <= 0) continue;
    char buffer[16];
    const ssize_t got = read(pipeEnds[0], buffer, sizeof buffer);
    if (got <= 0) break;
    number.append(buffer, static_cast<size_t>(got));
  }
  close(pipeEnds[0]);
  if (number.empty() || number.find('\n') == std::string::npos) {
    Stop();
    return false;
  }
  display_ = std::atoi(number.c_str());
  const std::string name = ":" + std::to_string(display_);
  setenv("DISPLAY", name.c_str(), 1);
  unsetenv("WAYLAND_DISPLAY");
  // openbox runs the --startup command once it manages the screen: a window mapped
  // earlier could wait forever for its MapNotify (SDL blocks on it when it shows a window).
  const std::string ready = "/tmp/zelto2k-openbox-ready-" + std::to_string(getpid());
  std::filesystem::remove(ready);
  windowManager_ = Spawn({"openbox", "--sm-disable", "--startup", "touch " + ready});
  const auto wmStart = Clock::now();
  while (SecondsSince(wmStart) < 20) {
    if (std::filesystem::exists(ready)) {
      std::filesystem::remove(ready);
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  Stop();
  return false;
}

void XSession::Stop() {
  Kill(&windowManager_);
  Kill(&server_);
  display_ = -1;
}

std::string RunCommand(const std::string& command, int* status) {
  std::string output;
  std::FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) {
    if (status) *status = -1;
    return output;
  }
  char buffer[65536];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, got);
  const int result = pclose(pipe);
  if (status) *status = WIFEXITED(result) ? WEXITSTATUS(result) : -1;
  return output;
}

DemoProcess::~DemoProcess() {
  if (pid_ > 0) Kill(&pid_);
  if (output_ >= 0) close(output_);
}

bool DemoProcess::Start(const std::string& program, const std::string& workDirectory,
                        const std::vector<std::pair<std::string, std::string>>& environment) {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return false;
  errorFile_ = workDirectory + "/stderr.txt";
  pid_ = fork();
  if (pid_ == 0) {
    close(pipeEnds[0]);
    dup2(pipeEnds[1], 1);
    const int errors = open(errorFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(errors, 2);
    if (chdir(workDirectory.c_str()) != 0) _exit(126);
    // Under LeakSanitizer, leaks inside the system libraries behind the window are not ours.
    setenv("LSAN_OPTIONS", "suppressions=" ZELTO_LSAN_SUPPRESSIONS, 0);
    for (const auto& [name, value] : environment) {
      if (value.empty())
        unsetenv(name.c_str());
      else
        setenv(name.c_str(), value.c_str(), 1);
    }
    execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(pipeEnds[1]);
  output_ = pipeEnds[0];
  return pid_ > 0;
}

bool DemoProcess::WaitForLine(const std::string& line, double seconds) {
  const auto start = Clock::now();
  for (;;) {
    if (buffered_.find(line + "\n") != std::string::npos) return true;
    const double left = seconds - SecondsSince(start);
    if (left <= 0) return false;
    pollfd descriptor = {output_, POLLIN, 0};
    if (poll(&descriptor, 1, static_cast<int>(left * 1000) + 1) <= 0) continue;
    char buffer[256];
    const ssize_t got = read(output_, buffer, sizeof buffer);
    if (got <= 0) return buffered_.find(line + "\n") != std::string::npos;
    buffered_.append(buffer, static_cast<size_t>(got));
  }
}

bool DemoProcess::WaitForExit(double seconds, int* exitCode) {
  const auto start = Clock::now();
  while (pid_ > 0) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = 0;
      *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      return true;
    }
    if (SecondsSince(start) > seconds) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

bool DemoProcess::Running() {
  if (pid_ <= 0) return false;
  int status = 0;
  return waitpid(pid_, &status, WNOHANG) == 0;
}

std::string DemoProcess::ErrorOutput() const {
  std::ifstream file(errorFile_, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

uint32_t Screenshot::Pixel(int x, int y) const {
  const size_t at = (static_cast<size_t>(y) * width + x) * 3;
  return (static_cast<uint32_t>(rgb[at]) << 16) | (static_cast<uint32_t>(rgb[at + 1]) << 8) | rgb[at + 2];
}

bool TakeScreenshot(Screenshot* shot) {
  int status = -1;
  const std::string ppm = RunCommand("timeout 10 import -window root -depth 8 ppm:- 2>/dev/null", &status);
  if (status != 0 || ppm.size() < 16 || ppm[0] != 'P' || ppm[1] != '6') return false;
  // Header: "P6", width, height, maximum value, each after white space, then one byte of it.
  size_t at = 2;
  int fields[3] = {};
  for (int& field : fields) {
    while (at < ppm.size() && std::isspace(static_cast<unsigned char>(ppm[at]))) ++at;
    while (at < ppm.size() && std::isdigit(static_cast<unsigned char>(ppm[at])))
      field = field * 10 + (ppm[at++] - '0');
  }
  ++at;
  if (fields[2] != 255) return false;
  const size_t bytes = static_cast<size_t>(fields[0]) * fields[1] * 3;
  if (ppm.size() < at + bytes) return false;
  shot->width = fields[0];
  shot->height = fields[1];
  shot->rgb.assign(ppm.begin() + static_cast<ptrdiff_t>(at), ppm.begin() + static_cast<ptrdiff_t>(at + bytes));
  return true;
}

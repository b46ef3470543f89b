// Test harness: working directories, test modules, child processes.
#include "tests/app/harness.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tools/xm/xm_writer.h"

WorkDirectory::WorkDirectory() {
  previous_ = std::filesystem::current_path().string();
  std::string pattern = (std::filesystem::temp_directory_path() / "zelto2k-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) std::abort();
  path_ = pattern;
  std::filesystem::current_path(path_);
}

WorkDirectory::~WorkDirectory() {
  std::error_code ignored;
  std::filesystem::current_path(previous_, ignored);
  std::filesystem::remove_all(path_, ignored);
}

void WriteTestModule(int orders, int rows, int speed, int tempo, int restartPosition) {
  xm::Module module = xm::MakeTestModule(orders, rows, speed, tempo);
  module.restartPosition = restartPosition;
  std::filesystem::create_directories("data");
  std::string error;
  if (!xm::WriteXm("data/mowt.xm", module, &error)) std::abort();
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

ChildResult RunInChild(const std::function<int()>& body) {
  ChildResult result;
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return result;
  std::fflush(stdout);
  std::fflush(stderr);
  const pid_t child = fork();
  if (child == 0) {
    close(pipeEnds[0]);
    dup2(pipeEnds[1], 2);
    close(pipeEnds[1]);
    std::exit(body());
  }
  close(pipeEnds[1]);
  char buffer[4096];
  for (;;) {
    const ssize_t got = read(pipeEnds[0], buffer, sizeof buffer);
    if (got <= 0) break;
    result.errorOutput.append(buffer, static_cast<size_t>(got));
  }
  close(pipeEnds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  result.exited = WIFEXITED(status);
  result.exitCode = result.exited ? WEXITSTATUS(status) : -1;
  return result;
}

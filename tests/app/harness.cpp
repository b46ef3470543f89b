// Test harness: working directories, test modules, child processes.
#include "tests/app/harness.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

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

ChildResult RunInChild(const std::function<int()>& body) {
  std::fflush(stdout);
  std::fflush(stderr);
  const pid_t child = fork();
  if (child == 0) {
    if (!std::freopen("child-stderr.txt", "w", stderr)) _exit(126);
    std::exit(body());
  }
  int status = 0;
  waitpid(child, &status, 0);
  ChildResult result = {WIFEXITED(status) != 0, WIFEXITED(status) ? WEXITSTATUS(status) : -1,
                        ReadText("child-stderr.txt")};
  std::filesystem::remove("child-stderr.txt");
  return result;
}

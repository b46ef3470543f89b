// Writes a small test module: xm_testmodule OUT.xm ORDERS ROWS SPEED TEMPO.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/xm/xm_writer.h"

int main(int argc, char** argv) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: %s OUT.xm ORDERS ROWS SPEED TEMPO\n", argv[0]);
    return 2;
  }
  const xm::Module module = xm::MakeTestModule(std::atoi(argv[2]), std::atoi(argv[3]),
                                               std::atoi(argv[4]), std::atoi(argv[5]));
  std::string error;
  if (!xm::WriteXm(argv[1], module, &error)) {
    std::fprintf(stderr, "%s: %s\n", argv[1], error.c_str());
    return 1;
  }
  return 0;
}

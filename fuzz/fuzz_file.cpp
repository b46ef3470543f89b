// The harnesses' in-memory file.
#include "fuzz/fuzz_file.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

const char* FuzzFileWithContents(const uint8_t* data, size_t size) {
  static int descriptor = -1;
  static char name[64];
  if (descriptor < 0) {
    descriptor = memfd_create("zelto-fuzz-input", 0);
    if (descriptor < 0) std::abort();
    std::snprintf(name, sizeof name, "/proc/self/fd/%d", descriptor);
  }
  if (ftruncate(descriptor, 0) != 0) std::abort();
  size_t written = 0;
  while (written < size) {
    const ssize_t got = pwrite(descriptor, data + written, size - written, static_cast<off_t>(written));
    if (got <= 0) std::abort();
    written += static_cast<size_t>(got);
  }
  return name;
}

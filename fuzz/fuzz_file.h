// A file whose contents a harness replaces for every input, for readers that take a name.
//
// The file lives in memory (memfd) and is reached through /proc/self/fd, so each input
// costs a truncate and a write, not a disk round trip. One per harness process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>

// Replaces the file's contents with `size` bytes and returns its name. Aborts if the
// file cannot be made or written (a broken harness, not an input to report).
const char* FuzzFileWithContents(const uint8_t* data, size_t size);

// A promise of the reader under test: breaking it stops the harness, which reports the input.
inline void Check(bool condition) {
  if (!condition) std::abort();
}

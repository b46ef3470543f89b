// Whole files and a command's output in one call, for the tests and their support code.
#pragma once

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// The bytes of `path`; empty when it cannot be read.
inline std::string ReadText(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}
inline std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  const std::string text = ReadText(path);
  return std::vector<uint8_t>(text.begin(), text.end());
}

// Replaces the contents of `path` with `bytes`.
inline void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// What a shell command writes to its standard output; `status`, when given, receives the
// wait status pclose reports. The caller bounds the time (`timeout`) and redirects stderr.
inline std::string CommandOutput(const std::string& command, int* status = nullptr) {
  std::string output;
  if (std::FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[65536];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, got);
    const int ended = pclose(pipe);
    if (status != nullptr) *status = ended;
  }
  return output;
}

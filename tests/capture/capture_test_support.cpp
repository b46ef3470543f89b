// Test support for the capture program.
#include "tests/capture/capture_test_support.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <cstdio>

#include "tools/capture/child_program.h"
#include "tools/capture/png_writer.h"
#include "tools/xm/xm_writer.h"

namespace fs = std::filesystem;

namespace {

uint32_t BigEndian32(const uint8_t* bytes) {
  return (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) | bytes[3];
}

uint32_t LittleEndian(const uint8_t* bytes, int count) {
  uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = (value << 8) | bytes[i];
  return value;
}

}  // namespace

void MakeDemoFolder(const std::string& folder, int orders, int rows, int speed, int tempo) {
  fs::create_directories(fs::path(folder) / "data");
  for (const fs::directory_entry& entry : fs::directory_iterator(ZELTO_DATA_DIR)) {
    if (entry.path().filename() == "mowt.xm") continue;
    fs::create_symlink(entry.path(), fs::path(folder) / "data" / entry.path().filename());
  }
  std::string error;
  if (!xm::WriteXm((fs::path(folder) / "data" / "mowt.xm").string(),
                   xm::MakeTestModule(orders, rows, speed, tempo), &error))
    std::abort();
}

ProgramResult RunCapture(const std::string& folder, const std::vector<std::string>& arguments,
                         const char* path) {
  std::vector<std::string> command = {ZELTO_CAPTURE_PROGRAM};
  command.insert(command.end(), arguments.begin(), arguments.end());
  const std::string log = (fs::path(folder) / "capture.log").string();
  const fs::path previous = fs::current_path();
  const std::string previousPath = std::getenv("PATH") ? std::getenv("PATH") : "";
  fs::current_path(folder);
  if (path) setenv("PATH", path, 1);
  ProgramResult result;
  ChildProgram program;
  std::string error;
  if (program.Start(command, false, log, &error)) result.exitCode = program.Wait();
  if (path) setenv("PATH", previousPath.c_str(), 1);
  fs::current_path(previous);
  const std::vector<uint8_t> text = ReadBytes(log);
  result.errorOutput.assign(text.begin(), text.end());
  return result;
}

std::vector<uint8_t> ReadBytes(const std::string& file) {
  std::vector<uint8_t> bytes;
  if (std::FILE* stream = std::fopen(file.c_str(), "rb")) {
    std::fseek(stream, 0, SEEK_END);
    const long size = std::ftell(stream);
    std::fseek(stream, 0, SEEK_SET);
    bytes.resize(size > 0 ? static_cast<size_t>(size) : 0);
    if (std::fread(bytes.data(), 1, bytes.size(), stream) != bytes.size()) bytes.clear();
    std::fclose(stream);
  }
  return bytes;
}

int CountFrames(const std::string& folder) {
  int count = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    count += name.rfind("frame_", 0) == 0 && entry.path().extension() == ".png";
  }
  return count;
}

bool ReadCapturePng(const std::string& file, int32_t* width, int32_t* height,
                    std::vector<uint32_t>* pixels, std::string* error) {
  const std::vector<uint8_t> bytes = ReadBytes(file);
  static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (bytes.size() < 8 || std::memcmp(bytes.data(), kSignature, 8) != 0) return *error = "signature", false;
  std::vector<uint8_t> zlib;
  bool ended = false;
  for (size_t at = 8; !ended;) {
    if (at + 12 > bytes.size()) return *error = "truncated chunk", false;
    const uint32_t length = BigEndian32(&bytes[at]);
    if (length > bytes.size() - at - 12) return *error = "chunk length", false;
    const std::string type(reinterpret_cast<const char*>(&bytes[at + 4]), 4);
    if (Crc32(&bytes[at + 4], length + 4) != BigEndian32(&bytes[at + 8 + length])) return *error = "CRC of " + type, false;
    const uint8_t* data = &bytes[at + 8];
    if (type == "IHDR") {
      if (length != 13 || data[8] != 8 || data[9] != 2 || data[10] || data[11] || data[12]) return *error = "IHDR", false;
      *width = static_cast<int32_t>(BigEndian32(data));
      *height = static_cast<int32_t>(BigEndian32(data + 4));
    } else if (type == "IDAT") {
      zlib.resize(zlib.size() + length);
      std::memcpy(zlib.data() + zlib.size() - length, data, length);
    } else if (type == "IEND") {
      ended = true;
    }
    at += 12 + length;
    if (ended && at != bytes.size()) return *error = "bytes after IEND", false;
  }
  if (zlib.size() < 6 || zlib[0] != 0x78 || (zlib[0] * 256 + zlib[1]) % 31 != 0) return *error = "zlib header", false;
  std::vector<uint8_t> raw;
  size_t at = 2;
  for (bool last = false; !last;) {
    if (at + 5 > zlib.size() || (zlib[at] & 6) != 0) return *error = "not a stored block", false;
    last = zlib[at] & 1;
    const uint32_t length = LittleEndian(&zlib[at + 1], 2);
    if ((length ^ LittleEndian(&zlib[at + 3], 2)) != 0xFFFF || at + 5 + length > zlib.size()) return *error = "block length", false;
    raw.resize(raw.size() + length);
    std::memcpy(raw.data() + raw.size() - length, &zlib[at + 5], length);
    at += 5 + length;
  }
  if (at + 4 != zlib.size() || BigEndian32(&zlib[at]) != Adler32(raw.data(), raw.size())) return *error = "Adler-32", false;
  const size_t rowBytes = 1 + static_cast<size_t>(*width) * 3;
  if (raw.size() != rowBytes * static_cast<size_t>(*height)) return *error = "image data size", false;
  pixels->resize(static_cast<size_t>(*width) * static_cast<size_t>(*height));
  uint32_t* pixel = pixels->data();
  for (int32_t y = 0; y < *height; ++y) {
    const uint8_t* row = &raw[rowBytes * static_cast<size_t>(y)];
    if (row[0] != 0) return *error = "filter", false;
    for (int32_t x = 0; x < *width; ++x, row += 3) *pixel++ = (uint32_t{row[1]} << 16) | (uint32_t{row[2]} << 8) | row[3];
  }
  return true;
}

bool ReadCaptureWav(const std::string& file, std::vector<int16_t>* samples, std::string* error) {
  const std::vector<uint8_t> bytes = ReadBytes(file);
  if (bytes.size() < 44 || std::memcmp(bytes.data(), "RIFF", 4) || std::memcmp(&bytes[8], "WAVEfmt ", 8) ||
      std::memcmp(&bytes[36], "data", 4))
    return *error = "not a canonical WAV", false;
  if (LittleEndian(&bytes[20], 2) != 1 || LittleEndian(&bytes[22], 2) != 2 ||
      LittleEndian(&bytes[24], 4) != 48000 || LittleEndian(&bytes[34], 2) != 16)
    return *error = "not 48 kHz stereo 16-bit PCM", false;
  const uint32_t dataBytes = LittleEndian(&bytes[40], 4);
  if (dataBytes != bytes.size() - 44 || LittleEndian(&bytes[4], 4) != bytes.size() - 8)
    return *error = "sizes disagree with the file", false;
  samples->resize(dataBytes / 2);
  for (size_t i = 0; i < samples->size(); ++i)
    (*samples)[i] = static_cast<int16_t>(LittleEndian(&bytes[44 + 2 * i], 2));
  return true;
}

// A streaming WAV writer.
#include "tools/capture/wav_writer.h"

#include <cerrno>
#include <cstring>
#include <vector>

namespace {

constexpr int64_t kBytesPerFrame = WavWriter::kChannels * 2;
// The RIFF size field counts everything after itself: 36 header bytes plus the samples.
constexpr int64_t kMaxDataBytes = 0xFFFFFFFFll - 36;

void PutLittleEndian(uint8_t* out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

WavWriter::~WavWriter() {
  std::string ignored;
  if (file_) Close(&ignored);
}

bool WavWriter::Open(const std::string& path, std::string* error) {
  path_ = path;
  frames_ = framesAtLastSizes_ = 0;
  file_ = std::fopen(path.c_str(), "wb");
  if (!file_ || !WriteSizes()) {
    *error = "cannot write " + path + ": " + std::strerror(errno);
    if (file_) std::fclose(file_);
    file_ = nullptr;
    return false;
  }
  return true;
}

bool WavWriter::WriteSizes() {
  const uint32_t dataBytes = static_cast<uint32_t>(frames_ * kBytesPerFrame);
  uint8_t header[kHeaderBytes];
  std::memcpy(header, "RIFF", 4);
  PutLittleEndian(header + 4, 36 + dataBytes, 4);
  std::memcpy(header + 8, "WAVEfmt ", 8);
  PutLittleEndian(header + 16, 16, 4);  // format chunk size
  PutLittleEndian(header + 20, 1, 2);   // PCM
  PutLittleEndian(header + 22, kChannels, 2);
  PutLittleEndian(header + 24, kSampleRate, 4);
  PutLittleEndian(header + 28, kSampleRate * kBytesPerFrame, 4);  // bytes per second
  PutLittleEndian(header + 32, kBytesPerFrame, 2);                 // block align
  PutLittleEndian(header + 34, 16, 2);                             // bits per sample
  std::memcpy(header + 36, "data", 4);
  PutLittleEndian(header + 40, dataBytes, 4);
  if (std::fseek(file_, 0, SEEK_SET) != 0) return false;
  if (std::fwrite(header, 1, sizeof header, file_) != sizeof header) return false;
  if (std::fseek(file_, 0, SEEK_END) != 0) return false;
  framesAtLastSizes_ = frames_;
  return true;
}

bool WavWriter::Append(const int16_t* samples, int32_t frames, std::string* error) {
  if (!file_) {
    *error = "the audio file is not open";
    return false;
  }
  if (frames < 0 || (frames_ + frames) * kBytesPerFrame > kMaxDataBytes) {
    *error = "the audio is too long for a WAV file (more than 4 GB)";
    return false;
  }
  // Samples go out little-endian whatever the machine's order.
  std::vector<uint8_t> bytes(static_cast<size_t>(frames) * kBytesPerFrame);
  for (size_t i = 0; i < static_cast<size_t>(frames) * kChannels; ++i)
    PutLittleEndian(bytes.data() + 2 * i, static_cast<uint16_t>(samples[i]), 2);
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
    *error = "cannot write " + path_ + ": " + std::strerror(errno);
    return false;
  }
  frames_ += frames;
  if (frames_ - framesAtLastSizes_ >= kSampleRate && !WriteSizes()) {
    *error = "cannot write " + path_ + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

bool WavWriter::Close(std::string* error) {
  if (!file_) return true;
  const bool sized = WriteSizes();
  const int sizeErrno = errno;
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  if (!sized || !closed) {
    *error = "cannot write " + path_ + ": " + std::strerror(sized ? errno : sizeErrno);
    return false;
  }
  return true;
}

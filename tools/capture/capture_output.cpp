// The capture's outputs: PNG + WAV folders, and .mp4 / .mkv through ffmpeg.
#include "tools/capture/capture_output.h"

#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "tools/capture/child_program.h"
#include "tools/capture/png_writer.h"
#include "tools/capture/wav_writer.h"

namespace {

namespace fs = std::filesystem;

// Frames are 0x00RRGGBB words: in memory order that is B, G, R, 0 on a little-endian machine.
const char* RawPixelFormat() { return std::endian::native == std::endian::little ? "bgr0" : "0rgb"; }

bool MakeFolder(const std::string& folder, std::string* error) {
  std::error_code code;
  fs::create_directories(folder, code);
  if (code || !fs::is_directory(folder)) {
    *error = "cannot make the folder " + folder + ": " + (code ? code.message() : "a file has that name");
    return false;
  }
  return true;
}

// The last lines of a log file, for an error message.
std::string LogTail(const std::string& path) {
  std::ifstream file(path);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(file, line))
    if (!line.empty()) lines.push_back(line);
  std::string tail;
  const size_t first = lines.size() > 12 ? lines.size() - 12 : 0;
  for (size_t i = first; i < lines.size(); ++i) tail += "\n  " + lines[i];
  return tail.empty() ? std::string(" (it said nothing)") : tail;
}

class FolderOutput : public CaptureOutput {
 public:
  explicit FolderOutput(const OutputSettings& settings) : settings_(settings) {}

  int Open(std::string* error) {
    if (!MakeFolder(settings_.out, error)) return kCaptureExitNotWritable;
    // The frames of an earlier, longer capture would otherwise follow this one's.
    std::error_code code;
    for (const fs::directory_entry& entry : fs::directory_iterator(settings_.out, code)) {
      const std::string name = entry.path().filename().string();
      if (name.rfind("frame_", 0) == 0 && entry.path().extension() == ".png") fs::remove(entry.path(), code);
    }
    if (!audio_.Open((fs::path(settings_.out) / kFolderAudioName).string(), error)) return kCaptureExitNotWritable;
    return kCaptureExitOk;
  }

  bool WriteFrame(const uint32_t* pixels, std::string* error) override {
    const std::string path = (fs::path(settings_.out) / FolderFrameName(frames_)).string();
    if (!WritePngFile(path, pixels, settings_.width, settings_.height, error)) return false;
    ++frames_;
    return true;
  }

  bool WriteAudio(const int16_t* samples, int32_t frames, std::string* error) override {
    return audio_.Append(samples, frames, error);
  }

  int Finish(std::string* error) override {
    return audio_.Close(error) ? kCaptureExitOk : kCaptureExitNotWritable;
  }

  // Every PNG written is whole; closing the WAV gives it the sizes of what it holds.
  void Abandon() override {
    std::string ignored;
    audio_.Close(&ignored);
  }

  int64_t framesWritten() const override { return frames_; }

 private:
  OutputSettings settings_;
  WavWriter audio_;
  int64_t frames_ = 0;
};

class NullOutput : public CaptureOutput {
 public:
  bool WriteFrame(const uint32_t*, std::string*) override {
    ++frames_;
    return true;
  }
  bool WriteAudio(const int16_t*, int32_t, std::string*) override { return true; }
  int Finish(std::string*) override { return kCaptureExitOk; }
  void Abandon() override {}
  int64_t framesWritten() const override { return frames_; }

 private:
  int64_t frames_ = 0;
};

class FfmpegOutput : public CaptureOutput {
 public:
  explicit FfmpegOutput(const OutputSettings& settings)
      : settings_(settings),
        parts_(settings.out + ".parts"),
        video_((fs::path(parts_) / (settings.kind == OutputKind::Mp4 ? "video.mp4" : "video.mkv")).string()),
        log_((fs::path(parts_) / "ffmpeg.log").string()) {}

  ~FfmpegOutput() override { Abandon(); }

  int Open(std::string* error) {
    std::error_code code;
    if (fs::is_directory(settings_.out, code)) {
      *error = "cannot write " + settings_.out + ": it is a folder";
      return kCaptureExitNotWritable;
    }
    if (!MakeFolder(parts_, error)) return kCaptureExitNotWritable;
    partsMade_ = true;
    if (!audio_.Open((fs::path(parts_) / "audio.wav").string(), error)) return kCaptureExitNotWritable;
    std::vector<std::string> arguments = {
        settings_.ffmpeg, "-hide_banner", "-nostats", "-loglevel", "error",
        "-f", "rawvideo", "-pix_fmt", RawPixelFormat(),
        "-video_size", std::to_string(settings_.width) + "x" + std::to_string(settings_.height),
        "-framerate", std::to_string(settings_.fpsNumerator) + "/" + std::to_string(settings_.fpsDenominator),
        "-i", "pipe:0", "-an"};
    if (settings_.kind == OutputKind::Mp4) {
      // Players take untagged high-definition video as BT.709: convert with that matrix
      // and say so, or the colours shift.
      const std::vector<std::string> h264 = {
          "-vf", "scale=out_color_matrix=bt709:out_range=tv,format=yuv420p",
          "-c:v", "libx264", "-preset", settings_.preset, "-crf", std::to_string(settings_.crf),
          "-colorspace", "bt709", "-color_primaries", "bt709", "-color_trc", "bt709",
          "-color_range", "tv", "-f", "mp4"};
      arguments.insert(arguments.end(), h264.begin(), h264.end());
    } else {
      const std::vector<std::string> ffv1 = {"-c:v", "ffv1", "-level", "3", "-g", "1",
                                             "-slicecrc", "1", "-f", "matroska"};
      arguments.insert(arguments.end(), ffv1.begin(), ffv1.end());
    }
    arguments.insert(arguments.end(), {"-y", video_});
    if (!encoder_.Start(arguments, true, log_, error)) return kCaptureExitNoEncoder;
    return kCaptureExitOk;
  }

  bool WriteFrame(const uint32_t* pixels, std::string* error) override {
    const size_t bytes = static_cast<size_t>(settings_.width) * static_cast<size_t>(settings_.height) * 4;
    if (!encoder_.Write(pixels, bytes)) {
      encoder_.Wait();
      *error = "ffmpeg stopped reading frames:" + LogTail(log_);
      return false;
    }
    ++frames_;
    return true;
  }

  bool WriteAudio(const int16_t* samples, int32_t frames, std::string* error) override {
    return audio_.Append(samples, frames, error);
  }

  int Finish(std::string* error) override {
    if (!audio_.Close(error)) return kCaptureExitNotWritable;
    if (frames_ == 0) {
      *error = "no frame was captured, so no file was made";
      Abandon();
      return kCaptureExitFailed;
    }
    if (encoder_.Wait() != 0) {
      *error = "ffmpeg could not encode the frames:" + LogTail(log_);
      return kCaptureExitEncoderFailed;
    }
    const std::string muxed = (fs::path(parts_) / "muxed").string();
    std::vector<std::string> arguments = {
        settings_.ffmpeg, "-hide_banner", "-nostdin", "-nostats", "-loglevel", "error",
        "-i", video_, "-i", audio_.path(), "-map", "0:v:0", "-map", "1:a:0", "-c:v", "copy"};
    const std::vector<std::string> tail =
        settings_.kind == OutputKind::Mp4
            ? std::vector<std::string>{"-c:a", "aac", "-b:a", "192k", "-movflags", "+faststart", "-f", "mp4"}
            : std::vector<std::string>{"-c:a", "flac", "-f", "matroska"};
    arguments.insert(arguments.end(), tail.begin(), tail.end());
    arguments.insert(arguments.end(), {"-y", muxed});
    ChildProgram muxer;
    if (!muxer.Start(arguments, false, log_, error)) return kCaptureExitNoEncoder;
    if (muxer.Wait() != 0) {
      *error = "ffmpeg could not put the picture and the sound together:" + LogTail(log_);
      return kCaptureExitEncoderFailed;
    }
    if (std::rename(muxed.c_str(), settings_.out.c_str()) != 0) {
      *error = "cannot write " + settings_.out + ": " + std::strerror(errno);
      return kCaptureExitNotWritable;
    }
    RemoveParts();
    return kCaptureExitOk;
  }

  void Abandon() override {
    if (encoder_.running()) encoder_.Kill();
    std::string ignored;
    audio_.Close(&ignored);
    RemoveParts();
  }

  int64_t framesWritten() const override { return frames_; }

 private:
  void RemoveParts() {
    if (!partsMade_) return;
    std::error_code ignored;
    fs::remove_all(parts_, ignored);
    partsMade_ = false;
  }

  OutputSettings settings_;
  std::string parts_, video_, log_;
  bool partsMade_ = false;
  ChildProgram encoder_;
  WavWriter audio_;
  int64_t frames_ = 0;
};

}  // namespace

std::string FolderFrameName(int64_t frame) {
  char name[32];
  std::snprintf(name, sizeof name, "frame_%06lld.png", static_cast<long long>(frame));
  return name;
}

std::unique_ptr<CaptureOutput> OpenCaptureOutput(const OutputSettings& settings, int* exitCode,
                                                 std::string* error) {
  if (settings.kind == OutputKind::None) {
    *exitCode = kCaptureExitOk;
    return std::make_unique<NullOutput>();
  }
  if (settings.kind == OutputKind::Folder) {
    auto output = std::make_unique<FolderOutput>(settings);
    *exitCode = output->Open(error);
    return *exitCode == kCaptureExitOk ? std::move(output) : nullptr;
  }
  auto output = std::make_unique<FfmpegOutput>(settings);
  *exitCode = output->Open(error);
  return *exitCode == kCaptureExitOk ? std::move(output) : nullptr;
}

// Pixels 0x00RRGGBB in, the same words out; source stride width, destination stride
// width * scale. Each source row is widened once, then copied for the other scale - 1 rows.
void ScaleNearest(const uint32_t* source, int32_t width, int32_t height, int32_t scale,
                  uint32_t* destination) {
  const size_t destinationWidth = static_cast<size_t>(width) * static_cast<size_t>(scale);
  for (int32_t y = 0; y < height; ++y) {
    uint32_t* row = destination;
    for (int32_t x = 0; x < width; ++x) {
      const uint32_t pixel = source[x];
      for (int32_t copy = 0; copy < scale; ++copy) *row++ = pixel;
    }
    for (int32_t copy = 1; copy < scale; ++copy)
      std::memcpy(destination + destinationWidth * static_cast<size_t>(copy), destination,
                  destinationWidth * sizeof(uint32_t));
    source += width;
    destination += destinationWidth * static_cast<size_t>(scale);
  }
}

// zelto2k-flash: the flash analyser on raw RGB frames, from a file or a pipe (for example
// any video through ffmpeg: ffmpeg -i demo.mkv -f rawvideo -pix_fmt rgb24 - | zelto2k-flash
// --size 512x256 --display 512x384 -).
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "tools/capture/png_writer.h"
#include "tools/flash/flash_analysis.h"

namespace {

constexpr int kExitPass = 0;
constexpr int kExitOverLimit = 1;
constexpr int kExitUsage = 2;
constexpr int kExitUnreadable = 3;
constexpr int32_t kMaxSide = 16384;

constexpr const char* kUsage =
    "usage: zelto2k-flash --size WxH [--display WxH] [--fps N] [--plot FILE.png] [FILE | -]\n"
    "Reads raw 8-bit RGB frames (W x H x 3 bytes each, top row first) from FILE or standard input\n"
    "and prints, per second, the most transitions of light any 10-degree field makes and where,\n"
    "and the verdict. --display is the size of the screen area the frames are shown in\n"
    "(default: the frame size); --fps the frame rate (default 60); --plot writes the plot.\n"
    "Exit code: 0 within the limit, 1 over it, 2 bad usage, 3 unreadable input or unwritable plot.\n";

bool ParseSize(std::string_view text, int32_t* width, int32_t* height) {
  const size_t cross = text.find('x');
  if (cross == std::string_view::npos) return false;
  auto number = [](std::string_view digits, int32_t* value) {
    if (digits.empty() || digits.size() > 5) return false;
    int32_t result = 0;
    for (char digit : digits) {
      if (digit < '0' || digit > '9') return false;
      result = result * 10 + (digit - '0');
    }
    *value = result;
    return result >= 1 && result <= kMaxSide;
  };
  return number(text.substr(0, cross), width) && number(text.substr(cross + 1), height);
}

int Usage(const std::string& message) {
  std::fprintf(stderr, "zelto2k-flash: %s\n%s", message.c_str(), kUsage);
  return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  FlashGeometry geometry;
  geometry.pictureWidth = 0;
  bool displayGiven = false;
  int32_t fps = 60;
  std::string plot;
  std::string input;
  for (int index = 1; index < argc; ++index) {
    const std::string_view argument = argv[index];
    const bool hasValue = index + 1 < argc;
    if (argument == "--help") {
      std::fputs(kUsage, stdout);
      return kExitPass;
    } else if (argument == "--size" && hasValue) {
      if (!ParseSize(argv[++index], &geometry.pictureWidth, &geometry.pictureHeight))
        return Usage("--size wants WxH, each 1 to 16384");
    } else if (argument == "--display" && hasValue) {
      if (!ParseSize(argv[++index], &geometry.displayWidth, &geometry.displayHeight))
        return Usage("--display wants WxH, each 1 to 16384");
      displayGiven = true;
    } else if (argument == "--fps" && hasValue) {
      char* end = nullptr;
      errno = 0;
      const long value = std::strtol(argv[++index], &end, 10);
      if (errno != 0 || *end != '\0' || value < 1 || value > 1000) return Usage("--fps wants 1 to 1000");
      fps = static_cast<int32_t>(value);
    } else if (argument == "--plot" && hasValue) {
      plot = argv[++index];
    } else if (!argument.empty() && (argument == "-" || argument[0] != '-') && input.empty()) {
      input = argument;
    } else {
      return Usage("unknown or incomplete option: " + std::string(argument));
    }
  }
  if (geometry.pictureWidth == 0) return Usage("--size is needed");
  if (!displayGiven) {
    geometry.displayWidth = geometry.pictureWidth;
    geometry.displayHeight = geometry.pictureHeight;
  }
  FILE* file = input.empty() || input == "-" ? stdin : std::fopen(input.c_str(), "rb");
  if (!file) {
    std::fprintf(stderr, "zelto2k-flash: cannot open %s: %s\n", input.c_str(), std::strerror(errno));
    return kExitUnreadable;
  }
  const size_t pixels = static_cast<size_t>(geometry.pictureWidth) * static_cast<size_t>(geometry.pictureHeight);
  std::vector<uint8_t> bytes(pixels * 3);
  std::vector<uint32_t> picture(pixels);
  FlashAnalyser analyser(geometry, fps);
  size_t got = 0;
  while ((got = std::fread(bytes.data(), 1, bytes.size(), file)) == bytes.size()) {
    for (size_t index = 0; index < pixels; ++index)
      picture[index] = uint32_t{bytes[index * 3]} << 16 | uint32_t{bytes[index * 3 + 1]} << 8 | bytes[index * 3 + 2];
    analyser.AddFrame(picture.data());
  }
  const bool readFailed = std::ferror(file) != 0;
  if (file != stdin) std::fclose(file);
  if (readFailed) {
    std::fprintf(stderr, "zelto2k-flash: reading the frames failed\n");
    return kExitUnreadable;
  }
  if (got != 0)
    std::fprintf(stderr, "zelto2k-flash: warning: %zu bytes at the end do not make a whole frame; ignored\n", got);
  const FlashReport& report = analyser.report();
  std::fputs(FormatFlashReport(report, {}).c_str(), stdout);
  if (!plot.empty()) {
    int32_t width = 0;
    int32_t height = 0;
    const std::vector<uint32_t> image = PlotFlashReport(report, &width, &height);
    std::string error;
    if (!WritePngFile(plot, image.data(), width, height, &error)) {
      std::fprintf(stderr, "zelto2k-flash: %s\n", error.c_str());
      return kExitUnreadable;
    }
  }
  return report.Passes() ? kExitPass : kExitOverLimit;
}

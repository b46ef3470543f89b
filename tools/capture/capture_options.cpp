// The capture program's command line.
#include "tools/capture/capture_options.h"

#include <sys/stat.h>

#include <cctype>
#include <charconv>
#include <numeric>

namespace {

// Only plain decimal digits: no sign, no spaces, no hex. Refuses values above `limit`.
bool ParseCount(std::string_view text, int64_t limit, int64_t* value) {
  if (text.empty() || text.size() > 18) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  int64_t parsed = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), parsed);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size()) return false;
  if (parsed > limit) return false;
  *value = parsed;
  return true;
}

bool EndsWithNoCase(const std::string& text, std::string_view ending) {
  if (text.size() < ending.size()) return false;
  for (size_t i = 0; i < ending.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(text[text.size() - ending.size() + i])) != ending[i])
      return false;
  return true;
}

// Seconds with at most nine decimals, at most a day: "12", "12.5", ".5".
bool ParseSeconds(std::string_view text, ExactSeconds* seconds) {
  const size_t dot = text.find('.');
  const std::string_view whole = text.substr(0, dot);
  const std::string_view fraction = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
  if (whole.empty() && fraction.empty()) return false;
  if (dot != std::string_view::npos && fraction.empty()) return false;
  if (fraction.size() > 9) return false;
  int64_t wholeValue = 0, fractionValue = 0;
  if (!whole.empty() && !ParseCount(whole, 86400, &wholeValue)) return false;
  if (!fraction.empty() && !ParseCount(fraction, 999999999, &fractionValue)) return false;
  int64_t denominator = 1;
  for (size_t i = 0; i < fraction.size(); ++i) denominator *= 10;
  seconds->numerator = wholeValue * denominator + fractionValue;
  seconds->denominator = denominator;
  return true;
}

bool TakeValue(int argc, const char* const* argv, int* index, std::string_view name,
               std::string_view inlineValue, bool hasInline, std::string* value,
               std::string* error) {
  if (hasInline) {
    *value = std::string(inlineValue);
    return true;
  }
  if (*index + 1 >= argc) {
    *error = "--" + std::string(name) + " needs a value";
    return false;
  }
  *value = argv[++*index];
  return true;
}

}  // namespace

bool ParseCapturePoint(std::string_view text, CapturePoint* point, std::string* error) {
  // Built by appending: GCC 12 at -O3 sees a false overlap (-Wrestrict) in
  // "'" + std::string(text), the literal-first operator+.
  std::string quoted(1, '\'');
  quoted.append(text).append(1, '\'');
  if (!text.empty() && (text.back() == 'f' || text.back() == 'F')) {
    int64_t frame = 0;
    if (!ParseCount(text.substr(0, text.size() - 1), int64_t{1} << 40, &frame)) {
      *error = "bad frame number " + quoted + " (write 720f for frame 720)";
      return false;
    }
    point->kind = CapturePoint::Kind::Frame;
    point->frame = frame;
    return true;
  }
  if (!text.empty() && (text.back() == 's' || text.back() == 'S')) {
    if (!ParseSeconds(text.substr(0, text.size() - 1), &point->seconds)) {
      *error = "bad time " + quoted + " (write 12.5s; at most a day, nine decimals)";
      return false;
    }
    point->kind = CapturePoint::Kind::Seconds;
    return true;
  }
  const size_t colon = text.find(':');
  int64_t order = 0, row = 0;
  const bool orderOk = ParseCount(text.substr(0, colon), 255, &order);
  const bool rowOk = colon == std::string_view::npos || ParseCount(text.substr(colon + 1), 255, &row);
  if (!orderOk || !rowOk) {
    if (text.find('.') != std::string_view::npos && colon == std::string_view::npos)
      *error = "bad point " + quoted + ": a time needs its unit, as in " + std::string(text) + "s";
    else
      *error = "bad point " + quoted + " (a song position 0..255[:row 0..255], a time 12.5s or a frame 720f)";
    return false;
  }
  point->kind = CapturePoint::Kind::Song;
  point->order = static_cast<int32_t>(order);
  point->row = static_cast<int32_t>(row);
  return true;
}

bool ParseFrameRate(std::string_view text, int32_t* numerator, int32_t* denominator,
                    std::string* error) {
  const size_t slash = text.find('/');
  int64_t top = 0, bottom = 1;
  if (!ParseCount(text.substr(0, slash), kMaxFpsTerm, &top) ||
      (slash != std::string_view::npos && !ParseCount(text.substr(slash + 1), kMaxFpsTerm, &bottom)) ||
      top == 0 || bottom == 0) {
    *error = "bad frame rate '" + std::string(text) + "' (write 60, or 60000/1001)";
    return false;
  }
  if (top < bottom || top > int64_t{kMaxFps} * bottom) {
    *error = "frame rate '" + std::string(text) + "' is outside 1 to 1000 frames per second";
    return false;
  }
  const int64_t divisor = std::gcd(top, bottom);
  *numerator = static_cast<int32_t>(top / divisor);
  *denominator = static_cast<int32_t>(bottom / divisor);
  return true;
}

bool OutputKindOf(const std::string& out, OutputKind* kind, std::string* error) {
  if (out.empty()) {
    *error = "--out needs a file or folder name";
    return false;
  }
  if (EndsWithNoCase(out, ".mp4")) {
    *kind = OutputKind::Mp4;
    return true;
  }
  if (EndsWithNoCase(out, ".mkv")) {
    *kind = OutputKind::Mkv;
    return true;
  }
  struct stat status;
  const bool isDirectory = stat(out.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
  const size_t slash = out.find_last_of('/');
  const std::string_view lastName = std::string_view(out).substr(slash == std::string::npos ? 0 : slash + 1);
  if (out.back() == '/' || isDirectory || lastName.find('.') == std::string_view::npos) {
    *kind = OutputKind::Folder;
    return true;
  }
  *error = "cannot tell what to write from '" + out +
           "': name a .mp4 or .mkv file, or a folder for PNG frames and a WAV";
  return false;
}

int64_t FrameAtSeconds(ExactSeconds seconds, int32_t fpsNumerator, int32_t fpsDenominator) {
  // seconds * fps = (n / d) * (N / D): at most 8.64e13 * 1e6 over 1e9 * 1e6, so the
  // products need more than 64 bits but the quotient does not.
  const __int128 top = static_cast<__int128>(seconds.numerator) * fpsNumerator;
  const __int128 bottom = static_cast<__int128>(seconds.denominator) * fpsDenominator;
  return static_cast<int64_t>((top + bottom - 1) / bottom);
}

bool ParseCaptureOptions(int argc, const char* const* argv, CaptureOptions* options,
                         std::string* error) {
  *options = CaptureOptions();
  bool scaleGiven = false, crfGiven = false, presetGiven = false, qualityGiven = false, outGiven = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument.substr(0, 2) != "--") {
      *error = "unexpected argument '" + std::string(argument) + "' (the output is given with --out)";
      return false;
    }
    const size_t equals = argument.find('=');
    const std::string_view name = argument.substr(2, equals == std::string_view::npos ? argument.npos : equals - 2);
    const bool hasInline = equals != std::string_view::npos;
    const std::string_view inlineValue = hasInline ? argument.substr(equals + 1) : std::string_view();
    if (name == "help" || name == "report" || name == "render-only" || name == "reduce-flashing") {
      if (hasInline) {
        *error = "--" + std::string(name) + " takes no value";
        return false;
      }
      (name == "help"     ? options->help
       : name == "report" ? options->report
       : name == "render-only" ? options->renderOnly
                               : options->reduceFlashing) = true;
      continue;
    }
    std::string value;
    if (name != "out" && name != "fps" && name != "scale" && name != "from" && name != "to" &&
        name != "crf" && name != "preset" && name != "quality" && name != "flash-report") {
      *error = "unknown option '--" + std::string(name) + "'";
      return false;
    }
    if (!TakeValue(argc, argv, &i, name, inlineValue, hasInline, &value, error)) return false;
    if (name == "out") {
      options->out = value;
      outGiven = true;
    } else if (name == "flash-report") {
      if (value.empty() || value.back() == '/' || FlashPlotName(value) == value) {
        *error = "--flash-report wants a file name for the text, such as report.txt (the plot goes beside it as .png)";
        return false;
      }
      options->flashReport = value;
    } else if (name == "fps") {
      if (!ParseFrameRate(value, &options->fpsNumerator, &options->fpsDenominator, error)) return false;
    } else if (name == "scale") {
      int64_t scale = 0;
      if (!ParseCount(value, kMaxScale, &scale) || scale < 1) {
        *error = "bad scale '" + value + "' (a whole number from 1 to 8)";
        return false;
      }
      options->scale = static_cast<int32_t>(scale);
      scaleGiven = true;
    } else if (name == "from" || name == "to") {
      if (!ParseCapturePoint(value, name == "from" ? &options->from : &options->to, error)) {
        *error = "--" + std::string(name) + ": " + *error;
        return false;
      }
    } else if (name == "crf") {
      int64_t crf = 0;
      if (!ParseCount(value, 51, &crf)) {
        *error = "bad crf '" + value + "' (0 to 51; lower is better and larger)";
        return false;
      }
      options->crf = static_cast<int32_t>(crf);
      crfGiven = true;
    } else if (name == "quality") {
      if (value != "fast" && value != "best") {
        *error = "unknown quality '" + value + "' (fast or best)";
        return false;
      }
      options->quality = value;
      qualityGiven = true;
    } else {  // preset
      static const char* const kPresets[] = {"ultrafast", "superfast", "veryfast", "faster", "fast",
                                             "medium", "slow", "slower", "veryslow"};
      bool known = false;
      for (const char* preset : kPresets) known = known || value == preset;
      if (!known) {
        *error = "unknown preset '" + value + "' (ultrafast ... medium ... veryslow)";
        return false;
      }
      options->preset = value;
      presetGiven = true;
    }
  }
  if (options->help) return true;
  if (options->renderOnly || (!options->flashReport.empty() && !outGiven)) {
    options->renderOnly = true;
    options->kind = OutputKind::None;
  } else if (!OutputKindOf(options->out, &options->kind, error)) {
    return false;
  }
  if (options->kind != OutputKind::Mp4 && (crfGiven || presetGiven || qualityGiven)) {
    *error = std::string(crfGiven ? "--crf" : presetGiven ? "--preset" : "--quality") + " applies to .mp4 output only";
    return false;
  }
  const bool best = options->quality == "best";
  if (!scaleGiven || options->kind == OutputKind::None)
    options->scale = options->kind == OutputKind::Mp4 ? (best ? 4 : 2) : 1;
  if (!presetGiven) options->preset = best ? "medium" : "veryfast";
  return true;
}

std::string FlashPlotName(const std::string& reportFile) {
  const size_t slash = reportFile.find_last_of('/');
  const size_t dot = reportFile.find_last_of('.');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
  return (hasExtension ? reportFile.substr(0, dot) : reportFile) + ".png";
}

const char* CaptureUsage() {
  return
      "Usage: zelto2k-capture [options]\n"
      "Renders the demo frame by frame with its music and writes it as a video.\n"
      "Run it where the demo runs (the build folder): it reads data/ there.\n"
      "\n"
      "  --out NAME      what to write (default zelto2k.mp4):\n"
      "                    NAME.mp4   H.264 + AAC, yuv420p, fast start (needs ffmpeg)\n"
      "                    NAME.mkv   lossless FFV1 + FLAC (needs ffmpeg)\n"
      "                    FOLDER/    frame_000000.png, frame_000001.png, ... and audio.wav\n"
      "                               (frames of an earlier capture there are removed)\n"
      "  --fps RATE      frames per second, whole or rational: 60 (default), 50, 60000/1001\n"
      "  --quality NAME  .mp4 only: fast (default: 1024 x 512, x264 veryfast, faster than\n"
      "                  real time on two cores) or best (2048 x 1024, x264 medium, the\n"
      "                  slow, sharpest encode); --scale and --preset override it\n"
      "  --scale N       whole-pixel upscale of the 512 x 256 picture, 1 to 8\n"
      "                  (default for .mp4 2 or 4 from --quality: every source pixel is a\n"
      "                  whole 2 x 2 block, so chroma subsampling loses nothing; 1 otherwise)\n"
      "  --from POINT    first frame written (default: the start)\n"
      "  --to POINT      stop before this point (default: the end of the demo)\n"
      "                  POINT is a song position 44 or 44:16 (order[:row]), a time 12.5s\n"
      "                  or a frame number 720f. The demo always runs from its start, so\n"
      "                  every frame is exactly what the demo shows there.\n"
      "  --crf N         .mp4 quality, 0 to 51 (default 18; lower is better and larger)\n"
      "  --preset NAME   .mp4 encoder speed, ultrafast to veryslow (default from --quality)\n"
      "  --render-only   render every frame but write nothing (with --report: the speed\n"
      "                  of the demo alone)\n"
      "  --flash-report FILE  the flash analyser's report of every frame captured (without\n"
      "                  --out: rendered, nothing written): per second the most transitions\n"
      "                  of light in any 10-degree field, per scene the seconds over the\n"
      "                  limit, the verdict; the plot goes beside FILE as .png\n"
      "  --reduce-flashing  the reduced-flashing mode: every picture as the demo shows it\n"
      "                  with zelto2k --reduce-flashing\n"
      "  --report        after the capture, per scene the median and worst time to render\n"
      "                  a frame (rendering alone, not writing), and the totals\n"
      "  --help          this text\n"
      "\n"
      "A progress bar is shown when the error output is a terminal. Ctrl-C stops cleanly\n"
      "and keeps a playable file of what was captured so far.\n"
      "\n"
      "Exit codes: 0 done, 1 the demo's data is missing, 2 a bad option or range,\n"
      "3 the output cannot be written, 4 ffmpeg is missing, 5 ffmpeg failed,\n"
      "130 stopped by Ctrl-C.\n";
}

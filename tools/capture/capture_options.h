// The capture program's command line: what to write, which frames, at what rate and size.
//
// Points in the demo (--from, --to) are written three ways:
//   44, 44:16   a song position, order[:row]: the first frame drawn once the music has
//               reached it (the scenes change on these, so "--from 44" is the first frame
//               of the end logo);
//   12s, 12.5s  a time in seconds: the first frame shown at or after it (frame n shows
//               n / fps exactly, so decimals are kept exact, never rounded through a double);
//   720f        a frame number, counting from 0.
// --from is inclusive and --to exclusive: "--from 20 --to 28" is the whole ball scene,
// "--to 3s" is exactly three seconds.
//
// Parsing only checks the text; whether a point exists in the song is decided once the
// song has been read (tools/capture/song_timeline.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Process exit codes of the capture program.
constexpr int kCaptureExitOk = 0;
constexpr int kCaptureExitFailed = 1;        // the demo's input is missing or unreadable
constexpr int kCaptureExitUsage = 2;         // a bad option, or a range outside the demo
constexpr int kCaptureExitNotWritable = 3;   // the output (or its folder) cannot be written
constexpr int kCaptureExitNoEncoder = 4;     // ffmpeg is needed for this output and missing
constexpr int kCaptureExitEncoderFailed = 5;  // ffmpeg stopped with an error
constexpr int kCaptureExitInterrupted = 130;  // Ctrl-C: what was captured so far is kept

enum class OutputKind : uint8_t {
  Mp4,     // H.264 yuv420p + AAC, fast start, through ffmpeg
  Mkv,     // lossless FFV1 + FLAC, through ffmpeg
  Folder,  // numbered PNG frames and a WAV, written here without any other program
  None,    // --render-only: every frame rendered, nothing written (for --report)
};

// An exact decimal number of seconds: numerator / denominator, the denominator a power of 10.
struct ExactSeconds {
  int64_t numerator = 0;
  int64_t denominator = 1;
};

struct CapturePoint {
  enum class Kind : uint8_t { DemoStart, DemoEnd, Frame, Seconds, Song };
  Kind kind = Kind::DemoStart;
  int64_t frame = 0;        // Frame
  ExactSeconds seconds;     // Seconds
  int32_t order = 0;        // Song
  int32_t row = 0;          // Song
};

inline CapturePoint StartOfDemo() { return CapturePoint(); }
inline CapturePoint EndOfDemo() {
  CapturePoint point;
  point.kind = CapturePoint::Kind::DemoEnd;
  return point;
}

struct CaptureOptions {
  std::string out = "zelto2k.mp4";
  OutputKind kind = OutputKind::Mp4;
  int32_t fpsNumerator = 60;  // reduced: 60000/1001 stays 60000/1001, 120/2 becomes 60/1
  int32_t fpsDenominator = 1;
  int32_t scale = 2;          // .mp4: 2 (fast) or 4 (best); 1 otherwise, unless given
  CapturePoint from = StartOfDemo();
  CapturePoint to = EndOfDemo();
  int32_t crf = 18;           // .mp4 only
  std::string preset = "veryfast";  // .mp4 only: the x264 speed/size trade-off, from the quality
  // .mp4 only: "fast" (1024 x 512, x264 veryfast: faster than real time on two cores) or
  // "best" (2048 x 1024, x264 medium: several times slower); --scale and --preset override it.
  std::string quality = "fast";
  bool report = false;
  bool help = false;
  bool renderOnly = false;
  bool reduceFlashing = false;  // the pictures shown through the flash limiter
  // The flash analyser's report of the frames written (or, without --out, rendered): the
  // text to this file, the plot beside it with the extension .png.
  std::string flashReport;
};

// Limits that keep every frame and sample count far inside 64 bits.
constexpr int32_t kMaxScale = 8;
constexpr int32_t kMaxFpsTerm = 1000000;  // numerator and denominator of --fps
constexpr int32_t kMaxFps = 1000;

// Parses argv[1..argc-1]. On failure returns false with a one-line reason in *error;
// options is then unspecified. "--name value" and "--name=value" are both accepted.
bool ParseCaptureOptions(int argc, const char* const* argv, CaptureOptions* options,
                         std::string* error);

// The pieces, for tests.
bool ParseCapturePoint(std::string_view text, CapturePoint* point, std::string* error);
bool ParseFrameRate(std::string_view text, int32_t* numerator, int32_t* denominator,
                    std::string* error);
// .mp4 and .mkv by their ending (any case); a name ending in '/', an existing directory or a
// name without an extension is a folder; anything else is refused.
bool OutputKindOf(const std::string& out, OutputKind* kind, std::string* error);

// The frame at which a time in seconds is first reached: ceil(seconds * fps), exactly.
int64_t FrameAtSeconds(ExactSeconds seconds, int32_t fpsNumerator, int32_t fpsDenominator);

// Where --flash-report's plot goes: the report's name with its extension replaced by .png.
std::string FlashPlotName(const std::string& reportFile);

// The --help text.
const char* CaptureUsage();

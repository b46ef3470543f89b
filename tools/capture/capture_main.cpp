// zelto2k-capture: runs the demo on the offline backend and writes every frame it presents,
// with the music of that frame, to a video file or a folder of PNG frames and a WAV.
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/demo.h"
#include "app/display.h"
#include "app/music.h"
#include "core/fatal_error.h"
#include "core/frame_buffer.h"
#include "platform/offline.h"
#include "tools/capture/capture_options.h"
#include "tools/capture/capture_output.h"
#include "tools/capture/child_program.h"
#include "tools/capture/png_writer.h"
#include "tools/capture/progress_bar.h"
#include "tools/capture/render_report.h"
#include "tools/capture/song_timeline.h"
#include "tools/flash/flash_analysis.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kModuleFile = "data/mowt.xm";
// Neither the song look-ahead nor a capture goes beyond this, so the WAV stays far below
// its 4 GB and a song that never reaches the end order is noticed in seconds.
constexpr int64_t kMaxCaptureSeconds = 3600;

volatile sig_atomic_t StopRequested = 0;

// The first Ctrl-C asks for a clean stop; the handler is then reset, so a second one ends
// the program at once.
void OnStopSignal(int) { StopRequested = 1; }

double SecondsBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

// Render times are the processor time of the demo's thread: on a shared machine the wall
// clock would also count the time other programs, ffmpeg included, hold the processor.
double ThreadSeconds() {
  timespec now;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

struct Capture {
  CaptureOptions options;
  SongTimeline timeline;
  int64_t firstFrame = 0;  // frames [firstFrame, endFrame) are written
  int64_t endFrame = 0;
  std::unique_ptr<CaptureOutput> output;
  std::unique_ptr<ProgressBar> progress;
  std::unique_ptr<FlashAnalyser> flash;  // with --flash-report
  std::vector<uint32_t> scaled;
  RenderReport report;
  Clock::time_point start;
  double lastMark = 0.0;  // ThreadSeconds when the capture's own work last ended
  double pendingRender = 0.0;  // demo time since the last frame, outside the capture's work
  double renderSeconds = 0.0;
  int64_t framesRendered = 0;
  int64_t currentFrame = -1;
  bool warnedTimeline = false;
  bool finished = false;
};

// The capture the callbacks and the exit handler work on. It points at main's capture only
// while that object is alive: EndProcess from inside the demo leaves main's locals in place,
// and a return from main clears it (CapturePublished) before the capture is destroyed and
// the exit handlers run.
Capture* TheCapture = nullptr;

class CapturePublished {
 public:
  explicit CapturePublished(Capture* capture) { TheCapture = capture; }
  ~CapturePublished() { TheCapture = nullptr; }
  CapturePublished(const CapturePublished&) = delete;
  CapturePublished& operator=(const CapturePublished&) = delete;
};

int Fail(int exitCode, const std::string& message) {
  std::fprintf(stderr, "zelto2k-capture: %s\n", message.c_str());
  return exitCode;
}

// The frames the flash limiter and analyser take for a second: a rate such as 60000/1001
// counts a whole frame more, never less.
int32_t FramesInASecond(const CaptureOptions& options) {
  return (options.fpsNumerator + options.fpsDenominator - 1) / options.fpsDenominator;
}

// Writes --flash-report's text and plot and prints the verdict; false with a reason.
bool WriteFlashReport(const Capture& capture, std::string* error) {
  std::vector<std::string> sceneNames;
  for (int scene = 0; scene < kTimelineSceneCount; ++scene) sceneNames.emplace_back(SceneName(scene));
  const FlashReport& report = capture.flash->report();
  const std::string text = FormatFlashReport(report, sceneNames);
  const std::string& name = capture.options.flashReport;
  FILE* file = std::fopen(name.c_str(), "wb");
  const bool written = file && std::fwrite(text.data(), 1, text.size(), file) == text.size();
  if (file && std::fclose(file) != 0) file = nullptr;
  if (!written || !file) {
    *error = "cannot write the flash report " + name;
    return false;
  }
  int32_t width = 0;
  int32_t height = 0;
  const std::vector<uint32_t> plot = PlotFlashReport(report, &width, &height);
  if (!WritePngFile(FlashPlotName(name), plot.data(), width, height, error)) return false;
  const size_t verdict = text.rfind('\n', text.size() - 2);
  std::printf("flash report in %s and %s: %s", name.c_str(), FlashPlotName(name).c_str(),
              text.c_str() + (verdict == std::string::npos ? 0 : verdict + 1));
  return true;
}

// After the demo ended, the last frame was written, a Ctrl-C or a failure: completes (or,
// after a failure, abandons) the output and prints what was done. Returns the exit code.
int Complete(Capture& capture, int reason, const std::string& failure = "") {
  capture.finished = true;
  if (capture.progress) capture.progress->Finish();
  if (reason != kCaptureExitOk && reason != kCaptureExitInterrupted) {
    capture.output->Abandon();
    return Fail(reason, failure);
  }
  std::string error;
  if (reason == kCaptureExitInterrupted && capture.output->framesWritten() == 0) {
    capture.output->Abandon();
    return Fail(reason, "stopped before the first frame to capture; nothing was written");
  }
  const int finishCode = capture.output->Finish(&error);
  if (finishCode != kCaptureExitOk) {
    capture.output->Abandon();
    return Fail(finishCode, error);
  }
  if (capture.flash && !WriteFlashReport(capture, &error)) return Fail(kCaptureExitNotWritable, error);
  const CaptureOptions& options = capture.options;
  const int64_t written = capture.output->framesWritten();
  const double seconds = static_cast<double>(written) * options.fpsDenominator / options.fpsNumerator;
  const std::string what = reason == kCaptureExitInterrupted ? "stopped early, kept in " + options.out
                           : options.renderOnly                ? std::string("rendered without writing")
                                                               : "wrote " + options.out;
  std::printf("%s: %lld frames from frame %lld (%.3f s at %d/%d fps), %d x %d\n", what.c_str(),
              static_cast<long long>(written), static_cast<long long>(capture.firstFrame), seconds,
              options.fpsNumerator, options.fpsDenominator, kFrameWidth * options.scale,
              kFrameHeight * options.scale);
  if (options.report) {
    CaptureTotals totals;
    totals.framesRendered = capture.framesRendered;
    totals.framesWritten = written;
    totals.fpsNumerator = options.fpsNumerator;
    totals.fpsDenominator = options.fpsDenominator;
    totals.renderSeconds = capture.renderSeconds;
    totals.wallSeconds = SecondsBetween(capture.start, Clock::now());
    std::fputs(capture.report.Format(totals).c_str(), stdout);
  }
  std::fflush(stdout);
  return reason;
}

// The capture ends from inside the demo's presentation: nothing after this frame matters.
[[noreturn]] void CompleteAndExit(Capture& capture, int reason, const std::string& failure = "") {
  const int code = Complete(capture, reason, failure);
  std::fflush(stdout);
  std::fflush(stderr);
  EndProcess(code);
}

// The demo ending some other way (FatalError): the output cannot be completed.
void AbandonAtExit() {
  if (TheCapture && !TheCapture->finished && TheCapture->output) {
    if (TheCapture->progress) TheCapture->progress->Finish();
    TheCapture->output->Abandon();
  }
}

void MarkCaptureWork(Capture& capture) {
  const double now = ThreadSeconds();
  capture.pendingRender += now - capture.lastMark;
  capture.lastMark = now;
}

void OnFrame(const platform::OfflineFrame& frame) {
  Capture& capture = *TheCapture;
  MarkCaptureWork(capture);
  const int32_t position = MusicPosition.load(std::memory_order_relaxed);
  capture.report.Add(SceneAt(position), capture.pendingRender);
  capture.renderSeconds += capture.pendingRender;
  capture.pendingRender = 0.0;
  ++capture.framesRendered;
  capture.currentFrame = frame.index;
  if (!capture.warnedTimeline && frame.index < static_cast<int64_t>(capture.timeline.seen.size()) &&
      capture.timeline.seen[static_cast<size_t>(frame.index)].order != position) {
    capture.warnedTimeline = true;
    std::fprintf(stderr, "zelto2k-capture: warning: at frame %lld the music is at %d, not %d as "
                 "worked out beforehand; song positions given to --from/--to may be off\n",
                 static_cast<long long>(frame.index), position,
                 capture.timeline.seen[static_cast<size_t>(frame.index)].order);
  }
  if (frame.index >= capture.firstFrame && frame.index < capture.endFrame) {
    if (capture.flash) capture.flash->AddFrame(frame.picture, SceneAt(position));
    const uint32_t* pixels = frame.picture;
    if (capture.options.scale > 1) {
      ScaleNearest(frame.picture, kFrameWidth, kFrameHeight, capture.options.scale, capture.scaled.data());
      pixels = capture.scaled.data();
    }
    std::string error;
    if (!capture.output->WriteFrame(pixels, &error))
      CompleteAndExit(capture, capture.options.kind == OutputKind::Folder ? kCaptureExitNotWritable
                                                                           : kCaptureExitEncoderFailed,
                      error);
  }
  capture.lastMark = ThreadSeconds();
}

void OnAudio(const int16_t* samples, int32_t frames) {
  Capture& capture = *TheCapture;
  MarkCaptureWork(capture);  // the backend rendered this frame's music: demo time
  const int64_t frame = capture.currentFrame;
  if (frame >= capture.firstFrame && frame < capture.endFrame) {
    std::string error;
    if (!capture.output->WriteAudio(samples, frames, &error))
      CompleteAndExit(capture, kCaptureExitNotWritable, error);
  }
  const size_t next = static_cast<size_t>(frame + 1);
  const SongPosition position = next < capture.timeline.seen.size()
                                    ? capture.timeline.seen[next]
                                    : SongPosition{MusicPosition.load(std::memory_order_relaxed), 0};
  capture.progress->Update(frame, position, SceneName(SceneAt(MusicPosition.load(std::memory_order_relaxed))));
  // The demo would go on, but nothing after this frame is wanted.
  if (frame + 1 >= capture.endFrame && capture.endFrame != capture.timeline.demoFrames)
    CompleteAndExit(capture, kCaptureExitOk);
  if (StopRequested) CompleteAndExit(capture, kCaptureExitInterrupted);
  capture.lastMark = ThreadSeconds();
}

// The frame at which `point` is, or -1 with a reason.
int64_t ResolvePoint(const Capture& capture, const CapturePoint& point, const char* name,
                     std::string* error) {
  const CaptureOptions& options = capture.options;
  switch (point.kind) {
    case CapturePoint::Kind::DemoStart: return 0;
    case CapturePoint::Kind::DemoEnd: return capture.timeline.demoFrames;
    case CapturePoint::Kind::Frame: return point.frame;
    case CapturePoint::Kind::Seconds:
      return FrameAtSeconds(point.seconds, options.fpsNumerator, options.fpsDenominator);
    case CapturePoint::Kind::Song: {
      const int64_t frame = FirstFrameAtSong(capture.timeline, point.order, point.row);
      if (frame < 0)
        *error = std::string(name) + ": the music does not reach " + std::to_string(point.order) + ":" +
                 std::to_string(point.row) + " before the demo ends";
      return frame;
    }
  }
  return -1;
}

int64_t ExplicitFrame(const CapturePoint& point, const CaptureOptions& options) {
  if (point.kind == CapturePoint::Kind::Frame) return point.frame;
  if (point.kind == CapturePoint::Kind::Seconds)
    return FrameAtSeconds(point.seconds, options.fpsNumerator, options.fpsDenominator);
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  Capture capture;
  std::string error;
  if (!ParseCaptureOptions(argc, argv, &capture.options, &error))
    return Fail(kCaptureExitUsage, error + "\nTry 'zelto2k-capture --help'.");
  const CaptureOptions& options = capture.options;
  if (options.help) {
    std::fputs(CaptureUsage(), stdout);
    return kCaptureExitOk;
  }

  OutputSettings settings;
  if (options.kind == OutputKind::Mp4 || options.kind == OutputKind::Mkv) {
    settings.ffmpeg = FindOnPath("ffmpeg");
    if (settings.ffmpeg.empty())
      return Fail(kCaptureExitNoEncoder,
                  "ffmpeg is needed for ." + std::string(options.kind == OutputKind::Mp4 ? "mp4" : "mkv") +
                      " output and was not found on PATH.\nInstall it (Debian: apt-get install ffmpeg), "
                      "or capture to a folder without it: --out frames/ writes numbered PNG frames "
                      "and a WAV.");
  }

  // Where the capture starts and stops, from the music alone.
  const int64_t maxFrames = kMaxCaptureSeconds * options.fpsNumerator / options.fpsDenominator;
  const int64_t toFrame = ExplicitFrame(options.to, options);
  if (toFrame > maxFrames || ExplicitFrame(options.from, options) > maxFrames)
    return Fail(kCaptureExitUsage, "a capture stops within an hour of the demo's start");
  if (!BuildSongTimeline(kModuleFile, options.fpsNumerator, options.fpsDenominator,
                         toFrame >= 0 ? toFrame : maxFrames, &capture.timeline, &error))
    return Fail(kCaptureExitFailed, error);
  const int64_t demoFrames = capture.timeline.demoFrames;
  if (options.to.kind == CapturePoint::Kind::DemoEnd && demoFrames < 0)
    return Fail(kCaptureExitUsage, "the music does not reach order " + std::to_string(kDemoEndOrder) +
                                       " within an hour, so the demo would not end: give --to");
  capture.firstFrame = ResolvePoint(capture, options.from, "--from", &error);
  capture.endFrame = ResolvePoint(capture, options.to, "--to", &error);
  if (capture.firstFrame < 0 || capture.endFrame < 0) return Fail(kCaptureExitUsage, error);
  if (demoFrames >= 0 && capture.endFrame > demoFrames) capture.endFrame = demoFrames;
  if (demoFrames >= 0 && capture.firstFrame >= demoFrames)
    return Fail(kCaptureExitUsage, "--from is past the end of the demo (" + std::to_string(demoFrames) +
                                       " frames at this rate)");
  if (capture.firstFrame >= capture.endFrame)
    return Fail(kCaptureExitUsage, "nothing to capture: --from (frame " + std::to_string(capture.firstFrame) +
                                       ") is not before --to (frame " + std::to_string(capture.endFrame) + ")");

  settings.out = options.out;
  settings.kind = options.kind;
  settings.width = kFrameWidth * options.scale;
  settings.height = kFrameHeight * options.scale;
  settings.fpsNumerator = options.fpsNumerator;
  settings.fpsDenominator = options.fpsDenominator;
  settings.crf = options.crf;
  settings.preset = options.preset;
  // From here on a Ctrl-C only asks for a stop, so the output is never left half made.
  signal(SIGPIPE, SIG_IGN);  // a stopped ffmpeg shows as a failed write instead
  struct sigaction stop = {};
  stop.sa_handler = OnStopSignal;
  stop.sa_flags = SA_RESETHAND | SA_RESTART;
  sigemptyset(&stop.sa_mask);
  sigaction(SIGINT, &stop, nullptr);
  sigaction(SIGTERM, &stop, nullptr);
  sigaction(SIGHUP, &stop, nullptr);
  int exitCode = kCaptureExitOk;
  capture.output = OpenCaptureOutput(settings, &exitCode, &error);
  if (!capture.output) return Fail(exitCode, error);
  if (!options.flashReport.empty()) {
    FlashGeometry geometry;  // the picture in the middle of the 512 x 384 display
    geometry.pictureWidth = kFrameWidth;
    geometry.pictureHeight = kFrameHeight;
    capture.flash = std::make_unique<FlashAnalyser>(geometry, FramesInASecond(options));
  }
  if (options.scale > 1) capture.scaled.resize(static_cast<size_t>(settings.width) * settings.height);
  capture.progress = std::make_unique<ProgressBar>(isatty(STDERR_FILENO) != 0, capture.firstFrame, capture.endFrame);
  const CapturePublished published(&capture);
  std::atexit(AbandonAtExit);

  platform::OfflineSettings offline;
  offline.fpsNumerator = options.fpsNumerator;
  offline.fpsDenominator = options.fpsDenominator;
  offline.frameSink = OnFrame;
  offline.audioSink = OnAudio;
  platform::OfflineReset(offline);
  if (options.reduceFlashing) SetFlashLimit(FramesInASecond(options));
  capture.start = Clock::now();
  capture.lastMark = ThreadSeconds();
  DemoMain();
  return Complete(capture, StopRequested ? kCaptureExitInterrupted : kCaptureExitOk);
}

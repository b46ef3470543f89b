// zelto2k-sync: plays the real-time demo under its own Xvfb and PulseAudio null sink and
// measures how far the picture is from the sound at every scene change and every flash of
// the end logo.
//
// The picture's side is the demo's own present log (the monotonic clock right after each
// present, on a display without a compositor); the sound's side is the sink's monitor with
// PulseAudio's timing of when each sample was played. Both are on one clock, so no
// recorder needs calibrating. Run from the build folder (it plays ./zelto2k on data/).
// Exit codes: 0 done (and within --limit-ms), 1 an offset over the limit or an event not
// found, 2 bad option, 3 the demo, the display or the sound server could not run.
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "scenes/scene_table.h"
#include "tools/capture/child_program.h"
#include "tools/capture/wav_writer.h"
#include "tools/module_probe/module_probe.h"
#include "tools/sync_probe/sound_recorder.h"
#include "tools/sync_probe/sync_analysis.h"

namespace {

constexpr int32_t kRate = SoundRecorder::kRate;
// An inverted end logo frame is mostly white; the plain logo on black is dark.
constexpr double kFlashLevel = 100.0;
// The end logo flashes on the crash that opens every eighth order from the fifth on.
constexpr int32_t kFirstFlashOrder = SceneEnd(kRotozoomScene) + 4, kFlashOrderStep = 8;

const char kUsage[] =
    "usage: zelto2k-sync [--scene-changes N] [--limit-ms MS] [--keep FOLDER]\n"
    "  Plays ./zelto2k under its own Xvfb and PulseAudio null sink and prints, for each scene\n"
    "  change and each end logo flash, when the picture showed it less when the sound played it.\n"
    "  --scene-changes N  stop after the first N scene changes (1..6), flashes not measured;\n"
    "                     default: the whole demo, every scene change and flash\n"
    "  --limit-ms MS      exit with 1 if any offset is larger than MS milliseconds\n"
    "  --keep FOLDER      keep the sink's recording (sound.wav), the present log and the logs\n";

struct Options {
  int sceneChanges = kSceneCount;
  bool flashes = true;
  double limitMilliseconds = -1;
  std::string keep;
};

bool ParseOptions(int argc, char** argv, Options* options) {
  for (int i = 1; i < argc; i += 2) {  // every option takes a value
    const std::string option = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    if (!value) return false;
    if (option == "--scene-changes") {
      options->sceneChanges = std::atoi(value);
      options->flashes = false;
      if (options->sceneChanges < 1 || options->sceneChanges > kSceneCount) return false;
    } else if (option == "--limit-ms") {
      options->limitMilliseconds = std::atof(value);
      if (!(options->limitMilliseconds > 0)) return false;
    } else if (option == "--keep") {
      options->keep = value;
    } else {
      return false;
    }
  }
  return true;
}

bool WaitForPath(const std::string& path, double seconds) {
  for (double waited = 0; waited < seconds; waited += 0.05) {
    if (access(path.c_str(), F_OK) == 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

// Whether the child has ended, without reaping it (ChildProgram::Wait does).
bool Ended(const ChildProgram& child) {
  siginfo_t info{};
  return !child.running() || (waitid(P_PID, static_cast<id_t>(child.pid()), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
                              info.si_pid == child.pid());
}

// Asks the child to end (Xvfb then takes its lock and socket away), and kills it if it
// has not ended within two seconds.
void Stop(ChildProgram& child) {
  if (!child.running()) return;
  kill(child.pid(), SIGTERM);
  for (int i = 0; i < 40 && !Ended(child); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  child.Kill();  // reaps it, killing it only if it is still there
}

// Everything the run starts, stopped in reverse order however it ends.
struct Session {
  std::string folder;
  ChildProgram display, soundServer, demo;
  SoundRecorder recorder;
  ~Session() {
    Stop(demo);
    recorder.Stop();
    Stop(soundServer);
    Stop(display);
    if (!folder.empty()) std::filesystem::remove_all(folder);
  }
};

struct Event {
  std::string name;
  int32_t order = 0;
  bool flash = false;
  double sound = NAN, report = NAN, picture = NAN;  // monotonic seconds
};

int Fail(const std::string& message, int code) {
  std::fprintf(stderr, "zelto2k-sync: %s\n", message.c_str());
  return code;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (!ParseOptions(argc, argv, &options)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::vector<uint8_t> module;
  if (!ReadModuleFile("data/mowt.xm", &module) || access("./zelto2k", X_OK) != 0)
    return Fail("run me from the build folder: it needs ./zelto2k and data/mowt.xm", 3);
  // The module as libopenmpt renders it, and where its orders start.
  const std::vector<float> reference = MonoOf(RenderModule(module, kRate));
  std::vector<int64_t> orderFrames;
  for (const RenderedRowStart& start : RenderRowStarts(module, kRate))
    if (start.row == 0 && start.order == static_cast<int>(orderFrames.size())) orderFrames.push_back(start.frame + kRowStartStep / 2);
  if (reference.empty() || orderFrames.size() < static_cast<size_t>(kEndLogoEndPosition))
    return Fail("data/mowt.xm does not play through libopenmpt", 3);

  std::vector<Event> events;
  for (int scene = 0; scene < options.sceneChanges; ++scene)
    events.push_back({std::string("scene change to ") + (scene + 1 < kSceneCount ? kSceneTable[scene + 1].name : kEndLogoName),
                      SceneEnd(static_cast<SceneIndex>(scene))});
  if (options.flashes)
    for (int32_t order = kFirstFlashOrder; order < kEndLogoEndPosition; order += kFlashOrderStep)
      events.push_back({"end logo flash", order, true});

  Session session;
  char folderTemplate[] = "/tmp/zelto2k-sync-XXXXXX";
  if (!mkdtemp(folderTemplate)) return Fail("cannot make a temporary folder", 3);
  session.folder = folderTemplate;
  const std::string folder = session.folder;
  std::string error;

  // A display of our own.
  int display = 90;
  while (display < 200 && (access(("/tmp/.X11-unix/X" + std::to_string(display)).c_str(), F_OK) == 0 ||
                           access(("/tmp/.X" + std::to_string(display) + "-lock").c_str(), F_OK) == 0))
    ++display;
  const std::string displayName = ":" + std::to_string(display);
  if (!session.display.Start({"Xvfb", displayName, "-screen", "0", "1024x768x24", "-nolisten", "tcp"}, false,
                             folder + "/xvfb.log", &error) ||
      !WaitForPath("/tmp/.X11-unix/X" + std::to_string(display), 10))
    return Fail("Xvfb did not start: " + error, 3);

  // A sound server of our own with a null sink at the demo's rate.
  const std::string socket = folder + "/pulse-socket", server = "unix:" + socket;
  setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
  setenv("HOME", folder.c_str(), 1);
  setenv("PULSE_SERVER", server.c_str(), 1);
  if (!session.soundServer.Start({"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                                  "--log-target=stderr", "-L", "module-null-sink sink_name=zelto_sync rate=48000",
                                  "-L", "module-native-protocol-unix auth-anonymous=1 socket=" + socket},
                                 false, folder + "/pulseaudio.log", &error) ||
      !WaitForPath(socket, 10))
    return Fail("pulseaudio did not start: " + error, 3);
  bool recording = false;
  for (int attempt = 0; attempt < 20 && !(recording = session.recorder.Start(server, "zelto_sync.monitor", &error)); ++attempt)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  if (!recording) return Fail(error, 3);

  // The demo, as a viewer runs it, with its present log.
  const std::string presentLog = folder + "/presents.txt";
  setenv("DISPLAY", displayName.c_str(), 1);
  setenv("SDL_AUDIODRIVER", "pulseaudio", 1);
  setenv("ZELTO_PRESENT_LOG", presentLog.c_str(), 1);
  unsetenv("SDL_VIDEODRIVER");
  unsetenv("WAYLAND_DISPLAY");
  if (!session.demo.Start({"./zelto2k"}, false, folder + "/demo.log", &error)) return Fail(error, 3);
  const auto started = std::chrono::steady_clock::now();
  // Long enough for the last event, its start-up and a loaded machine.
  const double lastEvent = static_cast<double>(orderFrames[static_cast<size_t>(events.back().order)]) / kRate;
  const double deadline = lastEvent + (options.flashes ? 30.0 : 6.0);
  int demoExit = -2;
  while (std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count() < deadline) {
    if (Ended(session.demo)) {
      demoExit = session.demo.Wait();
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  Stop(session.demo);
  session.recorder.Stop();
  std::printf("zelto2k-sync: played %.1f s%s\n",
              std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count(),
              demoExit == -2 ? " (stopped after the last event)" : "");

  std::ifstream logFile(presentLog);
  std::stringstream logText;
  logText << logFile.rdbuf();
  std::vector<Present> presents;
  if (!ParsePresentLog(logText.str(), &presents, &error)) return Fail(error, 1);
  const std::vector<float> recorded = MonoOf(session.recorder.samples());
  if (!options.keep.empty()) {
    std::filesystem::create_directories(options.keep);
    WavWriter wav;
    const std::vector<int16_t>& samples = session.recorder.samples();
    if (!wav.Open(options.keep + "/sound.wav", &error) ||
        !wav.Append(samples.data(), static_cast<int32_t>(samples.size() / 2), &error) || !wav.Close(&error))
      std::fprintf(stderr, "zelto2k-sync: %s\n", error.c_str());
    std::error_code ignored;  // a log that was never written is left out
    for (const char* name : {"presents.txt", "demo.log", "pulseaudio.log"})
      std::filesystem::copy_file(folder + "/" + name, options.keep + "/" + name,
                                 std::filesystem::copy_options::overwrite_existing, ignored);
  }

  // The sound: each event's order found in the recording, from the music's first sound on.
  const int64_t referenceStart = FirstSound(reference, 1e-3f), recordedStart = FirstSound(recorded, 1e-3f);
  if (referenceStart < 0 || recordedStart < 0 || presents.empty())
    return Fail(presents.empty() ? "the demo presented nothing" : "the sink played no music", 1);
  const std::vector<int64_t> lags = FollowMusic(reference, recorded, recordedStart - referenceStart, kRate);
  for (Event& event : events) {
    const int64_t at = orderFrames[static_cast<size_t>(event.order)];
    const size_t nearest = std::min(static_cast<size_t>((at + kRate / 4) / (kRate / 2)), lags.size() - 1);
    const int64_t found = Locate(reference, at, recorded, at + lags[nearest], kRate / 2, kRate);
    if (found >= 0) event.sound = PlayedAt(session.recorder.clock(), kRate, found);
  }
  // The picture: the first frame of the part, or the middle of the flash burst nearest.
  for (Event& event : events) {
    event.report = ReportedAt(presents, event.order);
    if (!event.flash) {
      event.picture = FirstFrameAt(presents, event.order);
      continue;
    }
    if (std::isnan(event.sound)) continue;
    for (const auto& [first, last] : BrightRuns(presents, event.sound - 1.0, event.sound + 1.0, kFlashLevel))
      if (std::isnan(event.picture) || std::abs((first + last) / 2 - event.sound) < std::abs(event.picture - event.sound))
        event.picture = (first + last) / 2;
  }

  const double origin = PlayedAt(session.recorder.clock(), kRate, recordedStart);
  std::printf("%-30s %5s %9s %13s %14s\n", "event", "order", "sound (s)", "report (ms)", "picture (ms)");
  std::vector<double> offsets, reports;
  bool missing = false;
  for (const Event& event : events) {
    const double offset = event.picture - event.sound, report = event.report - event.sound;
    if (std::isnan(offset)) {
      std::printf("%-30s %5d %9s %13s %14s\n", event.name.c_str(), event.order, "-", "-", "not found");
      missing = true;
      continue;
    }
    offsets.push_back(offset);
    if (!std::isnan(report)) reports.push_back(report);
    std::printf("%-30s %5d %9.3f %+13.1f %+14.1f\n", event.name.c_str(), event.order, event.sound - origin,
                report * 1000, offset * 1000);
  }
  std::printf("(report: when the demo was told of the order, picture: when it showed it; both less when the sink\n"
              " played its first sound; sound from the music's first sound; %zu presents, %zu clock points)\n",
              presents.size(), session.recorder.clock().size());
  if (offsets.empty()) return Fail("no event found on both sides", 1);
  if (!reports.empty()) {
    const OffsetSummary reported = Summarise(reports);
    std::printf("report less sound: median %+.1f ms, worst |offset| %.1f ms\n", reported.median * 1000,
                reported.worstAbsolute * 1000);
  }
  const OffsetSummary summary = Summarise(offsets);
  std::printf("picture less sound: median %+.1f ms, median |offset| %.1f ms, worst |offset| %.1f ms over %zu events\n",
              summary.median * 1000, summary.medianAbsolute * 1000, summary.worstAbsolute * 1000, offsets.size());
  if (missing) return 1;
  if (options.limitMilliseconds > 0 && summary.worstAbsolute * 1000 > options.limitMilliseconds) {
    std::printf("an offset is over the limit of %.0f ms\n", options.limitMilliseconds);
    return 1;
  }
  return 0;
}

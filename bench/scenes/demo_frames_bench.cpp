// The whole demo at 60 frames per second through the offline backend: the time to render
// it all, and the median and worst frame time of each scene.
//
// Runs the real data (build/data, with its music) from the build folder. A frame's time
// is the main thread's CPU time from the end of one presented frame to the end of the
// next (the offline backend does everything on that thread), so it holds the scene's
// drawing, the presentation and the offline rendering of that frame's audio, and does
// not count time lost to other processes. The whole run is reported in wall time (the
// benchmark's Time) and in CPU time (cpu_seconds).
// The first frame of each scene, which also holds the loading of its assets, is reported
// on its own (<scene>_first_ms); median and worst are over the other frames.
// With ZELTO_DUMP_FRAMES=<folder> every ZELTO_DUMP_EVERY-th frame (default 60) is written
// there as raw 512 x 256 BGRA (convert -size 512x256 -depth 8 bgra:frame.bgra frame.png).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/demo.h"
#include "app/music.h"
#include "core/frame_buffer.h"
#include "platform/offline.h"
#include "scenes/scene_table.h"

namespace {

// The six scenes, the end logo counted apart from the rotozoom it follows.
constexpr int kSegmentCount = kSceneCount + 1;
constexpr int32_t SegmentEnd(int segment) {
  return segment < kSceneCount ? kSceneTable[segment].endPosition : kEndLogoEndPosition;
}
// The name in counter and file names: the scene's, with underscores for spaces.
std::string SegmentName(int segment) {
  std::string name = segment < kSceneCount ? kSceneTable[segment].name : kEndLogoName;
  std::replace(name.begin(), name.end(), ' ', '_');
  return name;
}

double ThreadMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) * 1e-6;
}

struct FrameLog {
  double last = 0.0;
  std::vector<double> milliseconds[kSegmentCount];
  int segment = 0;
  const char* dumpFolder = nullptr;
  int64_t dumpEvery = 60;
};

FrameLog* frameLog = nullptr;

void TimeFrame(const platform::OfflineFrame& frame) {
  FrameLog& log = *frameLog;
  const double now = ThreadMilliseconds();
  // The backend moves the song on after this call: the position now is the one the
  // scene read before drawing this frame, which decided the scene that drew it.
  const int32_t position = MusicPosition.load();
  while (log.segment < kSegmentCount - 1 && position >= SegmentEnd(log.segment)) ++log.segment;
  log.milliseconds[log.segment].push_back(now - log.last);
  if (log.dumpFolder != nullptr && frame.index % log.dumpEvery == 0) {
    char name[512];
    std::snprintf(name, sizeof name, "%s/%s_%05lld.bgra", log.dumpFolder, SegmentName(log.segment).c_str(),
                  static_cast<long long>(frame.index));
    if (std::FILE* file = std::fopen(name, "wb")) {
      std::fwrite(frame.picture, 4, kFramePixels, file);
      std::fclose(file);
    }
  }
  log.last = ThreadMilliseconds();  // the dump is not part of the next frame
}

void BM_WholeDemo(benchmark::State& state) {
  std::filesystem::current_path(ZELTO_BENCH_RUN_DIR);
  FrameLog log;
  log.dumpFolder = std::getenv("ZELTO_DUMP_FRAMES");
  if (const char* every = std::getenv("ZELTO_DUMP_EVERY")) log.dumpEvery = std::max(1L, std::atol(every));
  for (auto _ : state) {
    log = FrameLog{0.0, {}, 0, log.dumpFolder, log.dumpEvery};
    ResetDemoState();
    platform::OfflineSettings settings;
    settings.frameSink = TimeFrame;
    platform::OfflineReset(settings);
    frameLog = &log;
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = ThreadMilliseconds();
    log.last = cpuStart;
    const int exitCode = DemoMain();
    const auto end = std::chrono::steady_clock::now();
    state.counters["cpu_seconds"] = (ThreadMilliseconds() - cpuStart) / 1000.0;
    frameLog = nullptr;
    if (exitCode != 0) state.SkipWithError("the demo did not end normally");
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
  }
  size_t frames = 0;
  for (int segment = 0; segment < kSegmentCount; ++segment) {
    std::vector<double>& times = log.milliseconds[segment];
    frames += times.size();
    if (times.empty()) continue;
    const std::string name = SegmentName(segment);
    state.counters[name + "_frames"] = static_cast<double>(times.size());
    // The first frame of a scene also holds the loading of its assets: reported apart.
    state.counters[name + "_first_ms"] = times.front();
    if (times.size() > 1) times.erase(times.begin());
    std::sort(times.begin(), times.end());
    state.counters[name + "_median_ms"] = times[times.size() / 2];
    state.counters[name + "_worst_ms"] = times.back();
  }
  state.counters["frames"] = static_cast<double>(frames);
  state.counters["demo_seconds_at_60fps"] = static_cast<double>(frames) / 60.0;
}
BENCHMARK(BM_WholeDemo)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();

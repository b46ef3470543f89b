// The whole demo through the offline backend: where each scene starts and ends, the
// shared generator's draws, and golden frames of every scene.
//
// The scene entry points are wrapped at link time (--wrap), so the test sees when each
// scene begins and returns without any hook in the scenes themselves. The demo runs in a
// folder of its own whose data/ links to the generated assets, with a short test module
// in place of the music: orders 0..43 last 2 rows (19.6 ms), orders 44..99 16 rows
// (157 ms), so that every scene gets a few frames and the end logo reaches its flashes.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/demo.h"
#include "app/frame_buffer.h"
#include "app/music.h"
#include "app/random.h"
#include "platform/offline.h"
#include "tools/xm/xm_writer.h"

namespace {

constexpr int kSceneCount = 6;
// Segments of the run: the six scenes, with the last one split into its two phases.
constexpr int kSegmentCount = 7;
constexpr int32_t kSegmentEnds[kSegmentCount] = {12, 20, 28, 32, 40, 44, 96};
const char* const kSegmentNames[kSegmentCount] = {"particles", "object", "ball", "rippled_plane",
                                                  "zoom", "rotozoom", "end_logo"};
constexpr int kRotozoomScene = 5;
constexpr int kEndLogoSegment = 6;

struct DemoRun {
  int exitCode = -1;
  // MusicPosition as the scene read it before drawing each frame (the backend moves the
  // song on after handing the frame to the sink), and after the last frame.
  std::vector<int32_t> positions;
  int32_t finalPosition = -1;
  std::vector<uint64_t> hashes;
  std::vector<int64_t> draws;      // numbers drawn from the generator before each frame's end
  int64_t sceneBegin[kSceneCount];  // frames presented when the scene was entered
  int64_t sceneEnd[kSceneCount];    // ... and when it returned
};

DemoRun* recording = nullptr;

// The generator's state after n draws from seed 1, and the number drawn next.
uint32_t StateAfter(int64_t draws) {
  uint32_t seed = 1;
  for (int64_t i = 0; i < draws; ++i) seed = seed * 214013u + 2531011u;
  return seed;
}
int NextNumber(uint32_t state) { return static_cast<int>(((state * 214013u + 2531011u) >> 16) & 0x7FFF); }

uint64_t HashFrame(const uint32_t* picture) {
  uint64_t hash = 1469598103934665603ull;  // FNV-1a over the pixel words
  for (int i = 0; i < kFramePixels; ++i) {
    hash ^= picture[i];
    hash *= 1099511628211ull;
  }
  return hash;
}

// Looks at the next number of the generator without disturbing the demo: it draws one,
// works out how many the demo has drawn (as many as before, or one more), and puts the
// generator back.
void RecordFrame(const platform::OfflineFrame& frame) {
  DemoRun& run = *recording;
  run.positions.push_back(MusicPosition.load());
  run.hashes.push_back(HashFrame(frame.picture));
  const int seen = zelto::rand();
  const int64_t last = run.draws.empty() ? 800 : run.draws.back();
  int64_t drawn = -1;
  for (int64_t candidate = last; candidate <= last + 1 && drawn < 0; ++candidate) {
    if (NextNumber(StateAfter(candidate)) == seen) drawn = candidate;
  }
  run.draws.push_back(drawn);
  zelto::SeedRandom(StateAfter(drawn < 0 ? last : drawn));
  if (const char* folder = std::getenv("ZELTO_DUMP_FRAMES")) {
    char name[512];
    std::snprintf(name, sizeof name, "%s/frame_%05lld.bgra", folder, static_cast<long long>(frame.index));
    if (std::FILE* file = std::fopen(name, "wb")) {
      std::fwrite(frame.picture, 4, kFramePixels, file);
      std::fclose(file);
    }
  }
}

void SceneBegins(int scene) { recording->sceneBegin[scene] = platform::OfflinePresentedFrames(); }
void SceneEnds(int scene) { recording->sceneEnd[scene] = platform::OfflinePresentedFrames(); }

// A folder with data/ linking to the generated assets and the test module as the music.
std::string PrepareFolder(const char* name) {
  namespace fs = std::filesystem;
  const fs::path folder = fs::absolute(name);
  fs::remove_all(folder);
  fs::create_directories(folder / "data");
  for (const fs::directory_entry& entry : fs::directory_iterator(ZELTO_TEST_DATA_DIR)) {
    if (entry.path().filename() == "mowt.xm") continue;
    fs::create_symlink(entry.path(), folder / "data" / entry.path().filename());
  }
  xm::Module module = xm::MakeTestModule(100, 2, 1, 255);
  for (size_t order = 44; order < module.patterns.size(); ++order) {
    module.patterns[order].rows = 16;
    module.patterns[order].cells.resize(16 * static_cast<size_t>(module.channels));
  }
  std::string error;
  EXPECT_TRUE(xm::WriteXm((folder / "data" / "mowt.xm").string(), module, &error)) << error;
  return folder.string();
}

DemoRun RunDemo(const char* folderName, int32_t framesPerSecond) {
  DemoRun run;
  for (int scene = 0; scene < kSceneCount; ++scene) run.sceneBegin[scene] = run.sceneEnd[scene] = -1;
  const std::string folder = PrepareFolder(folderName);
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(folder);
  ResetDemoState();
  platform::OfflineSettings settings;
  settings.fpsNumerator = framesPerSecond;
  settings.frameSink = RecordFrame;
  platform::OfflineReset(settings);
  recording = &run;
  run.exitCode = DemoMain();
  run.finalPosition = MusicPosition.load();
  recording = nullptr;
  std::filesystem::current_path(previous);
  return run;
}

// The segment each frame belongs to: a scene (or phase) goes on drawing while the
// position read after its last frame is below its end.
std::vector<int> SegmentsOfFrames(const DemoRun& run) {
  std::vector<int> segments;
  int segment = 0;
  for (const int32_t position : run.positions) {
    while (segment < kSegmentCount && position >= kSegmentEnds[segment]) ++segment;
    segments.push_back(segment);
  }
  return segments;
}

int64_t FirstFrameOf(const std::vector<int>& segments, int segment) {
  for (size_t frame = 0; frame < segments.size(); ++frame)
    if (segments[frame] >= segment) return static_cast<int64_t>(frame);
  return static_cast<int64_t>(segments.size());
}

// Whether frame `index` of its segment flashes (and so draws one number).
bool IsFlashFrame(int segment, int64_t index) {
  if (segment == 3 || segment == 4) {
    // Counter runs 0..limit + 1, then 1..limit + 1 again; frames with counter < 40 flash.
    const int64_t limit = segment == 3 ? 301 : 201;
    const int64_t counter = index <= limit ? index : (index - limit - 1) % limit + 1;
    return counter < 40;
  }
  if (segment == kEndLogoSegment) {
    const double t = static_cast<double>(index) / 60.0;
    return std::cos(t * 499.49850000000004 * 0.0020833333333333333 + 3.1415) > 0.9;
  }
  return false;
}

}  // namespace

// Link-time wrappers of the six scene entry points (see the test's CMakeLists.txt).
extern "C" {
#define ZELTO_WRAP_SCENE(number, mangled)         \
  void __real_##mangled(uint32_t* frame);         \
  void __wrap_##mangled(uint32_t* frame) {        \
    if (recording) SceneBegins(number);           \
    __real_##mangled(frame);                      \
    if (recording) SceneEnds(number);             \
  }
ZELTO_WRAP_SCENE(0, _Z14ParticlesScenePj)
ZELTO_WRAP_SCENE(1, _Z11ObjectScenePj)
ZELTO_WRAP_SCENE(2, _Z9BallScenePj)
ZELTO_WRAP_SCENE(3, _Z17RippledPlaneScenePj)
ZELTO_WRAP_SCENE(4, _Z9ZoomScenePj)
ZELTO_WRAP_SCENE(5, _Z13RotozoomScenePj)
#undef ZELTO_WRAP_SCENE
}

namespace {

void CheckEveryScenePlaysAndTheDemoEndsAt96(const DemoRun& run) {
  EXPECT_EQ(run.exitCode, 0);
  ASSERT_GE(run.positions.size(), 2u);
  EXPECT_GE(run.finalPosition, 96);
  EXPECT_LT(run.positions.back(), 96);
  const std::vector<int> segments = SegmentsOfFrames(run);
  for (int segment = 0; segment < kSegmentCount; ++segment) {
    EXPECT_LT(FirstFrameOf(segments, segment), FirstFrameOf(segments, segment + 1))
        << kSegmentNames[segment] << " presented no frame in this run";
  }
}

// Each scene's first frame is the one after the frame on which the position reached the
// previous scene's end.
void CheckSceneBoundaries(const DemoRun& run) {
  const std::vector<int> segments = SegmentsOfFrames(run);
  for (int scene = 0; scene < kSceneCount; ++scene) {
    EXPECT_EQ(run.sceneBegin[scene], FirstFrameOf(segments, scene)) << kSegmentNames[scene];
    const int64_t expectedEnd =
        scene == kRotozoomScene ? static_cast<int64_t>(run.positions.size()) : FirstFrameOf(segments, scene + 1);
    EXPECT_EQ(run.sceneEnd[scene], expectedEnd) << kSegmentNames[scene];
  }
}

// 800 numbers for the swarm before the first frame, then one per flash frame.
void CheckGeneratorDraws(const DemoRun& run) {
  const std::vector<int> segments = SegmentsOfFrames(run);
  int64_t expected = 800;
  int64_t flashes[kSegmentCount] = {};
  for (size_t frame = 0; frame < run.draws.size(); ++frame) {
    const int segment = segments[frame];
    if (IsFlashFrame(segment, static_cast<int64_t>(frame) - FirstFrameOf(segments, segment))) {
      ++expected;
      ++flashes[segment];
    }
    ASSERT_EQ(run.draws[frame], expected) << "frame " << frame << " (" << kSegmentNames[segment] << ")";
  }
  // The run is long enough for flashes in all three flashing parts.
  EXPECT_GT(flashes[3], 0);
  EXPECT_GT(flashes[4], 0);
  EXPECT_GT(flashes[kEndLogoSegment], 0);
}

// Frames of every segment: first, middle and last, plus the end logo's first flash.
void CheckGoldenFrames(const DemoRun& run) {
  const std::vector<int> segments = SegmentsOfFrames(run);
  std::ostringstream actual;
  for (int segment = 0; segment < kSegmentCount; ++segment) {
    const int64_t first = FirstFrameOf(segments, segment);
    const int64_t last = FirstFrameOf(segments, segment + 1) - 1;
    std::vector<int64_t> picks = {first, (first + last) / 2, last};
    if (segment == kEndLogoSegment) {
      for (int64_t frame = first; frame <= last; ++frame) {
        if (IsFlashFrame(segment, frame - first)) {
          picks.push_back(frame);
          break;
        }
      }
    }
    for (int64_t frame : picks) {
      char line[96];
      std::snprintf(line, sizeof line, "%s %lld %016llx\n", kSegmentNames[segment], static_cast<long long>(frame),
                    static_cast<unsigned long long>(run.hashes[static_cast<size_t>(frame)]));
      actual << line;
    }
  }
  if (const char* output = std::getenv("ZELTO_GOLDEN_OUT")) {
    std::ofstream(output) << actual.str();
  }
  std::ifstream goldenFile(ZELTO_GOLDEN_FRAMES);
  ASSERT_TRUE(goldenFile.good()) << "missing " << ZELTO_GOLDEN_FRAMES;
  std::stringstream golden;
  golden << goldenFile.rdbuf();
  EXPECT_EQ(actual.str(), golden.str())
      << "The frames differ from the checked-in golden list. If the change is on purpose, run the test with "
         "ZELTO_GOLDEN_OUT=<file> and commit that file as tests/scenes/golden_frames.txt, with the reason.";
}

}  // namespace

// One run per test: each test is a process of its own under ctest.
TEST(WholeDemo, SixtyFramesPerSecondFromTheSwarmToTheEndLogo) {
  const DemoRun run = RunDemo("whole_demo_60fps", 60);
  {
    SCOPED_TRACE("every scene plays");
    CheckEveryScenePlaysAndTheDemoEndsAt96(run);
  }
  {
    SCOPED_TRACE("scene boundaries");
    CheckSceneBoundaries(run);
  }
  {
    SCOPED_TRACE("generator draws");
    CheckGeneratorDraws(run);
  }
  {
    SCOPED_TRACE("golden frames");
    CheckGoldenFrames(run);
  }
}

TEST(WholeDemo, ScenesWhoseEndIsAlreadyReachedPresentNoFrame) {
  // At 4 frames per second one frame spans about 13 short orders: the rippled plane
  // (28..32) and the rotozoom phase (40..44) are passed over.
  DemoRun run = RunDemo("whole_demo_4fps", 4);
  EXPECT_EQ(run.exitCode, 0);
  const std::vector<int> segments = SegmentsOfFrames(run);
  int skipped = 0;
  for (int scene = 0; scene < kSceneCount; ++scene) {
    EXPECT_EQ(run.sceneBegin[scene], FirstFrameOf(segments, scene)) << kSegmentNames[scene];
    if (scene != kRotozoomScene && FirstFrameOf(segments, scene) == FirstFrameOf(segments, scene + 1)) {
      EXPECT_EQ(run.sceneEnd[scene], run.sceneBegin[scene]) << kSegmentNames[scene];
      ++skipped;
    }
  }
  EXPECT_GE(skipped, 1);
  EXPECT_EQ(FirstFrameOf(segments, kSceneCount - 1), FirstFrameOf(segments, kEndLogoSegment));
  EXPECT_GE(run.finalPosition, 96);
}

// The whole demo through the offline backend: where each scene starts and ends, the
// shared generator's draws, and golden frames of every scene.
//
// The scene host's watcher tells the test when each scene begins and returns. The demo
// runs in a folder of its own whose data/ links to the generated assets, with a short
// test module as the music: orders 0..43 of 2 rows (19.6 ms) and 44..99 of 16 rows
// (157 ms), so that every scene gets a few frames and the end logo reaches its flashes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <sstream>
#include <string>
#include <vector>

#include "app/demo.h"
#include "app/music.h"
#include "core/frame_buffer.h"
#include "core/random.h"
#include "platform/offline.h"
#include "scenes/scene_host.h"
#include "scenes/scene_table.h"
#include "tests/frame_hash.h"
#include "tests/test_io.h"
#include "tools/xm/xm_writer.h"

namespace {

// The six scenes, the last one split into its two phases, and the positions they end at.
constexpr int kSegmentCount = kSceneCount + 1;
constexpr int32_t kSegmentEnds[kSegmentCount] = {
    SceneEnd(kParticlesScene), SceneEnd(kObjectScene),   SceneEnd(kBallScene),  SceneEnd(kRippledPlaneScene),
    SceneEnd(kZoomScene),      SceneEnd(kRotozoomScene), kEndLogoEndPosition};
// Their names as the golden file spells them: the scene table's, blanks made underscores.
const std::vector<std::string> kSegmentNames = [] {
  std::vector<std::string> names;
  for (const SceneStep& step : kSceneTable) names.push_back(step.name);
  names.push_back(kEndLogoName);
  for (std::string& name : names) std::replace(name.begin(), name.end(), ' ', '_');
  return names;
}();
constexpr int kEndLogo = 6;

struct DemoRun {
  // MusicPosition as the scene read it before drawing each frame (the backend moves the
  // song on after handing a frame to the sink).
  std::vector<int32_t> positions;
  std::vector<uint64_t> hashes;
  std::vector<int64_t> draws;  // numbers drawn from the generator by the end of each frame
  int64_t sceneBegin[kSceneCount] = {-1, -1, -1, -1, -1, -1};  // frames presented at entry
  int64_t sceneEnd[kSceneCount] = {-1, -1, -1, -1, -1, -1};    // ... and at return
  // The first frame of each segment, then the frame count: a scene (or phase) draws while
  // the position it reads before a frame is below its end.
  std::vector<int64_t> first;
};

DemoRun* recording = nullptr;

// The generator's state after n draws from seed 1, and the number it draws next.
uint32_t StateAfter(int64_t draws) {
  uint32_t seed = 1;
  while (draws-- > 0) seed = seed * 214013u + 2531011u;
  return seed;
}
int NextNumber(uint32_t state) { return static_cast<int>(((state * 214013u + 2531011u) >> 16) & 0x7FFF); }

// Looks at the generator without disturbing the demo: draws one number, works out how
// many the demo has drawn (as many as at the last frame, or one more), puts it back.
void RecordFrame(const platform::OfflineFrame& frame) {
  DemoRun& run = *recording;
  run.positions.push_back(MusicPosition.load());
  run.hashes.push_back(FrameHash(frame.picture));
  const int seen = zelto::rand();
  const int64_t last = run.draws.empty() ? 800 : run.draws.back();
  const int64_t drawn = NextNumber(StateAfter(last)) == seen ? last : NextNumber(StateAfter(last + 1)) == seen ? last + 1 : -1;
  run.draws.push_back(drawn);
  zelto::SeedRandom(StateAfter(drawn < 0 ? last : drawn));
}

void WatchScene(SceneIndex scene, SceneMoment moment) {
  (moment == SceneMoment::kStart ? recording->sceneBegin : recording->sceneEnd)[scene] = platform::OfflinePresentedFrames();
}

// Runs the demo to its normal end, which comes on the frame that reaches the end logo's end.
DemoRun RunDemo(const char* folderName, int32_t framesPerSecond) {
  namespace fs = std::filesystem;
  const fs::path folder = fs::absolute(folderName);
  fs::remove_all(folder);
  fs::create_directories(folder / "data");
  for (const fs::directory_entry& entry : fs::directory_iterator(ZELTO_TEST_DATA_DIR))
    if (entry.path().filename() != "mowt.xm") fs::create_symlink(entry.path(), folder / "data" / entry.path().filename());
  xm::Module module = xm::MakeTestModule(100, 2, 1, 255);
  for (size_t order = SceneEnd(kRotozoomScene); order < module.patterns.size(); ++order)
    module.patterns[order].rows = 16, module.patterns[order].cells.resize(16 * static_cast<size_t>(module.channels));
  EXPECT_TRUE(xm::WriteXm((folder / "data" / "mowt.xm").string(), module));

  DemoRun run;
  const fs::path previous = fs::current_path();
  fs::current_path(folder);
  ResetDemoState();
  platform::OfflineSettings settings;
  settings.fpsNumerator = framesPerSecond;
  settings.frameSink = RecordFrame;
  platform::OfflineReset(settings);
  recording = &run;
  WatchScenes(WatchScene);
  EXPECT_EQ(DemoMain(), 0);
  EXPECT_GE(MusicPosition.load(), kEndLogoEndPosition);
  recording = nullptr;
  fs::current_path(previous);
  EXPECT_TRUE(std::is_sorted(run.positions.begin(), run.positions.end())) << "the song went back";
  run.first = {0};
  for (const int32_t end : kSegmentEnds)
    run.first.push_back(std::lower_bound(run.positions.begin(), run.positions.end(), end) - run.positions.begin());
  return run;
}

// Whether frame `index` of its segment flashes (and so draws one number), at 60 fps with
// this song. The rippled plane and the zoom flash on their first 40 frames: here, all of
// them. The end logo flashes while cos(t x 499.4985 / 480 + 3.1415) > 0.9, t = index / 60 s:
// from 2.585 s to 3.452 s (frames 156 to 207) and next from 8.62 s, after it has ended.
bool IsFlashFrame(int segment, int64_t index) {
  return segment == 3 || segment == 4 ? index < 40 : segment == kEndLogo && index >= 156 && index <= 207;
}

}  // namespace


TEST(FrameHash, IsFnv1a64OfThePictureBytes) {
  // The published FNV-1a 64 values of "", "a" and "foobar".
  const std::pair<const char*, uint64_t> known[] = {
      {"", 0xcbf29ce484222325ull}, {"a", 0xaf63dc4c8601ec8cull}, {"foobar", 0x85944171f73967e8ull}};
  for (const auto& [text, expected] : known) {
    uint64_t hash = kFnv1a64OffsetBasis;
    for (const char* c = text; *c; ++c) hash = Fnv1a64Step(hash, static_cast<uint8_t>(*c));
    EXPECT_EQ(hash, expected) << '"' << text << '"';
  }
  // Each word low byte first: a frame whose first pixel is 0x00636261 starts as "abc\0".
  std::vector<uint32_t> picture(kFramePixels, 0);
  picture[0] = 0x00636261u;
  uint64_t expected = kFnv1a64OffsetBasis;
  for (const uint8_t byte : {'a', 'b', 'c'}) expected = Fnv1a64Step(expected, byte);
  for (int i = 3; i < kFramePixels * 4; ++i) expected = Fnv1a64Step(expected, 0);
  EXPECT_EQ(FrameHash(picture.data()), expected);
}

// One demo run per test: under ctest each test is a process of its own.
TEST(WholeDemo, SixtyFramesPerSecondFromTheSwarmToTheEndLogo) {
  const DemoRun run = RunDemo("whole_demo_60fps", 60);
  ASSERT_GE(run.positions.size(), 2u);
  EXPECT_LT(run.positions.back(), kEndLogoEndPosition) << "a frame drawn after the end logo's end";
  const std::vector<int64_t>& first = run.first;

  // Each scene starts on the frame after the one on which the position reached the
  // previous scene's end, and every part of the demo draws frames in this run.
  for (int segment = 0; segment < kSegmentCount; ++segment)
    EXPECT_LT(first[segment], first[segment + 1]) << kSegmentNames[segment];
  for (int scene = 0; scene < kSceneCount; ++scene)
    EXPECT_EQ(std::pair(run.sceneBegin[scene], run.sceneEnd[scene]),
              std::pair(first[scene], first[scene == kSceneCount - 1 ? kSegmentCount : scene + 1])) << kSegmentNames[scene];

  // The generator: 800 numbers for the swarm before the first frame, then one per flash
  // frame of the rippled plane, the zoom and the end logo; the end logo reaches all 52.
  int64_t expected = 800, endLogoFlashes = 0;
  for (int segment = 0; segment < kSegmentCount; ++segment)
    for (int64_t frame = first[segment]; frame < first[segment + 1]; ++frame) {
      const bool flash = IsFlashFrame(segment, frame - first[segment]);
      expected += flash;
      endLogoFlashes += flash && segment == kEndLogo;
      ASSERT_EQ(run.draws[frame], expected) << "frame " << frame << " (" << kSegmentNames[segment] << ")";
    }
  EXPECT_EQ(endLogoFlashes, 52);

  // Golden frames: first, middle and last of every part, and the end logo's first flash.
  std::ostringstream actual;
  for (int segment = 0; segment < kSegmentCount; ++segment) {
    const int64_t begin = first[segment], last = first[segment + 1] - 1;
    std::vector<int64_t> picks = {begin, (begin + last) / 2, last};
    if (segment == kEndLogo && begin + 156 <= last) picks.push_back(begin + 156);
    for (const int64_t frame : picks)
      actual << kSegmentNames[segment] << ' ' << std::dec << frame << ' ' << std::hex << std::setw(16) << std::setfill('0')
             << run.hashes[static_cast<size_t>(frame)] << '\n';
  }
  if (const char* output = std::getenv("ZELTO_GOLDEN_OUT")) std::ofstream(output) << actual.str();
  EXPECT_EQ(actual.str(), ReadText(ZELTO_GOLDEN_FRAMES))
      << "The frames differ from tests/scenes/golden_frames.txt. If the change is on purpose, rerun with "
         "ZELTO_GOLDEN_OUT=<file>, commit that file in its place and give the reason in the commit message.";
}

TEST(WholeDemo, ScenesWhoseEndIsAlreadyReachedPresentNoFrame) {
  // At 4 frames per second one frame spans about 13 short orders: the rippled plane
  // (28..32) and the rotozoom phase (40..44) are passed over.
  const DemoRun run = RunDemo("whole_demo_4fps", 4);
  EXPECT_EQ(std::pair(run.first[3], run.first[5]), std::pair(run.first[4], run.first[kEndLogo]));
  for (int scene = 0; scene < kSceneCount; ++scene)
    EXPECT_EQ(run.sceneBegin[scene], run.first[scene]) << kSegmentNames[scene];
  EXPECT_EQ(run.sceneEnd[3], run.sceneBegin[3]);
}

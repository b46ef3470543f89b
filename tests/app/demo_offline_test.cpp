// The whole program on the offline backend: start-up and shut-down order, presentation,
// messages, grabs, scene timing, and how the process ends on every failure.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "app/demo.h"
#include "app/music.h"
#include "core/exit_codes.h"
#include "core/frame_buffer.h"
#include "platform/offline.h"
#include "scenes/scene_table.h"
#include "tests/app/harness.h"
#include "tests/stand_in/stand_in_scenes.h"

namespace {

using platform::OfflineCall;
using platform::OfflineMessage;

// A fresh run: the demo's globals, the stand-ins' record, the backend.
void NewRun(const platform::OfflineSettings& settings = {}) {
  ResetDemoState();
  StandInSceneCalls.clear();
  platform::OfflineReset(settings);
}

// Runs DemoMain in a child process with the call trace; `script` sets up messages and
// failures first.
ChildResult RunDemoInChild(const std::function<void()>& script) {
  return RunInChild([&] {
    platform::OfflineSettings settings;
    settings.traceCalls = true;
    NewRun(settings);
    script();
    return DemoMain();
  });
}

class DemoOffline : public testing::Test {
 protected:
  void SetUp() override { WriteTestModule(); }
  void TearDown() override { ResetDemoState(); }
  WorkDirectory work_;
};

TEST_F(DemoOffline, PlaysTheSixScenesOnTheMusicGrabsOnReturnAndReturnsZero) {
  std::vector<std::pair<bool, bool>> grabsAfterFrame;
  bool bordersBlack = true, pictureInPlace = true, frameZeroCleared = true;
  platform::OfflineSettings settings;
  settings.frameSink = [&](const platform::OfflineFrame& frame) {
    ASSERT_EQ(std::pair(frame.surfaceWidth, frame.surfaceHeight), std::pair(512, 384));
    const uint32_t *picture = frame.surface + 64 * 512, *below = frame.surface + 320 * 512;
    const auto black = [](uint32_t p) { return p == 0; };
    bordersBlack &= std::all_of(frame.surface, picture, black) && std::all_of(below, below + 64 * 512, black);
    if (frame.index == 0) frameZeroCleared = std::all_of(picture, below, black);
    else pictureInPlace &= std::equal(picture, below, frame.picture) && std::equal(picture, below, TheDemo->frameBuffer.get());
    grabsAfterFrame.push_back({std::filesystem::exists("grab_1.bmp"), std::filesystem::exists("grab_2.bmp")});
  };
  NewRun(settings);
  // Lock 1 is the set-up clear, lock 2 frame 0's copy: that frame keeps the cleared buffer
  // and the demo plays on.
  platform::OfflineFailCall(OfflineCall::LockBuffer, 2);
  // Return at 10; another key then Return both at 11: one message per frame, so the second
  // grab comes with frame 12.
  platform::OfflineScriptMessage(10, OfflineMessage::Return);
  platform::OfflineScriptMessage(11, OfflineMessage::OtherKey);
  platform::OfflineScriptMessage(11, OfflineMessage::Return);
  ASSERT_EQ(DemoMain(), 0);

  EXPECT_TRUE(bordersBlack);
  EXPECT_TRUE(pictureInPlace);
  EXPECT_TRUE(frameZeroCleared);
  ASSERT_GT(grabsAfterFrame.size(), 13u);  // frames 9 to 12:
  EXPECT_EQ(std::vector(grabsAfterFrame.begin() + 9, grabsAfterFrame.begin() + 13),
            (std::vector<std::pair<bool, bool>>{{false, false}, {true, false}, {true, false}, {true, true}}));
  EXPECT_FALSE(std::filesystem::exists("grab_3.bmp"));
  // Frames 10 and 12 show card 1; the file layout itself is checked byte for byte elsewhere.
  const std::vector<uint8_t> grab = ReadFileBytes("grab_1.bmp");
  ASSERT_EQ(grab.size(), 393274u);
  EXPECT_EQ(grab[391738] | grab[391739] << 8 | grab[391740] << 16, static_cast<int>(StandInCardColour(1)));
  EXPECT_EQ(ReadFileBytes("grab_2.bmp"), grab);
  ASSERT_EQ(StandInSceneCalls.size(), 6u);
  const uint32_t* const frameBuffer = TheDemo->frameBuffer.get();
  for (int i = 0; i < 6; ++i)
    EXPECT_EQ(std::pair(StandInSceneCalls[i].scene, StandInSceneCalls[i].frame), std::pair(i + 1, frameBuffer));
  // When each scene starts and ends on the song is checked with the real scenes (WholeDemo).
  EXPECT_GE(MusicPosition.load(), kEndLogoEndPosition);

  // Start-up and shut-down in their order; the cursor stays hidden to the end.
  const std::vector<std::string> startUp = {
      "NameWindowClass", "OpenWindow", "RaiseWindow", "FocusWindow",
      "OpenDisplay", "TakeScreen", "ChooseScreenMode", "CreateScreenBuffers",
      "AttachBackBuffer", "LockBuffer", "UnlockBuffer", "ReadClock",
      "ClockRate", "RaisePriority", "StartMusicLibrary", "SetMusicOption",
      "SetMusicOption", "ChooseMusicOutput", "OpenMusicOutput", "LoadModule", "PrepareModule",
      "SetPositionCallback", "StartPlaying", "ShowPointer"};
  const std::vector<std::string>& log = platform::OfflineCallLog();
  ASSERT_GT(log.size(), startUp.size() + 4);
  EXPECT_EQ(std::vector(log.begin(), log.begin() + static_cast<ptrdiff_t>(startUp.size())), startUp);
  EXPECT_EQ(std::vector(log.end() - 4, log.end()),
            (std::vector<std::string>{"StopModule", "FreeModule", "CloseMusicLibrary", "RemoveWindow"}));
  EXPECT_FALSE(platform::OfflineCursorShown());
  EXPECT_FALSE(platform::OfflineWindowExists());
  // One message poll per presented frame.
  EXPECT_EQ(platform::OfflineCallCount(OfflineCall::TakeEvent), platform::OfflinePresentedFrames());
}

// How a run ends: the exit status as a POSIX parent sees it, what stderr holds besides the
// call trace, the last platform calls, and the frames presented (-1: any number).
struct EndCase {
  const char* name;
  std::function<void()> script;
  int exitCode;
  std::string message;
  std::vector<std::string> lastCalls;
  int flips;
};

TEST_F(DemoOffline, EveryWayOfEndingGivesItsStatusMessageAndLastCalls) {
  using enum OfflineCall;
  const auto fail = [](OfflineCall call, int quitFrame = -1) {
    return [=] {
      platform::OfflineFailCall(call);
      if (quitFrame >= 0) platform::OfflineScriptMessage(quitFrame, OfflineMessage::Escape);
    };
  };
  const auto ddraw = [](const std::string& what) { return "impossible de poser le " + what + "!!\n"; };
  const auto midas = [](const std::string& call) { return "MIDAS ERREUR : MIDAS" + call + " \n"; };
  // A quit stops, frees and closes the music, then destroys the window; a fatal error
  // destroys the window before its box.
  const std::vector<std::string> quit = {"TakeEvent", "StopModule", "FreeModule",
                                         "CloseMusicLibrary", "RemoveWindow"};
  const std::vector<std::string> box = {"RemoveWindow", "ShowErrorBox"};
  // The player's message names only the call; a line before it names the file.
  const std::string load = "data/mowt.xm: missing, unreadable or not a playable XM module\n" + midas("loadModule");
  const EndCase cases[] = {
      // The key is handled with frame 5, the quit message found by frame 6's poll.
      {"Escape", [] { platform::OfflineScriptMessage(5, OfflineMessage::Escape); }, kExitNormal, "", quit, 6},
      {"Close", [] { platform::OfflineScriptMessage(5, OfflineMessage::Close); }, kExitNormal, "", quit, 6},
      // Without the callback the audio plays but the position stays 0: the first scene runs
      // until the viewer quits.
      {"no sync callback", fail(SetPositionCallback, 2000), kExitNormal, "", quit, 2001},
      // No performance counter: the process ends before any music call.
      {"no counter", fail(ReadClock), kExitNoCounter, "", {"ReadClock"}, 0},
      {"no frequency", fail(ClockRate), kExitNoCounter, "", {"ClockRate"}, 0},
      {"OpenDisplay", fail(OpenDisplay), kExitFatalSeen, ddraw("ddraw"), box, 0},
      {"TakeScreen", fail(TakeScreen), kExitFatalSeen, ddraw("SetCooperativeLevel"), box, 0},
      {"ChooseScreenMode", fail(ChooseScreenMode), kExitFatalSeen, ddraw("fullscreen"), box, 0},
      {"CreateScreenBuffers", fail(CreateScreenBuffers), kExitFatalSeen, ddraw("CreateSurface"), box, 0},
      {"AttachBackBuffer", fail(AttachBackBuffer), kExitFatalSeen, ddraw("CreateSurface"), box, 0},
      {"ChooseMusicOutput", fail(ChooseMusicOutput), kExitFatalSeen, midas("config"), box, 0},
      {"OpenMusicOutput", fail(OpenMusicOutput), kExitFatalSeen, midas("init"), box, 0},
      {"LoadModule", fail(LoadModule), kExitFatalSeen, load, box, 0},
      {"PrepareModule", fail(PrepareModule), kExitFatalSeen, midas("playModule"), box, 0},
      // The shut-down failures, at the normal end and on a quit.
      {"StopModule", fail(StopModule), kExitFatalSeen, midas("stopModule"), box, -1},
      {"FreeModule", fail(FreeModule), kExitFatalSeen, midas("freeModule"), box, -1},
      {"CloseMusicLibrary", fail(CloseMusicLibrary), kExitFatalSeen, midas("close"), box, -1},
      {"MusicStopModule on quit", fail(StopModule, 3), kExitFatalSeen, midas("stopModule"), box, 4},
      {"MusicFreeModule on quit", fail(FreeModule, 3), kExitFatalSeen, midas("freeModule"), box, 4},
      {"MusicClose on quit", fail(CloseMusicLibrary, 3), kExitFatalSeen, midas("close"), box, 4},
      // Last, as they spoil the module: missing, then cut short.
      {"missing module", [] { std::filesystem::remove("data/mowt.xm"); }, 15, load, box, 0},
      {"truncated module", [] { std::ofstream("data/mowt.xm", std::ios::binary) << "Extended Module: \x1a"; },
       15, load, box, 0},
  };
  for (const EndCase& c : cases) {
    SCOPED_TRACE(c.name);
    const ChildResult result = RunDemoInChild(c.script);
    ASSERT_TRUE(result.exited);
    EXPECT_EQ(result.exitCode, c.exitCode);
    std::vector<std::string> calls;
    std::string message;
    std::istringstream stream(result.errorOutput);
    for (std::string line; std::getline(stream, line);) {
      if (line.rfind("platform: ", 0) == 0) calls.push_back(line.substr(10));
      else message += line + "\n";
    }
    EXPECT_EQ(message, c.message);
    ASSERT_GE(calls.size(), c.lastCalls.size());
    EXPECT_EQ(std::vector(calls.end() - static_cast<ptrdiff_t>(c.lastCalls.size()), calls.end()), c.lastCalls);
    if (c.flips >= 0) { EXPECT_EQ(std::count(calls.begin(), calls.end(), "ShowBackBuffer"), c.flips); }
  }
}

TEST(DemoStartUp, TheDebugLogIsDeletedBeforeMainRuns) {
  // A fresh copy of this test binary runs only the probe below: by the time its main runs,
  // the static initialiser has deleted the file.
  WorkDirectory work;
  { std::ofstream log("sniffer.txt"); log << "left over"; }
  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  const ChildResult result = RunInChild([&] {
    execl(self.c_str(), self.c_str(), "--gtest_also_run_disabled_tests",
          "--gtest_filter=DemoStartUpProbe.DISABLED_ExitsWithOneIfTheLogIsStillThere",
          static_cast<char*>(nullptr));
    return 3;
  });
  EXPECT_EQ(result.exitCode, kExitNormal);
  EXPECT_FALSE(std::filesystem::exists("sniffer.txt"));
}

TEST(DemoStartUpProbe, DISABLED_ExitsWithOneIfTheLogIsStillThere) {
  std::exit(std::filesystem::exists("sniffer.txt") ? 1 : 0);
}

}  // namespace

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

// Runs DemoMain in a child process; `script` sets up messages and failures first.
ChildResult RunDemoInChild(const std::function<void()>& script, bool traceCalls = false) {
  return RunInChild([&] {
    platform::OfflineSettings settings;
    settings.traceCalls = traceCalls;
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
  std::vector<int> cards;
  std::vector<int32_t> positionAtFrame;  // what the scene saw before drawing the frame
  std::vector<std::pair<bool, bool>> grabsAfterFrame;
  bool bordersBlack = true, pictureInPlace = true;
  uint32_t frameZeroPixel = 1;
  platform::OfflineSettings settings;
  settings.frameSink = [&](const platform::OfflineFrame& frame) {
    ASSERT_EQ(std::pair(frame.surfaceWidth, frame.surfaceHeight), std::pair(512, 384));
    for (int y = 0; y < 384; ++y) {
      const uint32_t* row = frame.surface + y * 512;
      if (y < 64 || y >= 320) {
        bordersBlack &= std::all_of(row, row + 512, [](uint32_t p) { return p == 0; });
      } else if (frame.index > 0) {
        pictureInPlace &= std::equal(row, row + 512, frame.picture + (y - 64) * 512) &&
                          std::equal(row, row + 512, TheDemo->frameBuffer + (y - 64) * 512);
      }
    }
    if (frame.index == 0) frameZeroPixel = frame.surface[64 * 512];
    cards.push_back(StandInCardOf(TheDemo->frameBuffer));
    positionAtFrame.push_back(MusicPosition.load());
    grabsAfterFrame.push_back({std::filesystem::exists("grab_1.bmp"), std::filesystem::exists("grab_2.bmp")});
  };
  NewRun(settings);
  // Lock 1 is the set-up clear, lock 2 frame 0's copy: that frame keeps the cleared buffer
  // and the demo plays on.
  platform::OfflineFailCall(OfflineCall::Lock, 2);
  // Return at 10; another key then Return both at 11: one message per frame, so the second
  // grab comes with frame 12.
  platform::OfflineScriptMessage(10, OfflineMessage::Return);
  platform::OfflineScriptMessage(11, OfflineMessage::OtherKey);
  platform::OfflineScriptMessage(11, OfflineMessage::Return);
  ASSERT_EQ(DemoMain(), 0);

  EXPECT_TRUE(bordersBlack);
  EXPECT_TRUE(pictureInPlace);
  EXPECT_EQ(frameZeroPixel, 0u);
  ASSERT_GT(grabsAfterFrame.size(), 13u);
  const std::vector<std::pair<bool, bool>> framesNineToTwelve = {{false, false}, {true, false}, {true, false}, {true, true}};
  EXPECT_EQ(std::vector(grabsAfterFrame.begin() + 9, grabsAfterFrame.begin() + 13), framesNineToTwelve);
  EXPECT_FALSE(std::filesystem::exists("grab_3.bmp"));
  // Frames 10 and 12 show card 1; the file layout itself is checked byte for byte elsewhere.
  const std::vector<uint8_t> grab = ReadFileBytes("grab_1.bmp");
  ASSERT_EQ(grab.size(), 393274u);
  EXPECT_EQ(grab[391738] | grab[391739] << 8 | grab[391740] << 16, static_cast<int>(StandInCardColour(1)));
  EXPECT_EQ(ReadFileBytes("grab_2.bmp"), grab);
  ASSERT_EQ(StandInSceneCalls.size(), 6u);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(StandInSceneCalls[i].scene, i + 1);
    EXPECT_EQ(StandInSceneCalls[i].frame, TheDemo->frameBuffer);
  }
  // Each card ends on exactly the frame after which the position reached its end value.
  int32_t endOf[kSceneCount + 2] = {0};
  for (int scene = 0; scene < kSceneCount; ++scene) endOf[scene + 1] = kSceneTable[scene].endPosition;
  endOf[kSceneCount + 1] = kEndLogoEndPosition;
  ASSERT_FALSE(cards.empty());
  EXPECT_EQ(cards.front(), 1);
  EXPECT_EQ(cards.back(), 7);
  for (size_t n = 0; n < cards.size(); ++n) {
    ASSERT_GE(cards[n], 1) << "frame " << n;
    EXPECT_LT(positionAtFrame[n], endOf[cards[n]]) << "frame " << n;
    const bool changed = n > 0 && cards[n] != cards[n - 1];
    EXPECT_TRUE(!changed || (cards[n] == cards[n - 1] + 1 && positionAtFrame[n] >= endOf[cards[n - 1]])) << n;
  }
  EXPECT_GE(MusicPosition.load(), kEndLogoEndPosition);

  // Start-up and shut-down in their order; the cursor stays hidden to the end.
  const std::vector<std::string> startUp = {
      "RegisterWindowClass", "CreateWindow", "BringWindowToTop", "SetActiveWindow",
      "DirectDrawCreate", "SetCooperativeLevel", "SetDisplayMode", "CreatePrimarySurface",
      "GetAttachedBackBuffer", "Lock", "Unlock", "QueryPerformanceCounter",
      "QueryPerformanceFrequency", "RaisePriority", "MusicLibraryStartup", "MusicSetOption",
      "MusicSetOption", "MusicConfig", "MusicInit", "MusicLoadModule", "MusicPlayModule",
      "MusicSetSyncCallback", "MusicStartBackgroundPlay", "ShowCursor"};
  const std::vector<std::string>& log = platform::OfflineCallLog();
  ASSERT_GT(log.size(), startUp.size() + 4);
  EXPECT_EQ(std::vector(log.begin(), log.begin() + static_cast<ptrdiff_t>(startUp.size())), startUp);
  const std::vector<std::string> shutDown = {"MusicStopModule", "MusicFreeModule", "MusicClose",
                                             "DestroyWindow"};
  EXPECT_EQ(std::vector(log.end() - 4, log.end()), shutDown);
  EXPECT_FALSE(platform::OfflineCursorShown());
  EXPECT_FALSE(platform::OfflineWindowExists());
  // One message poll per presented frame.
  EXPECT_EQ(platform::OfflineCallCount(OfflineCall::PeekMessage), platform::OfflinePresentedFrames());
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
  const auto fail = [](OfflineCall call, int quitFrame = -1) {
    return [=] {
      platform::OfflineFailCall(call);
      if (quitFrame >= 0) platform::OfflineScriptMessage(quitFrame, OfflineMessage::Escape);
    };
  };
  const auto quitAt = [](int frame, OfflineMessage quit) {
    return [=] { platform::OfflineScriptMessage(frame, quit); };
  };
  // A quit stops, frees and closes the music, then destroys the window; a fatal error
  // destroys the window before its box.
  const std::vector<std::string> quit = {"PeekMessage", "MusicStopModule", "MusicFreeModule",
                                         "MusicClose", "DestroyWindow"};
  const std::vector<std::string> box = {"DestroyWindow", "ErrorMessageBox"};
  // The player's message names only the call; a line before it names the file.
  const std::string load =
      "data/mowt.xm: missing, unreadable or not a playable XM module\nMIDAS ERREUR : MIDASloadModule \n";
  const EndCase cases[] = {
      // The key is handled with frame 5, the quit message found by frame 6's poll.
      {"Escape", quitAt(5, OfflineMessage::Escape), 0, "", quit, 6},
      {"Close", quitAt(5, OfflineMessage::Close), 0, "", quit, 6},
      // Without the callback the audio plays but the position stays 0: the first scene runs
      // until the viewer quits.
      {"no sync callback", [] { platform::OfflineFailCall(OfflineCall::MusicSetSyncCallback);
                                platform::OfflineScriptMessage(2000, OfflineMessage::Escape); },
       0, "", quit, 2001},
      {"no counter", fail(OfflineCall::QueryPerformanceCounter), 10, "", {"QueryPerformanceCounter"}, 0},
      {"no frequency", fail(OfflineCall::QueryPerformanceFrequency), 10, "", {"QueryPerformanceFrequency"}, 0},
      {"DirectDrawCreate", fail(OfflineCall::DirectDrawCreate), 15, "impossible de poser le ddraw!!\n", box, 0},
      {"SetCooperativeLevel", fail(OfflineCall::SetCooperativeLevel), 15,
       "impossible de poser le SetCooperativeLevel!!\n", box, 0},
      {"SetDisplayMode", fail(OfflineCall::SetDisplayMode), 15, "impossible de poser le fullscreen!!\n", box, 0},
      {"CreatePrimarySurface", fail(OfflineCall::CreatePrimarySurface), 15,
       "impossible de poser le CreateSurface!!\n", box, 0},
      {"GetAttachedBackBuffer", fail(OfflineCall::GetAttachedBackBuffer), 15,
       "impossible de poser le CreateSurface!!\n", box, 0},
      {"MusicConfig", fail(OfflineCall::MusicConfig), 15, "MIDAS ERREUR : MIDASconfig \n", box, 0},
      {"MusicInit", fail(OfflineCall::MusicInit), 15, "MIDAS ERREUR : MIDASinit \n", box, 0},
      {"MusicLoadModule", fail(OfflineCall::MusicLoadModule), 15, load, box, 0},
      {"MusicPlayModule", fail(OfflineCall::MusicPlayModule), 15, "MIDAS ERREUR : MIDASplayModule \n", box, 0},
      // The shut-down failures, at the normal end and on a quit.
      {"MusicStopModule", fail(OfflineCall::MusicStopModule), 15, "MIDAS ERREUR : MIDASstopModule \n", box, -1},
      {"MusicFreeModule", fail(OfflineCall::MusicFreeModule), 15, "MIDAS ERREUR : MIDASfreeModule \n", box, -1},
      {"MusicClose", fail(OfflineCall::MusicClose), 15, "MIDAS ERREUR : MIDASclose \n", box, -1},
      {"MusicStopModule on quit", fail(OfflineCall::MusicStopModule, 3), 15, "MIDAS ERREUR : MIDASstopModule \n", box, 4},
      {"MusicFreeModule on quit", fail(OfflineCall::MusicFreeModule, 3), 15, "MIDAS ERREUR : MIDASfreeModule \n", box, 4},
      {"MusicClose on quit", fail(OfflineCall::MusicClose, 3), 15, "MIDAS ERREUR : MIDASclose \n", box, 4},
      // Last, as they spoil the module: missing, then cut short.
      {"missing module", [] { std::filesystem::remove("data/mowt.xm"); }, 15, load, box, 0},
      {"truncated module", [] { std::ofstream("data/mowt.xm", std::ios::binary) << "Extended Module: \x1a"; },
       15, load, box, 0},
  };
  for (const EndCase& c : cases) {
    SCOPED_TRACE(c.name);
    const ChildResult result = RunDemoInChild(c.script, /*traceCalls=*/true);
    ASSERT_TRUE(result.exited);
    EXPECT_EQ(result.exitCode, c.exitCode);  // FatalError's 9999 arrives as 15
    std::vector<std::string> calls;
    std::string message;
    std::istringstream stream(result.errorOutput);
    for (std::string line; std::getline(stream, line);) {
      if (line.rfind("platform: ", 0) == 0) {
        calls.push_back(line.substr(10));
      } else {
        message += line + "\n";
      }
    }
    EXPECT_EQ(message, c.message);
    ASSERT_GE(calls.size(), c.lastCalls.size());
    EXPECT_EQ(std::vector(calls.end() - static_cast<ptrdiff_t>(c.lastCalls.size()), calls.end()), c.lastCalls);
    if (c.flips >= 0) {
      EXPECT_EQ(std::count(calls.begin(), calls.end(), "Flip"), c.flips);
    }
    // No performance counter: the process ends before any music call.
    if (c.exitCode == 10) {
      EXPECT_TRUE(std::none_of(calls.begin(), calls.end(), [](const std::string& call) { return call.rfind("Music", 0) == 0; }));
    }
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
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_FALSE(std::filesystem::exists("sniffer.txt"));
}

TEST(DemoStartUpProbe, DISABLED_ExitsWithOneIfTheLogIsStillThere) {
  std::exit(std::filesystem::exists("sniffer.txt") ? 1 : 0);
}

}  // namespace

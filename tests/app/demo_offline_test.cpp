// The whole program on the offline backend: start-up and shut-down order, presentation,
// messages, grabs, scene timing, and how the process ends on every failure.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

#include <unistd.h>

#include "app/demo.h"
#include "app/frame_buffer.h"
#include "app/music.h"
#include "platform/offline.h"
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

std::vector<std::string> TraceLines(const std::string& errorOutput) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < errorOutput.size()) {
    size_t end = errorOutput.find('\n', start);
    if (end == std::string::npos) end = errorOutput.size();
    const std::string line = errorOutput.substr(start, end - start);
    if (line.rfind("platform: ", 0) == 0) lines.push_back(line.substr(10));
    start = end + 1;
  }
  return lines;
}

int CountOf(const std::vector<std::string>& lines, const std::string& name) {
  return static_cast<int>(std::count(lines.begin(), lines.end(), name));
}

class DemoOffline : public testing::Test {
 protected:
  void SetUp() override { WriteTestModule(); }
  void TearDown() override { ResetDemoState(); }
  WorkDirectory work_;
};

TEST_F(DemoOffline, PlaysTheSixScenesInOrderOnTheMusicAndReturnsZero) {
  const std::map<int, int32_t> endOf = {{1, 12}, {2, 20}, {3, 28}, {4, 32},
                                        {5, 40}, {6, 44}, {7, 96}};
  std::vector<int> cards;
  std::vector<int32_t> positionAtFrame;  // what the scene saw before drawing the frame
  bool bordersBlack = true, pictureInPlace = true;
  platform::OfflineSettings settings;
  settings.frameSink = [&](const platform::OfflineFrame& frame) {
    ASSERT_EQ(frame.surfaceWidth, 512);
    ASSERT_EQ(frame.surfaceHeight, 384);
    for (int y = 0; y < 384; ++y) {
      const uint32_t* row = frame.surface + y * 512;
      if (y < 64 || y >= 320) {
        bordersBlack &= std::all_of(row, row + 512, [](uint32_t p) { return p == 0; });
      } else {
        pictureInPlace &= std::equal(row, row + 512, frame.picture + (y - 64) * 512) &&
                          std::equal(row, row + 512, TheDemo->frameBuffer + (y - 64) * 512);
      }
    }
    cards.push_back(StandInCardOf(frame.picture));
    positionAtFrame.push_back(MusicPosition.load());
  };
  NewRun(settings);
  ASSERT_EQ(DemoMain(), 0);

  EXPECT_TRUE(bordersBlack);
  EXPECT_TRUE(pictureInPlace);
  ASSERT_EQ(StandInSceneCalls.size(), 6u);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(StandInSceneCalls[i].scene, i + 1);
    EXPECT_EQ(StandInSceneCalls[i].frame, TheDemo->frameBuffer);
    EXPECT_GT(StandInSceneCalls[i].framesPresented, 0);
  }
  // Each card ends on exactly the frame after which the position reached its end value.
  ASSERT_FALSE(cards.empty());
  EXPECT_EQ(cards.front(), 1);
  EXPECT_EQ(cards.back(), 7);
  for (size_t n = 0; n < cards.size(); ++n) {
    ASSERT_GE(cards[n], 1) << "frame " << n;
    EXPECT_LT(positionAtFrame[n], endOf.at(cards[n])) << "frame " << n;
    if (n > 0 && cards[n] != cards[n - 1]) {
      EXPECT_EQ(cards[n], cards[n - 1] + 1) << "frame " << n;
      EXPECT_GE(positionAtFrame[n], endOf.at(cards[n - 1])) << "frame " << n;
    }
  }
  EXPECT_GE(MusicPosition.load(), 96);

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
  EXPECT_TRUE(std::equal(startUp.begin(), startUp.end(), log.begin()));
  const std::vector<std::string> shutDown = {"MusicStopModule", "MusicFreeModule", "MusicClose",
                                             "DestroyWindow"};
  EXPECT_TRUE(std::equal(shutDown.begin(), shutDown.end(), log.end() - 4));
  EXPECT_FALSE(platform::OfflineCursorShown());
  EXPECT_FALSE(platform::OfflineWindowExists());
  // One message poll per presented frame.
  EXPECT_EQ(platform::OfflineCallCount(OfflineCall::PeekMessage), platform::OfflinePresentedFrames());
}

TEST_F(DemoOffline, ReturnWritesOneGrabPerFrameOfTheFrameAboutToBeShown) {
  // Return at 10; another key then Return both at 11: one message per frame, so the second
  // grab comes with frame 12.
  std::vector<std::pair<bool, bool>> grabsAfterFrame;
  platform::OfflineSettings settings;
  settings.frameSink = [&](const platform::OfflineFrame&) {
    grabsAfterFrame.push_back({FileExists("grab_1.bmp"), FileExists("grab_2.bmp")});
  };
  NewRun(settings);
  platform::OfflineScriptMessage(10, OfflineMessage::Return);
  platform::OfflineScriptMessage(11, OfflineMessage::OtherKey);
  platform::OfflineScriptMessage(11, OfflineMessage::Return);
  ASSERT_EQ(DemoMain(), 0);
  ASSERT_GT(grabsAfterFrame.size(), 13u);
  EXPECT_EQ(grabsAfterFrame[9], std::make_pair(false, false));
  EXPECT_EQ(grabsAfterFrame[10], std::make_pair(true, false));
  EXPECT_EQ(grabsAfterFrame[11], std::make_pair(true, false));
  EXPECT_EQ(grabsAfterFrame[12], std::make_pair(true, true));
  EXPECT_FALSE(FileExists("grab_3.bmp"));
  // Frames 10 and 12 show card 1.
  std::vector<uint32_t> card(kFramePixels);
  DrawStandInCard(card.data(), 1);
  const std::vector<uint8_t> grab = ReadFileBytes("grab_1.bmp");
  ASSERT_EQ(grab.size(), 393274u);
  for (int row = 0; row < kFrameHeight; row += 37)
    for (int x = 0; x < kFrameWidth; x += 13) {
      const size_t at = 58 + static_cast<size_t>(255 - row) * 1536 + x * 3;
      const uint32_t pixel = card[row * kFrameWidth + x];
      ASSERT_EQ(grab[at], pixel & 0xFF);
      ASSERT_EQ(grab[at + 1], (pixel >> 8) & 0xFF);
      ASSERT_EQ(grab[at + 2], (pixel >> 16) & 0xFF);
    }
  EXPECT_EQ(ReadFileBytes("grab_2.bmp"), grab);
}

TEST_F(DemoOffline, FailedLocksSkipTheCopyAndTheDemoPlaysOn) {
  // Lock 1 is the set-up clear; locks 2 and 3 are frames 0 and 1.
  platform::OfflineSettings settings;
  std::vector<uint32_t> firstRows;
  settings.frameSink = [&](const platform::OfflineFrame& frame) {
    firstRows.push_back(frame.surface[64 * 512]);
  };
  NewRun(settings);
  platform::OfflineFailCall(OfflineCall::Lock, 2);
  ASSERT_EQ(DemoMain(), 0);
  ASSERT_GT(firstRows.size(), 2u);
  EXPECT_EQ(firstRows[0], 0u);  // cleared, never written: the lock failed
  EXPECT_EQ(firstRows[1], StandInCardColour(1));
}

TEST_F(DemoOffline, EscapeAndCloseStopTheMusicThenDestroyTheWindowAndExitZero) {
  for (OfflineMessage quit : {OfflineMessage::Escape, OfflineMessage::Close}) {
    const ChildResult result = RunDemoInChild(
        [quit] { platform::OfflineScriptMessage(5, quit); }, /*traceCalls=*/true);
    ASSERT_TRUE(result.exited);
    EXPECT_EQ(result.exitCode, 0);
    const std::vector<std::string> lines = TraceLines(result.errorOutput);
    // The key is handled with frame 5, the quit message found by frame 6's poll.
    EXPECT_EQ(CountOf(lines, "Flip"), 6);
    const std::vector<std::string> tail = {"PeekMessage", "MusicStopModule", "MusicFreeModule",
                                           "MusicClose", "DestroyWindow"};
    ASSERT_GE(lines.size(), tail.size());
    EXPECT_TRUE(std::equal(tail.begin(), tail.end(), lines.end() - 5));
    EXPECT_EQ(CountOf(lines, "PostQuitMessage"), 1);
  }
}

struct FatalCase {
  OfflineCall call;
  int32_t nth;
  const char* message;
};

TEST_F(DemoOffline, EveryFailureEndsWithItsMessageAndStatus15) {
  const FatalCase cases[] = {
      {OfflineCall::DirectDrawCreate, 1, "impossible de poser le ddraw!!\n"},
      {OfflineCall::SetCooperativeLevel, 1, "impossible de poser le SetCooperativeLevel!!\n"},
      {OfflineCall::SetDisplayMode, 1, "impossible de poser le fullscreen!!\n"},
      {OfflineCall::CreatePrimarySurface, 1, "impossible de poser le CreateSurface!!\n"},
      {OfflineCall::GetAttachedBackBuffer, 1, "impossible de poser le CreateSurface!!\n"},
      {OfflineCall::MusicConfig, 1, "MIDAS ERREUR : MIDASconfig \n"},
      {OfflineCall::MusicInit, 1, "MIDAS ERREUR : MIDASinit \n"},
      {OfflineCall::MusicLoadModule, 1, "MIDAS ERREUR : MIDASloadModule \n"},
      {OfflineCall::MusicPlayModule, 1, "MIDAS ERREUR : MIDASplayModule \n"},
      {OfflineCall::MusicStopModule, 1, "MIDAS ERREUR : MIDASstopModule \n"},
      {OfflineCall::MusicFreeModule, 1, "MIDAS ERREUR : MIDASfreeModule \n"},
      {OfflineCall::MusicClose, 1, "MIDAS ERREUR : MIDASclose \n"},
  };
  for (const FatalCase& c : cases) {
    SCOPED_TRACE(platform::OfflineCallName(c.call));
    // The shut-down failures are met both at the normal end and on a quit.
    for (bool quitEarly : {false, true}) {
      const bool atShutDown = c.call == OfflineCall::MusicStopModule ||
                              c.call == OfflineCall::MusicFreeModule ||
                              c.call == OfflineCall::MusicClose;
      if (quitEarly && !atShutDown) continue;
      const ChildResult result = RunDemoInChild([&] {
        platform::OfflineFailCall(c.call, c.nth);
        if (quitEarly) platform::OfflineScriptMessage(3, OfflineMessage::Escape);
      });
      ASSERT_TRUE(result.exited);
      EXPECT_EQ(result.exitCode, 9999 & 0xFF);
      EXPECT_EQ(result.exitCode, 15);
      EXPECT_EQ(result.errorOutput, c.message);
    }
  }
}

TEST_F(DemoOffline, FatalErrorDestroysTheWindowBeforeItsBox) {
  const ChildResult result = RunDemoInChild(
      [] { platform::OfflineFailCall(OfflineCall::MusicInit); }, /*traceCalls=*/true);
  EXPECT_EQ(result.exitCode, 15);
  const std::vector<std::string> lines = TraceLines(result.errorOutput);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2], "DestroyWindow");
  EXPECT_EQ(lines.back(), "ErrorMessageBox");
  EXPECT_NE(result.errorOutput.find("MIDAS ERREUR : MIDASinit \n"), std::string::npos);
}

TEST_F(DemoOffline, AMissingOrBrokenModuleIsAFatalLoadError) {
  std::filesystem::remove("data/mowt.xm");
  ChildResult result = RunDemoInChild([] {});
  EXPECT_EQ(result.exitCode, 15);
  EXPECT_EQ(result.errorOutput, "MIDAS ERREUR : MIDASloadModule \n");
  { std::ofstream broken("data/mowt.xm", std::ios::binary); broken << "Extended Module: \x1a"; }
  result = RunDemoInChild([] {});
  EXPECT_EQ(result.exitCode, 15);
  EXPECT_EQ(result.errorOutput, "MIDAS ERREUR : MIDASloadModule \n");
}

TEST_F(DemoOffline, NoPerformanceCounterEndsWith10BeforeAnyMusicCall) {
  for (OfflineCall call : {OfflineCall::QueryPerformanceCounter, OfflineCall::QueryPerformanceFrequency}) {
    const ChildResult result =
        RunDemoInChild([call] { platform::OfflineFailCall(call); }, /*traceCalls=*/true);
    ASSERT_TRUE(result.exited);
    EXPECT_EQ(result.exitCode, 10);
    const std::vector<std::string> lines = TraceLines(result.errorOutput);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), platform::OfflineCallName(call));
    for (const std::string& line : lines) EXPECT_EQ(line.rfind("Music", 0), std::string::npos) << line;
    // No message: nothing but the trace on stderr.
    EXPECT_EQ(result.errorOutput.find("ERREUR"), std::string::npos);
  }
}

TEST_F(DemoOffline, MusicPositionMovesOnlyThroughTheSyncCallback) {
  // Without the callback installed the audio still plays, but the position stays 0 and
  // the first scene runs until the viewer quits.
  const ChildResult result = RunDemoInChild([] {
    platform::OfflineFailCall(OfflineCall::MusicSetSyncCallback);
    platform::OfflineScriptMessage(2000, OfflineMessage::Escape);
  }, /*traceCalls=*/true);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(CountOf(TraceLines(result.errorOutput), "Flip"), 2001);
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
  EXPECT_FALSE(FileExists("sniffer.txt"));
  // With no log file at all, start-up is just as quiet.
  const ChildResult again = RunInChild([&] {
    execl(self.c_str(), self.c_str(), "--gtest_also_run_disabled_tests",
          "--gtest_filter=DemoStartUpProbe.DISABLED_ExitsWithOneIfTheLogIsStillThere",
          static_cast<char*>(nullptr));
    return 3;
  });
  EXPECT_EQ(again.exitCode, 0);
}

TEST(DemoStartUpProbe, DISABLED_ExitsWithOneIfTheLogIsStillThere) {
  std::exit(FileExists("sniffer.txt") ? 1 : 0);
}

}  // namespace

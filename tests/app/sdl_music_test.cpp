// The real-time music path on the SDL backend's silent output: positions are reported in
// song order, never before their audio is due, and the song position shared with the main
// thread is free of data races (this test also runs under ThreadSanitizer in CI).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/platform.h"
#include "tests/app/harness.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Report {
  uint32_t row;     // counted from the start of the song: order * 2 + row
  double seconds;   // since just before playback started
};

Clock::time_point playbackStart;
std::vector<Report> reports;  // written by the audio thread only, read after CloseMusicLibrary
std::atomic<int32_t> position{0};

void OnSync(uint32_t, uint32_t order, uint32_t row) {
  reports.push_back({order * 2 + row, std::chrono::duration<double>(Clock::now() - playbackStart).count()});
  position.store(static_cast<int32_t>(order), std::memory_order_relaxed);
}

TEST(SdlMusic, ReportsPositionsInOrderAndNeverBeforeTheyAreHeard) {
  WorkDirectory work;
  WriteTestModule(kSongPositionsNeeded, 2, 3, 125);  // rows of 2880 samples, 60 ms
  setenv("SDL_AUDIODRIVER", "dummy", 1);  // the clock-paced silent output
  ASSERT_TRUE(platform::ChooseMusicOutput());
  ASSERT_TRUE(platform::OpenMusicOutput());
  const platform::ModuleHandle module = platform::LoadModule("data/mowt.xm");
  ASSERT_NE(module, 0u);
  const platform::PlayHandle play = platform::PrepareModule(module, true);
  ASSERT_NE(play, 0u);
  platform::SetPositionCallback(play, OnSync);
  playbackStart = Clock::now();
  platform::StartPlaying(20);
  // The main thread reads the position the way the scenes do, while the audio thread plays.
  int32_t highest = 0;
  while (Clock::now() - playbackStart < std::chrono::milliseconds(2500)) {
    const int32_t now = position.load(std::memory_order_relaxed);
    EXPECT_GE(now, highest);
    highest = now;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_TRUE(platform::StopModule(play));
  EXPECT_TRUE(platform::FreeModule(module));
  EXPECT_TRUE(platform::CloseMusicLibrary());

  ASSERT_GT(reports.size(), 10u);
  EXPECT_GT(highest, 5);
  for (size_t i = 0; i < reports.size(); ++i) {
    EXPECT_GE(reports[i].seconds, reports[i].row * 0.06 - 0.001) << "row " << reports[i].row;
    EXPECT_LE(reports[i].seconds, reports[i].row * 0.06 + 0.5) << "row " << reports[i].row;
    EXPECT_TRUE(i == 0 || reports[i].row == reports[i - 1].row + 1) << "row " << reports[i].row;
  }
}

}  // namespace

// The viewer's pause and mute on the offline backend: a paused run presents the same
// frames, clock readings, song positions and sound as a run never paused, a grab in the
// pause holds the frame shown before it, the quit keys work in the pause, and muting
// silences the sound without moving the song.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "app/demo.h"
#include "app/music.h"
#include "app/timer.h"
#include "core/exit_codes.h"
#include "image/surface.h"
#include "platform/offline.h"
#include "tests/app/harness.h"
#include "tests/stand_in/stand_in_scenes.h"

namespace {

using platform::OfflineCall;
using platform::OfflineMessage;

// What one presented frame carried: the card, the scene clock, the song position and the
// frame's sound.
struct FrameRecord {
  int card = 0;
  double seconds = 0;
  int32_t position = 0;
  std::vector<int16_t> sound;
  bool operator==(const FrameRecord&) const = default;
};

struct RunRecord {
  int exitCode = -1;
  std::vector<FrameRecord> frames;
  std::vector<uint32_t> pictureAt30;  // the picture of presented frame 30
};

struct Scripted {
  int64_t frame;
  OfflineMessage message;
};

RunRecord PlayWith(const std::vector<Scripted>& script) {
  RunRecord run;
  ResetDemoState();
  StandInSceneCalls.clear();
  platform::OfflineSettings settings;
  settings.frameSink = [&](const platform::OfflineFrame& frame) {
    run.frames.push_back({StandInCardOf(frame.picture), TimerSeconds(), MusicPosition.load(), {}});
    if (frame.index == 30) run.pictureAt30.assign(frame.picture, frame.picture + 512 * 256);
  };
  settings.audioSink = [&](const int16_t* samples, int32_t count) {
    run.frames.back().sound.assign(samples, samples + 2 * count);
  };
  platform::OfflineReset(settings);
  for (const Scripted& message : script) platform::OfflineScriptMessage(message.frame, message.message);
  run.exitCode = DemoMain();
  return run;
}

bool Silent(const FrameRecord& frame) {
  return std::all_of(frame.sound.begin(), frame.sound.end(), [](int16_t s) { return s == 0; });
}

class ViewerControls : public testing::Test {
 protected:
  void SetUp() override { WriteTestModule(); }
  void TearDown() override { ResetDemoState(); }
  WorkDirectory work_;
};

TEST_F(ViewerControls, APauseLosesNothingAndItsGrabHoldsTheFrameShownBeforeIt) {
  const RunRecord plain = PlayWith({});
  ASSERT_EQ(plain.exitCode, kExitNormal);
  ASSERT_GT(plain.frames.size(), 200u);

  // Space in frame 30 pauses after it is shown; Return and M and M again are answered in
  // the pause; Space at frame time 150 goes on. A second pause, later, with nothing in it.
  const RunRecord paused = PlayWith({{30, OfflineMessage::Space}, {60, OfflineMessage::Return},
                               {70, OfflineMessage::M}, {71, OfflineMessage::M},
                               {150, OfflineMessage::Space}, {200, OfflineMessage::Space},
                               {201, OfflineMessage::Space}});
  ASSERT_EQ(paused.exitCode, kExitNormal);
  EXPECT_EQ(platform::OfflineCallCount(OfflineCall::HoldMusic), 4);
  // Frame for frame the same cards, clock readings, positions and sound: nothing jumped.
  ASSERT_EQ(paused.frames.size(), plain.frames.size());
  for (size_t i = 0; i < plain.frames.size(); ++i) ASSERT_EQ(paused.frames[i], plain.frames[i]) << "frame " << i;

  const Surface grab("grab_1.bmp");
  ASSERT_EQ(paused.pictureAt30.size(), static_cast<size_t>(grab.width) * grab.height);
  EXPECT_TRUE(std::equal(paused.pictureAt30.begin(), paused.pictureAt30.end(), grab.pixels.begin()));
  EXPECT_FALSE(std::filesystem::exists("grab_2.bmp"));
}

TEST_F(ViewerControls, MutingSilencesTheSoundWhileTheSongMovesOn) {
  const RunRecord plain = PlayWith({});
  const RunRecord muted = PlayWith({{20, OfflineMessage::M}, {100, OfflineMessage::M}});
  ASSERT_EQ(muted.exitCode, kExitNormal);
  ASSERT_EQ(muted.frames.size(), plain.frames.size());
  bool someSound = false;
  for (size_t i = 0; i < plain.frames.size(); ++i) {
    FrameRecord expected = plain.frames[i];
    // The M of frame 20 is taken before that frame is shown; the sound goes with the frame.
    if (i >= 20 && i < 100) {
      someSound |= !Silent(expected);
      std::fill(expected.sound.begin(), expected.sound.end(), int16_t{0});
    }
    ASSERT_EQ(muted.frames[i], expected) << "frame " << i;
  }
  EXPECT_TRUE(someSound) << "the muted stretch had sound to silence";
}

TEST_F(ViewerControls, TheQuitKeysWorkInAPauseAndANeverEndingPauseIsClosed) {
  struct Case {
    const char* what;
    std::vector<Scripted> script;
  };
  const Case cases[] = {
      {"Escape in the pause", {{40, OfflineMessage::Space}, {100, OfflineMessage::Escape}}},
      {"the close request in the pause", {{40, OfflineMessage::Space}, {100, OfflineMessage::Close}}},
      {"a pause that nothing ends", {{40, OfflineMessage::Space}}},
  };
  for (const Case& c : cases) {
    const ChildResult result = RunInChild([&] {
      platform::OfflineSettings settings;
      settings.traceCalls = true;
      ResetDemoState();
      platform::OfflineReset(settings);
      for (const Scripted& message : c.script) platform::OfflineScriptMessage(message.frame, message.message);
      return DemoMain() + 100;  // the normal end would give 100
    });
    ASSERT_TRUE(result.exited) << c.what;
    EXPECT_EQ(result.exitCode, kExitNormal) << c.what;
    // Ended from inside the pause, after frame 40, with the music shut down first.
    const std::string& trace = result.errorOutput;
    const size_t wait = trace.rfind("platform: WaitForEvent");
    const size_t stop = trace.find("platform: StopModule");
    ASSERT_NE(wait, std::string::npos) << c.what;
    ASSERT_NE(stop, std::string::npos) << c.what;
    EXPECT_LT(wait, stop) << c.what;
    EXPECT_LT(stop, trace.find("platform: CloseMusicLibrary")) << c.what;
    EXPECT_LT(trace.find("platform: CloseMusicLibrary"), trace.find("platform: RemoveWindow")) << c.what;
  }
}

}  // namespace

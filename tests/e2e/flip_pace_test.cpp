// The real-time backend presents at the pace of a 60 Hz display mode under Xvfb, whose
// display honours no vsync: with vsync asked for, without it, and minimised, where
// nothing is drawn and the process sleeps between frames.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>

#include "core/exit_codes.h"
#include "tests/app/harness.h"
#include "tests/e2e/x_session.h"

namespace {

struct Pace {
  double framesPerSecond = 0.0, cpuShare = 1.0;
};

// Runs the flip program (3 s of warm-up, then 3 s counted), minimising its window during
// the warm-up if asked.
Pace MeasurePace(const Environment& environment, bool minimise) {
  WorkDirectory work;
  DemoProcess program;
  Pace pace;
  EXPECT_TRUE(program.Start(ZELTO_FLIP_PACE_PROGRAM, work.path(), environment));
  if (minimise) {
    std::string window;
    WaitUntil(3, [&] { return !(window = CommandOutput("timeout 5 xdotool search --name '^Zelto2k$' 2>/dev/null")).empty(); }, 50);
    window = window.substr(0, window.find('\n'));
    EXPECT_FALSE(window.empty()) << "no window to minimise";
    CommandOutput("timeout 5 xdotool windowminimize " + window + " >/dev/null 2>&1");
  }
  int exitCode = -1;
  EXPECT_TRUE(program.WaitForExit(15, &exitCode)) << program.ErrorOutput();
  EXPECT_EQ(exitCode, kExitNormal) << program.ErrorOutput();
  std::ifstream output(work.path() + "/stdout.txt");
  std::string ready;
  long long frames = 0;
  double seconds = 0.0, cpu = 0.0;
  output >> ready >> frames >> seconds >> cpu;
  EXPECT_EQ(ready, "ready");
  if (seconds > 0.0) pace = {static_cast<double>(frames) / seconds, cpu / seconds};
  std::printf("%s%s: %.3f frames per second, %.1f %% of a core\n", minimise ? "minimised, " : "",
              environment.size() > 2 ? "vsync off" : "vsync asked for", pace.framesPerSecond, 100.0 * pace.cpuShare);
  return pace;
}

class FlipPace : public testing::Test {
 protected:
  // A small screen keeps the scaling cheap: the pace, not the machine's speed, is tested.
  void SetUp() override { ASSERT_TRUE(session_.Start(640, 480)) << "cannot start Xvfb and openbox"; }
  XSession session_;
};

// On a loaded machine the scheduler can stall the program (or the X server) for a tenth
// of a second, and a dropped stall costs frames that no pacer can give back: each case
// gets three tries. A pacer that drifts, runs free or races to catch up fails all three.
bool PacedAtSixty(const Environment& environment, bool minimise, double mostCpuShare) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    const Pace pace = MeasurePace(environment, minimise);
    if (std::abs(pace.framesPerSecond - 60.0) <= 0.5 && pace.cpuShare < mostCpuShare) return true;
  }
  return false;
}

TEST_F(FlipPace, SixtyFramesASecondWithOrWithoutVsyncAndAsleepWhenMinimised) {
  const Environment onX = {{"SDL_AUDIODRIVER", "dummy"}, {"SDL_VIDEODRIVER", ""}};
  Environment noVsync = onX;
  noVsync.push_back({"SDL_RENDER_VSYNC", "0"});
  EXPECT_TRUE(PacedAtSixty(onX, false, 0.6)) << "vsync asked for";
  EXPECT_TRUE(PacedAtSixty(noVsync, false, 0.6)) << "vsync off";
  // Minimised, the program still fills its buffer and the display model still copies it
  // (about a tenth of a core here, more on a loaded machine); a pacer that spins takes a
  // whole core, and one that still renders takes what the visible cases take.
  EXPECT_TRUE(PacedAtSixty(onX, true, 0.2)) << "minimised";
}

}  // namespace

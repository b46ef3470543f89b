// The demo in a real X window (Xvfb with openbox), on the SDL backend with the silent audio
// output: full-screen scaling, Return, Escape, the window manager's close, the normal end,
// the error box, and the refusal to play with no display at all.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "app/frame_buffer.h"
#include "tests/app/harness.h"
#include "tests/e2e/x_session.h"
#include "tests/stand_in/stand_in_scenes.h"

namespace {

constexpr int kScreenWidth = 1280;
constexpr int kScreenHeight = 720;
// 512 x 384 scaled to fit 1280 x 720: 1.875 times, 960 x 720, centred at x = 160.
constexpr double kScale = 720.0 / 384.0;
constexpr int kLeft = 160;

using Environment = std::vector<std::pair<std::string, std::string>>;

// Where picture pixel (x, y) lands on the screen: its centre, scaled.
int ScreenX(double x) { return kLeft + static_cast<int>((x + 0.5) * kScale); }
int ScreenY(double y) { return static_cast<int>((y + 64 + 0.5) * kScale); }

// The card that the screen shows, scaled as full screen shows it, or 0.
int CardOnScreen(const Screenshot& shot) {
  if (shot.width != kScreenWidth || shot.height != kScreenHeight) return 0;
  const uint32_t background = shot.Pixel(ScreenX(300), ScreenY(200));
  int card = 0;
  for (int number = 1; number <= 7; ++number)
    if (StandInCardColour(number) == background) card = number;
  if (card == 0) return 0;
  // The rows above and below the picture and the bars beside it are black.
  const int blackPoints[][2] = {{640, 5}, {640, ScreenY(-3)}, {640, ScreenY(258)}, {640, 715},
                                {5, 360}, {kLeft - 3, 360}, {kScreenWidth - kLeft + 2, 360},
                                {1275, 360}};
  for (const auto& point : blackPoints)
    if (shot.Pixel(point[0], point[1]) != 0) return 0;
  // The picture's edges and its blocks, pixel for pixel scaled.
  if (shot.Pixel(ScreenX(0), ScreenY(0)) != background) return 0;
  if (shot.Pixel(ScreenX(511), ScreenY(255)) != background) return 0;
  for (int block = 0; block < 7; ++block) {
    const uint32_t expected = block < card ? 0x00FFFFFFu : background;
    if (shot.Pixel(ScreenX(16 + block * 24), ScreenY(16)) != expected) return 0;
    if (shot.Pixel(ScreenX(31 + block * 24), ScreenY(47)) != expected) return 0;
    if (shot.Pixel(ScreenX(32 + block * 24), ScreenY(30)) != background) return 0;
  }
  return card;
}

// The X id of the managed window titled `title`, from the window manager's list, or "".
std::string WindowId(const std::string& title) {
  const std::string list = RunCommand("timeout 5 wmctrl -l 2>/dev/null");
  size_t start = 0;
  while (start < list.size()) {
    size_t end = list.find('\n', start);
    if (end == std::string::npos) end = list.size();
    const std::string line = list.substr(start, end - start);
    start = end + 1;
    // "0x00800002  0 host title": the title follows the third field.
    size_t at = 0;
    for (int field = 0; field < 3 && at != std::string::npos; ++field) {
      at = line.find_first_not_of(' ', at);
      at = at == std::string::npos ? at : line.find(' ', at);
    }
    if (at == std::string::npos) continue;
    if (line.substr(at + 1) == title) return line.substr(0, line.find(' '));
  }
  return "";
}

class RealWindow : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(session_.Start(kScreenWidth, kScreenHeight)) << "cannot start Xvfb and openbox";
  }

  // Starts the stand-in demo with a module of `orders` orders of `rows` rows.
  void StartDemo(int orders, int rows, int speed, bool withModule = true) {
    if (withModule) WriteTestModule(orders, rows, speed, 125);
    ASSERT_TRUE(demo_.Start(ZELTO_STAND_IN_PROGRAM, work_.path(),
                            {{"SDL_AUDIODRIVER", "dummy"}, {"SDL_VIDEODRIVER", ""}}));
  }

  void ExpectExit(double seconds, int expected) {
    int exitCode = -1;
    ASSERT_TRUE(demo_.WaitForExit(seconds, &exitCode)) << demo_.ErrorOutput();
    EXPECT_EQ(exitCode, expected) << demo_.ErrorOutput();
  }

  WorkDirectory work_;
  XSession session_;
  DemoProcess demo_;
};

TEST_F(RealWindow, ShowsTheCardFullScreenGrabsItOnReturnAndQuitsOnEscape) {
  StartDemo(97, 2, 3);  // about 12 seconds of music
  ASSERT_TRUE(demo_.WaitForLine("first frame", 20)) << demo_.ErrorOutput();
  // The window's X id changes when the renderer is created: look it up now.
  const std::string window = WindowId("Zelto2k");
  ASSERT_FALSE(window.empty());
  // Full screen takes a moment under the window manager.
  Screenshot shot;
  int card = 0;
  for (int attempt = 0; attempt < 40 && card == 0; ++attempt) {
    if (TakeScreenshot(&shot)) card = CardOnScreen(shot);
    if (card == 0) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  ASSERT_NE(card, 0) << "the screen never showed a card scaled to full screen";

  RunCommand("timeout 5 xdotool windowactivate --sync " + window + " >/dev/null 2>&1");
  RunCommand("timeout 5 xdotool key Return");
  std::vector<uint8_t> grab;
  for (int attempt = 0; attempt < 100 && grab.size() != 393274u; ++attempt) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    grab = ReadFileBytes(work_.path() + "/grab_1.bmp");
  }
  ASSERT_EQ(grab.size(), 393274u);
  std::vector<uint32_t> picture(kFramePixels);
  for (int row = 0; row < kFrameHeight; ++row)
    for (int x = 0; x < kFrameWidth; ++x) {
      const size_t at = 58 + static_cast<size_t>(kFrameHeight - 1 - row) * 1536 + x * 3;
      picture[row * kFrameWidth + x] = (grab[at + 2] << 16) | (grab[at + 1] << 8) | grab[at];
    }
  const int grabbed = StandInCardOf(picture.data());
  EXPECT_GE(grabbed, card);  // the frame shown when Return went down, exactly
  EXPECT_LE(grabbed, card + 1);

  const auto escape = std::chrono::steady_clock::now();
  RunCommand("timeout 5 xdotool key Escape");
  ExpectExit(5, 0);
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - escape).count(), 1.0);
}

TEST_F(RealWindow, EscapeGetsThroughAStormOfMouseMoves) {
  // Only key-downs and the close request are queued: 600 mouse moves handled one per
  // frame would hold Escape back for ten seconds.
  StartDemo(97, 2, 3);
  ASSERT_TRUE(demo_.WaitForLine("first frame", 20)) << demo_.ErrorOutput();
  const std::string window = WindowId("Zelto2k");
  RunCommand("timeout 5 xdotool windowactivate --sync " + window + " >/dev/null 2>&1");
  std::string moves = "timeout 20 xdotool";
  for (int i = 0; i < 600; ++i)
    moves += " mousemove " + std::to_string(100 + i % 500) + " " + std::to_string(100 + i % 300);
  RunCommand(moves + " key Escape");
  const auto escape = std::chrono::steady_clock::now();
  ExpectExit(5, 0);
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - escape).count(), 1.0);
}

TEST_F(RealWindow, TheWindowManagersCloseEndsItWithZero) {
  StartDemo(97, 2, 3);
  ASSERT_TRUE(demo_.WaitForLine("first frame", 20)) << demo_.ErrorOutput();
  RunCommand("timeout 5 wmctrl -c Zelto2k");
  ExpectExit(5, 0);
}

TEST_F(RealWindow, TheWholeSequencePlaysToTheEndAndReturnsZero) {
  StartDemo(97, 1, 2);  // 97 orders of 40 ms
  ASSERT_TRUE(demo_.WaitForLine("first frame", 20)) << demo_.ErrorOutput();
  ExpectExit(30, 0);
  EXPECT_NE(demo_.ErrorOutput().find("the music plays silently"), std::string::npos);
}

TEST_F(RealWindow, AFatalErrorBoxWaitsForItsOk) {
  StartDemo(0, 0, 0, /*withModule=*/false);  // no data/mowt.xm
  std::string box;
  for (int attempt = 0; attempt < 300 && box.empty(); ++attempt) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    box = WindowId("FATAL ERROR");
  }
  ASSERT_FALSE(box.empty()) << demo_.ErrorOutput();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_TRUE(demo_.Running());  // waiting for the OK
  EXPECT_TRUE(WindowId("Zelto2k").empty());  // the demo's window went first
  EXPECT_NE(demo_.ErrorOutput().find("MIDAS ERREUR : MIDASloadModule \n"), std::string::npos);
  RunCommand("timeout 5 xdotool windowactivate --sync " + box + " >/dev/null 2>&1");
  RunCommand("timeout 5 xdotool key Return");
  int exitCode = -1;
  if (!demo_.WaitForExit(3, &exitCode)) {
    RunCommand("timeout 5 wmctrl -c 'FATAL ERROR'");
    ASSERT_TRUE(demo_.WaitForExit(5, &exitCode));
  }
  EXPECT_EQ(exitCode, 15);
}

TEST_F(RealWindow, TheRealDemoOpensItsWindowAndQuitsOnEscape) {
  // The built program with its generated data and real scenes.
  std::filesystem::create_directory_symlink(ZELTO_DATA_DIRECTORY, work_.path() + "/data");
  ASSERT_TRUE(demo_.Start(ZELTO_DEMO_PROGRAM, work_.path(),
                          {{"SDL_AUDIODRIVER", "dummy"}, {"SDL_VIDEODRIVER", ""}}));
  std::string window;
  for (int attempt = 0; attempt < 300 && window.empty(); ++attempt) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    window = WindowId("Zelto2k");
  }
  ASSERT_FALSE(window.empty()) << demo_.ErrorOutput();
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // past the first scene's loading
  ASSERT_TRUE(demo_.Running()) << demo_.ErrorOutput();
  window = WindowId("Zelto2k");
  RunCommand("timeout 5 xdotool windowactivate --sync " + window + " >/dev/null 2>&1");
  RunCommand("timeout 5 xdotool key Escape");
  ExpectExit(10, 0);
}

TEST(NoDisplay, RefusesToPlayUnseenAndSaysWhatToDo) {
  WorkDirectory work;
  WriteTestModule(97, 1, 2, 125);
  DemoProcess demo;
  ASSERT_TRUE(demo.Start(ZELTO_STAND_IN_PROGRAM, work.path(),
                         {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"SDL_VIDEODRIVER", ""},
                          {"SDL_AUDIODRIVER", "dummy"}}));
  int exitCode = -1;
  ASSERT_TRUE(demo.WaitForExit(20, &exitCode));
  EXPECT_EQ(exitCode, 15);
  const std::string errors = demo.ErrorOutput();
  EXPECT_NE(errors.find("impossible de poser le ddraw!!\n"), std::string::npos) << errors;
  EXPECT_NE(errors.find("SDL_VIDEODRIVER=dummy"), std::string::npos) << errors;
}

TEST(NoDisplay, TheDummyDriverPlaysItHeadless) {
  WorkDirectory work;
  WriteTestModule(97, 1, 2, 125);
  DemoProcess demo;
  ASSERT_TRUE(demo.Start(ZELTO_STAND_IN_PROGRAM, work.path(),
                         {{"DISPLAY", ""}, {"SDL_VIDEODRIVER", "dummy"}, {"SDL_AUDIODRIVER", "dummy"}}));
  ASSERT_TRUE(demo.WaitForLine("first frame", 20)) << demo.ErrorOutput();
  int exitCode = -1;
  ASSERT_TRUE(demo.WaitForExit(30, &exitCode));
  EXPECT_EQ(exitCode, 0) << demo.ErrorOutput();
}

}  // namespace

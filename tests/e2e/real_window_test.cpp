// The demo in a real X window (Xvfb with openbox), on the SDL backend with the silent audio
// output: full-screen scaling, Return, Escape, the window manager's close, the normal end,
// the viewer's pause, the error box, and the refusal to play with no display at all.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "core/exit_codes.h"
#include "image/surface.h"
#include "tests/app/harness.h"
#include "tests/e2e/x_session.h"
#include "tests/stand_in/stand_in_scenes.h"

namespace {

constexpr int kScreenWidth = 1280;
constexpr int kScreenHeight = 720;
// 512 x 384 scaled to fit 1280 x 720: 1.875 times, 960 x 720, centred at x = 160.
constexpr double kScale = 720.0 / 384.0;
constexpr int kLeft = 160;

const Environment kSilentOnX = {{"SDL_AUDIODRIVER", "dummy"}, {"SDL_VIDEODRIVER", ""}};

// How soon a quit must end the program. A key held back behind queued events costs a frame
// each (600 mouse moves: ten seconds); under the sanitizers on a busy machine a prompt
// quit has been seen to take just over one second, so the bound leaves room for that.
constexpr double kPromptQuitSeconds = 3.0;

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The screen as RGB triples, or empty.
std::vector<uint8_t> Screenshot() {
  const std::string rgb = CommandOutput("timeout 10 import -window root -depth 8 rgb:- 2>/dev/null");
  if (rgb.size() != static_cast<size_t>(kScreenWidth) * kScreenHeight * 3) return {};
  return std::vector<uint8_t>(rgb.begin(), rgb.end());
}

// The card that the screen shows, scaled as full screen shows it (picture pixel (x, y) at
// its scaled centre; black above, below and beside the picture), or 0.
int CardOnScreen(const std::vector<uint8_t>& shot) {
  if (shot.empty()) return 0;
  const auto onScreen = [&](int x, int y) {
    const size_t i = (static_cast<size_t>(y) * kScreenWidth + x) * 3;
    return static_cast<uint32_t>(shot[i] << 16 | shot[i + 1] << 8 | shot[i + 2]);
  };
  const auto at = [&](int x, int y) {
    return onScreen(kLeft + static_cast<int>((x + 0.5) * kScale), static_cast<int>((y + 64 + 0.5) * kScale));
  };
  const uint32_t background = at(300, 200);
  int card = 0;
  for (int number = 1; number <= 7; ++number)
    if (StandInCardColour(number) == background) card = number;
  const int blackPoints[][2] = {{640, 5}, {640, 115}, {640, 604}, {640, 715}, {5, 360}, {157, 360}, {1122, 360}, {1275, 360}};
  for (const auto& point : blackPoints)
    if (onScreen(point[0], point[1]) != 0) return 0;
  if (card == 0 || at(0, 0) != background || at(511, 255) != background) return 0;
  for (int block = 0; block < 7; ++block) {
    const uint32_t expected = block < card ? 0x00FFFFFFu : background;
    if (at(16 + block * 24, 16) != expected || at(31 + block * 24, 47) != expected ||
        at(32 + block * 24, 30) != background)
      return 0;
  }
  return card;
}

// The X id of the managed window titled `title`, from the window manager's list, or "".
std::string WindowId(const std::string& title) {
  const std::string ids = CommandOutput("timeout 5 wmctrl -l 2>/dev/null | awk '{id = $1; $1 = $2 = $3 = \"\"; "
                                     "if (substr($0, 4) == \"" + title + "\") print id}'");
  return ids.substr(0, ids.find('\n'));
}

std::string WaitForWindow(const std::string& title) {
  std::string window;
  WaitUntil(30, [&] { return !(window = WindowId(title)).empty(); }, 100);
  return window;
}

void Activate(const std::string& window) {
  CommandOutput("timeout 5 xdotool windowactivate --sync " + window + " >/dev/null 2>&1");
}

class RealWindow : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(session_.Start(kScreenWidth, kScreenHeight)) << "cannot start Xvfb and openbox";
  }

  // Starts the stand-in demo on a module of 97 orders and waits for its first frame; the
  // window's X id changes when the renderer is created, so it is looked up after that.
  std::string StartDemo(int rows = 2, int speed = 3) {
    WriteTestModule(kSongPositionsNeeded, rows, speed, 125);
    EXPECT_TRUE(demo_.Start(ZELTO_STAND_IN_PROGRAM, work_.path(), kSilentOnX));
    EXPECT_TRUE(demo_.WaitForLine("first frame", 20)) << demo_.ErrorOutput();
    return WindowId("Zelto2k");
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

TEST_F(RealWindow, ShowsTheCardFullScreenGrabsItOnReturnAndEscapeGetsThroughAStormOfMouseMoves) {
  const std::string window = StartDemo();  // about 12 seconds of music
  ASSERT_FALSE(window.empty());
  // Full screen takes a moment under the window manager.
  int card = 0;
  WaitUntil(4, [&] { return (card = CardOnScreen(Screenshot())) != 0; }, 100);
  ASSERT_NE(card, 0) << "the screen never showed a card scaled to full screen";

  Activate(window);
  CommandOutput("timeout 5 xdotool key Return");
  std::vector<uint8_t> grab;
  WaitUntil(5, [&] { return (grab = ReadFileBytes(work_.path() + "/grab_1.bmp")).size() == 393274u; }, 50);
  ASSERT_EQ(grab.size(), 393274u);
  const int grabbed = StandInCardOf(Surface((work_.path() + "/grab_1.bmp").c_str()).pixels.data());
  EXPECT_TRUE(grabbed == card || grabbed == card + 1) << grabbed;  // the frame shown when Return went down

  // Only key-downs and the close request are queued: 600 mouse moves handled one per
  // frame would hold Escape back for ten seconds.
  std::string moves = "timeout 20 xdotool";
  for (int i = 0; i < 600; ++i)
    moves += " mousemove " + std::to_string(100 + i % 500) + " " + std::to_string(100 + i % 300);
  CommandOutput(moves + " key Escape");
  const auto escape = std::chrono::steady_clock::now();
  ExpectExit(5, kExitNormal);
  EXPECT_LT(SecondsSince(escape), kPromptQuitSeconds);
}

TEST_F(RealWindow, SpacePausesWithTheWindowAnsweringAndTheMusicWaitsThenGoesOn) {
  const std::string window = StartDemo(1, 2);  // 97 orders of 40 ms: about 3.9 s of music
  ASSERT_FALSE(window.empty());
  const auto started = std::chrono::steady_clock::now();
  Activate(window);
  CommandOutput("timeout 5 xdotool key space");
  const double playedAtMost = SecondsSince(started);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const int paused = CardOnScreen(Screenshot());
  ASSERT_NE(paused, 0);
  // The window answers in the pause: Return grabs the picture on the screen, and the
  // screen stays on it.
  CommandOutput("timeout 5 xdotool key Return");
  WaitUntil(5, [&] { return ReadFileBytes(work_.path() + "/grab_1.bmp").size() == 393274u; }, 50);
  EXPECT_EQ(StandInCardOf(Surface((work_.path() + "/grab_1.bmp").c_str()).pixels.data()), paused);
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  EXPECT_EQ(CardOnScreen(Screenshot()), paused);
  ASSERT_TRUE(demo_.Running());
  CommandOutput("timeout 5 xdotool key space");
  const auto resumed = std::chrono::steady_clock::now();
  // The music waited too: after the pause the rest of the song is still to come (3.84 s
  // to order 96 less what played before Space), not what the pause's length left of it.
  ExpectExit(20, kExitNormal);
  EXPECT_GT(SecondsSince(resumed), 3.84 - playedAtMost - 0.4);
  EXPECT_EQ(ReadFileBytes(work_.path() + "/grab_2.bmp").size(), 0u);
}

TEST_F(RealWindow, EscapeOrClosingTheWindowInThePauseEndsItWithZero) {
  const struct {
    const char* what;
    const char* command;
  } ways[] = {{"Escape", "timeout 5 xdotool key Escape"}, {"the close", "timeout 5 wmctrl -c Zelto2k"}};
  for (const auto& way : ways) {
    StartDemo();
    const std::string window = WaitForWindow("Zelto2k");
    ASSERT_FALSE(window.empty()) << way.what;
    Activate(window);
    CommandOutput("timeout 5 xdotool key space");
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ASSERT_TRUE(demo_.Running()) << way.what;
    CommandOutput(way.command);
    const auto asked = std::chrono::steady_clock::now();
    ExpectExit(5, kExitNormal);
    EXPECT_LT(SecondsSince(asked), kPromptQuitSeconds) << way.what;
  }
}

TEST_F(RealWindow, TheWindowManagersCloseEndsItWithZero) {
  StartDemo();
  CommandOutput("timeout 5 wmctrl -c Zelto2k");
  ExpectExit(5, kExitNormal);
}

TEST_F(RealWindow, TheWholeSequencePlaysToTheEndAndReturnsZero) {
  StartDemo(1, 2);  // 97 orders of 40 ms
  ExpectExit(30, kExitNormal);
  EXPECT_NE(demo_.ErrorOutput().find("the music plays silently"), std::string::npos);
}

TEST_F(RealWindow, AFatalErrorBoxWaitsForItsOk) {
  ASSERT_TRUE(demo_.Start(ZELTO_STAND_IN_PROGRAM, work_.path(), kSilentOnX));  // no data/mowt.xm
  const std::string box = WaitForWindow("FATAL ERROR");
  ASSERT_FALSE(box.empty()) << demo_.ErrorOutput();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_TRUE(demo_.Running());  // waiting for the OK
  EXPECT_TRUE(WindowId("Zelto2k").empty());  // the demo's window went first
  EXPECT_NE(demo_.ErrorOutput().find("MIDAS ERREUR : MIDASloadModule \n"), std::string::npos);
  Activate(box);
  CommandOutput("timeout 5 xdotool key Return");
  int exitCode = -1;
  if (!demo_.WaitForExit(3, &exitCode)) {
    CommandOutput("timeout 5 wmctrl -c 'FATAL ERROR'");
    ASSERT_TRUE(demo_.WaitForExit(5, &exitCode));
  }
  EXPECT_EQ(exitCode, kExitFatalSeen);
}

TEST_F(RealWindow, TheRealDemoOpensItsWindowAndQuitsOnEscape) {
  // The built program with its generated data and real scenes.
  std::filesystem::create_directory_symlink(ZELTO_DATA_DIRECTORY, work_.path() + "/data");
  ASSERT_TRUE(demo_.Start(ZELTO_DEMO_PROGRAM, work_.path(), kSilentOnX));
  ASSERT_FALSE(WaitForWindow("Zelto2k").empty()) << demo_.ErrorOutput();
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // past the first scene's loading
  ASSERT_TRUE(demo_.Running()) << demo_.ErrorOutput();
  Activate(WindowId("Zelto2k"));
  CommandOutput("timeout 5 xdotool key Escape");
  ExpectExit(10, kExitNormal);
}

TEST_F(RealWindow, TheReducedFlashingModePlaysAndQuitsOnEscapeAndAnythingElseGetsTheUsage) {
  std::filesystem::create_directory_symlink(ZELTO_DATA_DIRECTORY, work_.path() + "/data");
  ASSERT_TRUE(demo_.Start(ZELTO_DEMO_PROGRAM, work_.path(), kSilentOnX, {"--reduce-flashing"}));
  ASSERT_FALSE(WaitForWindow("Zelto2k").empty()) << demo_.ErrorOutput();
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));  // frames through the limiter
  ASSERT_TRUE(demo_.Running()) << demo_.ErrorOutput();
  Activate(WindowId("Zelto2k"));
  CommandOutput("timeout 5 xdotool key Escape");
  ExpectExit(10, kExitNormal);

  for (const std::vector<std::string>& arguments :
       std::vector<std::vector<std::string>>{{"--reduce-flashing=yes"}, {"--reduce-flashing", "x"}, {"-h"}}) {
    DemoProcess wrong;
    ASSERT_TRUE(wrong.Start(ZELTO_DEMO_PROGRAM, work_.path(), kSilentOnX, arguments));
    int exitCode = -1;
    ASSERT_TRUE(wrong.WaitForExit(10, &exitCode));
    EXPECT_EQ(exitCode, kExitUsage) << arguments[0];
    EXPECT_EQ(wrong.ErrorOutput(), "usage: zelto2k [--reduce-flashing]\n");
    EXPECT_TRUE(WindowId("Zelto2k").empty()) << "no window opens for a wrong command line";
  }
}

TEST(NoDisplay, RefusesToPlayUnseenAndSaysWhatToDoAndTheDummyDriverPlaysItHeadless) {
  WorkDirectory work;
  WriteTestModule(kSongPositionsNeeded, 1, 2, 125);
  for (const char* driver : {"", "dummy"}) {
    DemoProcess demo;
    ASSERT_TRUE(demo.Start(ZELTO_STAND_IN_PROGRAM, work.path(),
                           {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"SDL_VIDEODRIVER", driver},
                            {"SDL_AUDIODRIVER", "dummy"}}));
    int exitCode = -1;
    ASSERT_TRUE(demo.WaitForExit(30, &exitCode));
    const std::string errors = demo.ErrorOutput();
    EXPECT_EQ(exitCode, *driver ? kExitNormal : kExitFatalSeen) << errors;
    if (!*driver) {
      EXPECT_NE(errors.find("impossible de poser le ddraw!!\n"), std::string::npos) << errors;
      EXPECT_NE(errors.find("SDL_VIDEODRIVER=dummy"), std::string::npos) << errors;
    }
  }
}

}  // namespace

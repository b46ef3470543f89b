// The program's start-up and shut-down, and the six scenes played in their fixed order.
#include <cstdio>

#include "app/demo.h"
#include "app/display.h"
#include "platform/display_switches.h"
#include "app/music.h"
#include "app/demo_host.h"
#include "app/timer.h"
#include "core/exit_codes.h"
#include "core/fatal_error.h"
#include "platform/platform.h"
#include "scenes/scene_table.h"

namespace {

// The debug log of earlier versions is removed before anything runs; nothing writes it
// any more. A missing file is fine.
struct SnifferFileRemover {
  SnifferFileRemover() { std::remove("sniffer.txt"); }
} snifferFileRemover;

constexpr const char* kWindowClassName = "ZELDEMO";

}  // namespace

void Demo::Run() {
  for (int scene = 0; scene < kSceneCount; ++scene) PlayScene(static_cast<SceneIndex>(scene), frameBuffer.get());
}

int DemoMain() {
  SetFatalErrorBox(CloseWindowAndShowError);
  SetDemoSceneHost();
  // Neither the class registration nor the window is examined here: without a window the
  // display set-up fails and says so.
  platform::NameWindowClass(kWindowClassName);
  platform::WindowKind kind = platform::WindowKind::FullScreenPopup;
  int32_t width = kBuiltDisplayMode.width;
  int32_t height = kBuiltDisplayMode.height;
  if (!FullScreen) {
    kind = platform::WindowKind::Captioned;
    width = 512 + platform::kCaptionFrameWidth;    // 518
    height = 256 + platform::kCaptionFrameHeight;  // 281
  }
  MainWindow = platform::OpenWindow(kWindowClassName, "Zelto2k", kind, 0, 0, width, height);
  platform::RaiseWindow(MainWindow);
  platform::FocusWindow(MainWindow);
  InitDirectDraw();
  TimerStart();
  platform::RaisePriority();  // best effort: refused without privileges
  TheDemo = new Demo();
  MusicStartup();
  if (FullScreen) platform::ShowPointer(false);
  TheDemo->Run();
  MusicShutdown();
  platform::RemoveWindow(MainWindow);
  MainWindow = 0;
  return kExitNormal;
}

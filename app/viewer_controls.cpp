// The viewer's pause and mute, around the demo's frames.
#include "app/viewer_controls.h"

#include "app/display.h"
#include "app/timer.h"

namespace {

bool PauseWanted = false;
bool Muted = false;

// Long enough to leave the processor alone, short enough that the window answers at once.
constexpr int32_t kPausedWaitMilliseconds = 50;

}  // namespace

bool ViewerKey(platform::InputKey key) {
  if (key == platform::InputKey::Space) {
    PauseWanted = !PauseWanted;
    return true;
  }
  if (key == platform::InputKey::M) {
    Muted = !Muted;
    platform::MuteMusic(Muted);
    return true;
  }
  return false;
}

void HoldWhilePaused() {
  if (!PauseWanted) return;
  platform::HoldMusic(true);
  TimerHold();
  while (PauseWanted) {
    platform::InputEvent event;
    if (!platform::WaitForEvent(&event, kPausedWaitMilliseconds)) continue;
    if (event.kind == platform::InputEventKind::Quit) EndOnQuit(event.exitCode);
    WindowProc(MainWindow, event);
  }
  TimerGoOn();
  platform::HoldMusic(false);
}

void ResetViewerControls() {
  PauseWanted = false;
  Muted = false;
}

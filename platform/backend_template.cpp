// Template for a new platform backend: copy this file, fill in every function, and add a
// library for it in platform/CMakeLists.txt the way zelto_platform_sdl is added, and pack
// the demo frame with it in app/CMakeLists.txt (one archive per backend).
//
// The template itself is compiled (library zelto_platform_template, linked by nothing) so
// that it always matches platform/platform.h. As it stands it is a backend with no display:
// the demo built on it ends at once with "impossible de poser le ddraw!!".
//
// What the demo frame relies on, whatever the machine:
//   - Every call comes from the main thread, except the sync callback, which the backend
//     calls from wherever the music is rendered (its audio thread, say).
//   - TakeEvent never waits and hands out one message per call; a posted quit message
//     comes before anything else.
//   - The display rules (modes, surfaces, where the picture lands) are the display model's
//     (platform/display_model.cpp, linked with every backend); a backend shows the finished
//     display images it is handed.
//   - The counter is monotonic and its frequency positive.
//   - The sync callback is called with each new (order, row) as it is heard, in song order,
//     and loops back to the module's restart position at the end of the song.
//   - Failures are results (false, handle 0), never exceptions or aborts: the frame code
//     decides what a failure means and which message the user sees.
#include "platform/display_backend.h"
#include "platform/platform.h"

namespace platform {

// ---- Window and input events -----------------------------------------------------------

// Remember the class name if the system has such a thing.
bool NameWindowClass(const char*) { return true; }

// Open the window; a pop-up style is the full-screen window, a captioned one a normal
// window whose client area is the outer size minus kCaptionFrameWidth x kCaptionFrameHeight.
// Return a non-zero handle, or 0 when there is no display.
WindowHandle OpenWindow(const char*, const char*, WindowKind, int32_t, int32_t, int32_t, int32_t) {
  return 0;
}

void RaiseWindow(WindowHandle) {}
void FocusWindow(WindowHandle) {}
// Close the window for good; ignore 0 and windows already gone.
void RemoveWindow(WindowHandle) {}
void ShowPointer(bool) {}

// Hand out one pending message (quit first), never waiting. Return, Escape and other key
// presses (repeats included) and the close request are all the demo looks at; keep other
// kinds of input from piling up in front of them.
bool TakeEvent(InputEvent*) { return false; }
// Queue the quit message for the next TakeEvent.
void RequestQuit(int32_t) {}
void PassEventOn(WindowHandle, const InputEvent&) {}
// An error box with an OK button, waiting for it; nothing when there is no display.
void ShowErrorBox(const char*, const char*) {}
bool RaisePriority() { return false; }

// ---- Display primitives (platform/display_backend.h; the rules are the display model's) ----

// A real backend allows every step.
bool BackendAllowsDisplayStep(DisplayStep) { return true; }
// Open what display images go to; false when there is nothing to draw on, saying why on
// stderr in one plain line.
bool BackendOpenOutput() { return false; }
// Full screen for the window (exclusive), or stay on the desktop.
bool BackendTakeScreen(WindowHandle, bool) { return false; }
// Display images will be width x height (a mode, or the client area on the desktop): show
// them scaled to the screen, aspect kept.
bool BackendSizeOutput(int32_t, int32_t) { return false; }
// Show the image (with vsync where the machine has it).
void BackendShowImage(const DisplayImage&) {}
uint32_t BackendFreshPixel() { return 0; }
ScreenRectangle BackendDesktopArea() { return {0, 0, 1024, 768}; }
void BackendClientOrigin(int32_t* x, int32_t* y) {
  *x = 0;
  *y = 0;
}

// ---- Performance counter ---------------------------------------------------------------------

bool ReadClock(int64_t*) { return false; }
bool ClockRate(int64_t*) { return false; }

// ---- Music (platform/module_player.h does the module work) -------------------------------------

void StartMusicLibrary() {}
void SetMusicOption(int32_t, int64_t) {}
bool ChooseMusicOutput() { return true; }
// Open the output; without a device, play silently, paced by the clock.
bool OpenMusicOutput() { return true; }
ModuleHandle LoadModule(const char*) { return 0; }
PlayHandle PrepareModule(ModuleHandle, bool) { return 0; }
void SetPositionCallback(PlayHandle, PositionCallback) {}
int32_t ModuleSongLength(ModuleHandle) { return 0; }
void StartPlaying(int32_t) {}
bool StopModule(PlayHandle) { return false; }
bool FreeModule(ModuleHandle) { return false; }
// Stop the audio thread before returning: nothing may call the callback afterwards.
bool CloseMusicLibrary() { return false; }

}  // namespace platform

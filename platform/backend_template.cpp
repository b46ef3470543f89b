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
//   - PeekMessage never waits and hands out one message per call; a posted quit message
//     comes before anything else.
//   - Lock hands out memory that stays valid until Unlock, with its real pitch and size;
//     the frame code never writes outside width x height. The back buffer keeps what was
//     written to it: nothing swaps behind the frame code's back.
//   - The counter is monotonic and its frequency positive.
//   - The sync callback is called with each new (order, row) as it is heard, in song order,
//     and loops back to the module's restart position at the end of the song.
//   - Failures are results (false, handle 0), never exceptions or aborts: the frame code
//     decides what a failure means and which message the user sees.
#include "platform/platform.h"

namespace platform {

// ---- Window and messages -------------------------------------------------------------

// Remember the class name if the system has such a thing.
bool RegisterWindowClass(const char*) { return true; }

// Open the window; a pop-up style is the full-screen window, a captioned one a normal
// window whose client area is the outer size minus kCaptionFrameWidth x kCaptionFrameHeight.
// Return a non-zero handle, or 0 when there is no display.
WindowHandle CreateWindow(const char*, const char*, uint32_t, int32_t, int32_t, int32_t, int32_t) {
  return 0;
}

void BringWindowToTop(WindowHandle) {}
void SetActiveWindow(WindowHandle) {}
// Close the window for good; ignore 0 and windows already gone.
void DestroyWindow(WindowHandle) {}
void ShowCursor(bool) {}

// Hand out one pending message (quit first), never waiting. Return, Escape and other key
// presses (repeats included) and the close request are all the demo looks at; keep other
// kinds of input from piling up in front of them.
bool PeekMessage(Message*) { return false; }
// Queue the quit message for the next PeekMessage.
void PostQuitMessage(int32_t) {}
void DefaultWindowProc(WindowHandle, const Message&) {}
// An error box with an OK button, waiting for it; nothing when there is no display.
void ErrorMessageBox(const char*, const char*) {}
bool RaisePriority() { return false; }

Rectangle GetDesktopRectangle() { return {0, 0, 1024, 768}; }
void ClientToScreen(WindowHandle, int32_t* x, int32_t* y) {
  *x = 0;
  *y = 0;
}

// ---- Display ---------------------------------------------------------------------------------

// Return false when there is nothing to draw on; say why on stderr in one plain line.
bool DirectDrawCreate() { return false; }
bool SetCooperativeLevel(WindowHandle, bool) { return false; }
// 512 x 384 or 640 x 480, 32 bits: show it scaled to the screen, aspect kept.
bool SetDisplayMode(int32_t, int32_t, int32_t) { return false; }
// Primary: the mode's size in full screen, the desktop's on the desktop. Back buffer: the
// mode's size (640 x 480 on the desktop).
bool CreatePrimarySurface(bool) { return false; }
bool GetAttachedBackBuffer() { return false; }
bool Lock(Surface, LockedSurface* locked) {
  *locked = LockedSurface();
  return false;
}
// Unlocking the primary surface on the desktop or without a back buffer shows it.
bool Unlock(Surface) { return false; }
// Show the back buffer (with vsync where the machine has it).
bool Flip() { return false; }

// ---- Performance counter ---------------------------------------------------------------------

bool QueryPerformanceCounter(int64_t*) { return false; }
bool QueryPerformanceFrequency(int64_t*) { return false; }

// ---- Music (platform/module_player.h does the module work) -------------------------------------

void MusicLibraryStartup() {}
void MusicSetOption(int32_t, int64_t) {}
bool MusicConfig() { return true; }
// Open the output; without a device, play silently, paced by the clock.
bool MusicInit() { return true; }
ModuleHandle MusicLoadModule(const char*) { return 0; }
PlayHandle MusicPlayModule(ModuleHandle, bool) { return 0; }
void MusicSetSyncCallback(PlayHandle, SyncCallback) {}
int32_t MusicSongLength(ModuleHandle) { return 0; }
void MusicStartBackgroundPlay(int32_t) {}
bool MusicStopModule(PlayHandle) { return false; }
bool MusicFreeModule(ModuleHandle) { return false; }
// Stop the audio thread before returning: nothing may call the callback afterwards.
bool MusicClose() { return false; }

}  // namespace platform

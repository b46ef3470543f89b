// The platform layer: the few window, display, clock and music operations the demo frame needs.
//
// The demo frame (app/) was designed against a Win32 window with its message queue, a
// first-version DirectDraw display and a closed music library. This header keeps the shape
// of exactly those operations, one function each, so that the frame code reads as the
// sequence of steps it performs, while a backend decides what each step means on this
// machine. Three backends exist and an executable links exactly one of them:
//
//   zelto_platform_sdl      real time: SDL2 window and renderer, libopenmpt in SDL's
//                           audio callback (or a silent clock-paced thread without a
//                           device). See platform/sdl_backend.cpp.
//   zelto_platform_offline  virtual clock for tests and capture: every frame, every
//                           sample and every failure is scripted. See platform/offline.h.
//   zelto_platform_web      the browser (emcc): a canvas on the page, libopenmpt in an
//                           AudioWorklet. See platform/web_backend.cpp and platform/web/.
//
// A new backend starts from platform/backend_template.cpp.
//
// Conventions: every function is called on the main thread, except the sync callback that
// the backend calls on its audio thread. Results that the demo examines are bool (true =
// success) or a handle (0 = failure); the others return nothing. Nothing here throws.
#pragma once

#include <cstdint>

namespace platform {

// ---- Window and messages -------------------------------------------------------------

using WindowHandle = uint32_t;  // 0: no window

// Window styles, as the frame code chooses them.
constexpr uint32_t kStylePopupVisible = 0x90000000u;     // full screen: a bare pop-up
constexpr uint32_t kStyleCaptionedVisible = 0x90C90000u;  // a normal window with a caption
// A captioned window's outer size includes a 3-pixel frame on both sides and a 22-pixel
// caption with its top frame, so an outer 518 x 281 has a 512 x 256 client area.
constexpr int32_t kCaptionFrameWidth = 6;
constexpr int32_t kCaptionFrameHeight = 25;

enum class MessageKind : uint8_t {
  Quit,     // the quit message posted by PostQuitMessage; exitCode holds its code
  Close,    // the user asked to close the window
  KeyDown,  // a key went down (key repeats included); key says which
  Other,    // any other message: hand it to DefaultWindowProc
};

enum class Key : uint8_t { Other, Return, Escape };

struct Message {
  MessageKind kind = MessageKind::Other;
  Key key = Key::Other;
  int32_t exitCode = 0;  // Quit only
};

// Remembers the window class name. The result is not examined by the demo.
bool RegisterWindowClass(const char* className);
// Creates the program's window at (x, y) with an outer size of width x height. 0 on failure.
WindowHandle CreateWindow(const char* className, const char* title, uint32_t style, int32_t x,
                          int32_t y, int32_t width, int32_t height);
void BringWindowToTop(WindowHandle window);
void SetActiveWindow(WindowHandle window);
// Destroys the window; a 0 handle or a window already gone is ignored.
void DestroyWindow(WindowHandle window);
void ShowCursor(bool show);
// Takes at most one pending message without waiting; false when there is none. A posted
// quit message is found before any other message.
bool PeekMessage(Message* message);
// Queues the quit message with the given exit code for the next PeekMessage.
void PostQuitMessage(int32_t exitCode);
// The default handling of a message the window procedure does not handle itself.
void DefaultWindowProc(WindowHandle window, const Message& message);
// An error box with an OK button and no owner window; waits until it is dismissed. Does
// nothing where no display exists. Both texts are UTF-8.
void ErrorMessageBox(const char* utf8Text, const char* utf8Caption);
// Raises the process to a high scheduling priority; best effort, false if refused.
bool RaisePriority();

struct Rectangle {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
};
// The desktop's rectangle in screen pixels.
Rectangle GetDesktopRectangle();
// The screen position of the window's client area origin.
void ClientToScreen(WindowHandle window, int32_t* x, int32_t* y);

// ---- Display ---------------------------------------------------------------------------

enum class Surface : uint8_t { Primary, BackBuffer };

// A locked surface: 32-bit 0x00RRGGBB pixels, `pitch` bytes per row, width x height pixels
// that the caller may write until Unlock.
struct LockedSurface {
  uint32_t* pixels = nullptr;
  int32_t pitch = 0;
  int32_t width = 0;
  int32_t height = 0;
};

// The display object for the default display. false: there is no display to draw on.
bool DirectDrawCreate();
// Exclusive full screen for `window`, or the normal shared desktop.
bool SetCooperativeLevel(WindowHandle window, bool exclusiveFullScreen);
// The full-screen mode; only 32 bits per pixel exists.
bool SetDisplayMode(int32_t width, int32_t height, int32_t bitsPerPixel);
// The primary surface, with one attached back buffer when `withBackBuffer` (page flipping).
// In full screen it has the mode's size; on the desktop it is the whole desktop.
bool CreatePrimarySurface(bool withBackBuffer);
// Fetches the back buffer attached to the primary surface.
bool GetAttachedBackBuffer();
// Locks a surface for writing, waiting if it is busy. false: nothing may be written.
bool Lock(Surface surface, LockedSurface* locked);
// Unlocks; unlocking the primary surface shows it, on the desktop or without a back buffer.
bool Unlock(Surface surface);
// Shows the back buffer (the demo's own memory: nothing is swapped, so what the back
// buffer holds outside the picture stays as the set-up left it).
bool Flip();

// ---- Performance counter -----------------------------------------------------------------

// false: the machine has no such counter.
bool QueryPerformanceCounter(int64_t* count);
bool QueryPerformanceFrequency(int64_t* ticksPerSecond);

// ---- Music ---------------------------------------------------------------------------------

using ModuleHandle = uint32_t;  // 0: no module
using PlayHandle = uint32_t;    // 0: not playing
// Called on the audio thread with the song position (order) and row as they are heard.
using SyncCallback = void (*)(uint32_t syncValue, uint32_t position, uint32_t row);

// Option numbers of MusicSetOption.
constexpr int32_t kMusicOptionOutputMode = 5;  // how the output reaches the device
constexpr int32_t kMusicOptionWindow = 6;      // the window that owns the output

void MusicLibraryStartup();
void MusicSetOption(int32_t option, int64_t value);
// Chooses the output device (configuration step).
bool MusicConfig();
// Opens the output. Without an audio device the backend plays silently, paced by the clock.
bool MusicInit();
// Loads a module file; 0 when it is missing or not a module.
ModuleHandle MusicLoadModule(const char* fileName);
// Prepares the module to play from its start, looping forever when `loop`; 0 on failure.
PlayHandle MusicPlayModule(ModuleHandle module, bool loop);
void MusicSetSyncCallback(PlayHandle play, SyncCallback callback);
// The number of positions (orders) of the loaded module's song; 0 without a module. A
// question about the file rather than a step of the music library's set-up, so the
// offline backend does not log it as a call.
int32_t MusicSongLength(ModuleHandle module);
// From here on the module plays by itself and the callback is called as it advances.
void MusicStartBackgroundPlay(int32_t pollRate);
bool MusicStopModule(PlayHandle play);
bool MusicFreeModule(ModuleHandle module);
bool MusicClose();

}  // namespace platform

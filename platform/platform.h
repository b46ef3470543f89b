// The platform layer: the few window, display, clock and music operations the demo frame needs.
//
// The demo frame (app/) was designed against a Win32 window with its message queue, a
// first-version DirectDraw display and a closed music library. Each of those steps is one
// call here, named for what it does in this program, with a line saying which call of the
// original platform it stands in for, so that the frame code reads as the sequence of steps
// it performs while a backend decides what each step means on this machine. The display
// calls are the display model's (platform/display_model.h), the same for every backend. Three backends exist and an executable links exactly one of them:
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

// ---- Window and input events ---------------------------------------------------------

using WindowHandle = uint32_t;  // 0: no window

// The two windows the frame code opens.
enum class WindowKind : uint8_t {
  FullScreenPopup,  // a bare pop-up that full screen covers (style bits 0x90000000)
  Captioned,        // a normal window with a caption and a frame (style bits 0x90C90000)
};
// A captioned window's outer size includes a 3-pixel frame on both sides and a 22-pixel
// caption with its top frame, so an outer 518 x 281 has a 512 x 256 client area.
constexpr int32_t kCaptionFrameWidth = 6;
constexpr int32_t kCaptionFrameHeight = 25;

enum class InputEventKind : uint8_t {
  Quit,     // the quit request made by RequestQuit; exitCode holds its code
  Close,    // the user asked to close the window
  KeyDown,  // a key went down (key repeats included); key says which
  Other,    // anything else: hand it to PassEventOn
};

enum class InputKey : uint8_t { Other, Return, Escape };

struct InputEvent {
  InputEventKind kind = InputEventKind::Other;
  InputKey key = InputKey::Other;
  int32_t exitCode = 0;  // Quit only
};

// Remembers the window class name; the result is not examined by the demo.
bool NameWindowClass(const char* className);  // stands in for RegisterClassA
// Opens the program's window at (x, y) with an outer size of width x height; 0 on failure.
WindowHandle OpenWindow(const char* className, const char* title, WindowKind kind, int32_t x, int32_t y,
                        int32_t width, int32_t height);  // stands in for CreateWindowExA
void RaiseWindow(WindowHandle window);  // stands in for BringWindowToTop
void FocusWindow(WindowHandle window);  // stands in for SetActiveWindow
// Closes the window for good; a 0 handle or a window already gone is ignored.
void RemoveWindow(WindowHandle window);  // stands in for DestroyWindow
void ShowPointer(bool show);             // stands in for ShowCursor
// Takes at most one pending input event without waiting; false when there is none. A
// quit request is found before any other event.
bool TakeEvent(InputEvent* event);  // stands in for PeekMessageA with TranslateMessage
// Queues the quit request with the given exit code for the next TakeEvent.
void RequestQuit(int32_t exitCode);  // stands in for PostQuitMessage
// The default handling of an event the window procedure does not handle itself.
void PassEventOn(WindowHandle window, const InputEvent& event);  // stands in for DefWindowProcA
// An error box with an OK button and no owner window; waits until it is dismissed. Does
// nothing where no display exists. Both texts are UTF-8.
void ShowErrorBox(const char* utf8Text, const char* utf8Caption);  // stands in for MessageBoxA
// Raises the process to a high scheduling priority; best effort, false if refused.
bool RaisePriority();  // stands in for SetPriorityClass

struct ScreenRectangle {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
};
// The desktop's rectangle in screen pixels.
ScreenRectangle DesktopArea();  // stands in for GetWindowRect of GetDesktopWindow
// The screen position of the window's client area origin.
void ClientAreaOrigin(WindowHandle window, int32_t* x, int32_t* y);  // stands in for ClientToScreen

// ---- Display (the display model's, platform/display_model.cpp) -------------------------

enum class ScreenBuffer : uint8_t { Primary, BackBuffer };

// A locked screen buffer: 32-bit 0x00RRGGBB pixels, `pitch` bytes per row, width x height
// pixels that the caller may write until UnlockBuffer.
struct LockedBuffer {
  uint32_t* pixels = nullptr;
  int32_t pitch = 0;
  int32_t width = 0;
  int32_t height = 0;
};

// Opens the default display. false: there is nothing to draw on.
bool OpenDisplay();  // stands in for DirectDrawCreate
// Exclusive full screen for `window`, or the normal shared desktop.
bool TakeScreen(WindowHandle window, bool exclusiveFullScreen);  // stands in for SetCooperativeLevel
// The full-screen mode: 512 x 384 or 640 x 480, 32 bits per pixel only.
bool ChooseScreenMode(int32_t width, int32_t height, int32_t bitsPerPixel);  // stands in for SetDisplayMode
// The primary buffer, with one back buffer when `withBackBuffer` (page flipping). In full
// screen it has the mode's size; on the desktop it is the whole desktop.
bool CreateScreenBuffers(bool withBackBuffer);  // stands in for CreateSurface
// Fetches the back buffer that goes with the primary buffer.
bool AttachBackBuffer();  // stands in for GetAttachedSurface
// Locks a buffer for writing. false: nothing may be written.
bool LockBuffer(ScreenBuffer buffer, LockedBuffer* locked);  // stands in for IDirectDrawSurface::Lock
// Unlocks; unlocking the primary buffer shows it, on the desktop or without a back buffer.
bool UnlockBuffer(ScreenBuffer buffer);  // stands in for IDirectDrawSurface::Unlock
// Shows the back buffer (the demo's own memory: nothing is swapped, so what the back
// buffer holds outside the picture stays as the set-up left it).
bool ShowBackBuffer();  // stands in for IDirectDrawSurface::Flip

// ---- Clock ---------------------------------------------------------------------------------

// false: the machine has no such clock.
bool ReadClock(int64_t* ticks);              // stands in for QueryPerformanceCounter
bool ClockRate(int64_t* ticksPerSecond);     // stands in for QueryPerformanceFrequency

// ---- Music ---------------------------------------------------------------------------------

using ModuleHandle = uint32_t;  // 0: no module
using PlayHandle = uint32_t;    // 0: not playing
// Called on the audio thread with the song position (order) and row as they are heard.
using PositionCallback = void (*)(uint32_t syncValue, uint32_t position, uint32_t row);

// Option numbers of SetMusicOption.
constexpr int32_t kMusicOptionOutputMode = 5;  // how the output reaches the device
constexpr int32_t kMusicOptionWindow = 6;      // the window that owns the output

void StartMusicLibrary();                            // stands in for MIDASstartup
void SetMusicOption(int32_t option, int64_t value);  // stands in for MIDASsetOption
// Chooses the output device (configuration step).
bool ChooseMusicOutput();  // stands in for MIDASconfig
// Opens the output. Without an audio device the backend plays silently, paced by the clock.
bool OpenMusicOutput();  // stands in for MIDASinit
// Loads a module file; 0 when it is missing or not a module.
ModuleHandle LoadModule(const char* fileName);  // stands in for MIDASloadModule
// Prepares the module to play from its start, looping forever when `loop`; 0 on failure.
PlayHandle PrepareModule(ModuleHandle module, bool loop);            // stands in for MIDASplayModule
void SetPositionCallback(PlayHandle play, PositionCallback callback);  // stands in for MIDASsetMusicSyncCallback
// The number of positions (orders) of the loaded module's song; 0 without a module. A
// question about the file rather than a step of the music library's set-up, so the
// offline backend does not log it as a call. The original had no such call.
int32_t ModuleSongLength(ModuleHandle module);
// From here on the module plays by itself and the callback is called as it advances.
void StartPlaying(int32_t pollRate);   // stands in for MIDASstartBackgroundPlay
bool StopModule(PlayHandle play);      // stands in for MIDASstopModule
bool FreeModule(ModuleHandle module);  // stands in for MIDASfreeModule
bool CloseMusicLibrary();              // stands in for MIDASclose

}  // namespace platform

// The offline backend: the platform on a virtual clock, for tests and frame-exact capture.
//
// Nothing here waits for a device or a clock. Time is the number of presented frames:
//   - the performance counter runs at `fpsNumerator` ticks per second and advances by
//     exactly `fpsDenominator` ticks at each presented frame (ShowBackBuffer, or UnlockBuffer of the
//     primary surface on the desktop or when there is no back buffer), so TimerSeconds is frames / fps;
//   - at each presented frame the module renders exactly the audio of that frame's span:
//     the sample frames from floor(n * 48000 * den / num) to floor((n + 1) * 48000 * den /
//     num), so 800 per frame at 60 fps and, for 60000/1001, 800 or 801 with no drift;
//   - the sync callback is called, on the main thread, with every position change of the
//     rendered span, so MusicPosition follows the audio rendered so far.
//
// Sinks: after each presented frame the frame sink receives the picture and the surface it
// was presented on, then the audio sink receives that frame's audio: 48 kHz, stereo,
// interleaved signed 16-bit samples (the exact bytes libopenmpt renders).
//
// Scripts: messages can be queued to appear at a given frame ("Return at frame 10": the
// PresentFrame that presents frame 10, counting from 0, finds it), and any platform call
// can be made to fail on its n-th use, so every failure path of the demo frame runs.
//
// Usage (one run per OfflineReset; the demo's own state is reset by ResetDemoState in
// app/demo.h):
//   platform::OfflineSettings settings;
//   settings.frameSink = [](const platform::OfflineFrame& frame) { ... };
//   platform::OfflineReset(settings);
//   platform::OfflineScriptMessage(10, platform::OfflineMessage::Return);
//   int exitCode = DemoMain();   // 0 at the normal end; a quit or FatalError exits
//
// Same build, same settings, same script: same frames and same audio bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace platform {

// What every pixel of a fresh surface holds (the display never clears anything but the back
// buffer, once), so a test can tell the pixels that were never written.
constexpr uint32_t kOfflineUnwrittenPixel = 0x00A5A5A5u;

// One presented frame. Pointers are valid only during the sink call.
struct OfflineFrame {
  int64_t index = 0;                  // 0 for the first presented frame
  const uint32_t* picture = nullptr;  // 512 x 256 pixels, 0x00RRGGBB, stride 512, top row first
  const uint32_t* surface = nullptr;  // the whole presented surface (the 512 x 384 back buffer as built)
  int32_t surfaceWidth = 0;           // pixels; the surface's stride is surfaceWidth
  int32_t surfaceHeight = 0;
};

struct OfflineSettings {
  int32_t fpsNumerator = 60;  // frames per second = numerator / denominator
  int32_t fpsDenominator = 1;
  // The desktop and the client area origin, for the windowed variant.
  int32_t desktopWidth = 1024;
  int32_t desktopHeight = 768;
  int32_t clientX = 0;
  int32_t clientY = 0;
  std::function<void(const OfflineFrame&)> frameSink;
  // samples: 2 * frames interleaved int16 values (left, right) at 48000 Hz.
  std::function<void(const int16_t* samples, int32_t frames)> audioSink;
  // Writes "platform: <call>" to stderr for every platform call (tests that watch a
  // process end through its stderr use it to see the order of calls).
  bool traceCalls = false;
};

// Every platform call, for failure injection and the call log.
enum class OfflineCall : uint8_t {
  NameWindowClass, OpenWindow, RaiseWindow, FocusWindow, RemoveWindow,
  ShowPointer, TakeEvent, RequestQuit, PassEventOn, ShowErrorBox, RaisePriority,
  DesktopArea, ClientAreaOrigin, OpenDisplay, TakeScreen, ChooseScreenMode,
  CreateScreenBuffers, AttachBackBuffer, LockBuffer, UnlockBuffer, ShowBackBuffer, ReadClock,
  ClockRate, StartMusicLibrary, SetMusicOption, ChooseMusicOutput, OpenMusicOutput,
  LoadModule, PrepareModule, SetPositionCallback, StartPlaying,
  StopModule, FreeModule, CloseMusicLibrary,
  Count
};

const char* OfflineCallName(OfflineCall call);

enum class OfflineMessage : uint8_t { Return, Escape, OtherKey, Close, Other };

// Starts a new run: no window, no surfaces, no module, counter at 0, empty queue, no
// scripted messages or failures, empty call log.
void OfflineReset(const OfflineSettings& settings);

// Queues `message` when frame `frame` is about to be presented (before its TakeEvent).
// Several messages for the same frame are queued in the order given.
void OfflineScriptMessage(int64_t frame, OfflineMessage message);

// Makes the `nth` use (1 = the first) of `call` fail: a bool result becomes false, a handle
// 0. A failed call without a result has no effect (a message not posted, a window not
// destroyed, a callback not installed...). `nth` 0 makes every use fail.
void OfflineFailCall(OfflineCall call, int32_t nth = 1);

// Every platform call made since OfflineReset, in order, by name.
const std::vector<std::string>& OfflineCallLog();
// How many times `call` was made since OfflineReset.
int32_t OfflineCallCount(OfflineCall call);

// Frames presented since OfflineReset.
int64_t OfflinePresentedFrames();
// True while the window exists, the cursor is shown, the module is loaded, ...
bool OfflineWindowExists();
bool OfflineCursorShown();
// The error boxes shown since OfflineReset (UTF-8 text).
const std::vector<std::string>& OfflineMessageBoxes();

}  // namespace platform

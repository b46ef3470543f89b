// The real-time backend: an SDL2 window and renderer, and libopenmpt played from SDL's
// audio callback (or, without an audio device, from a silent thread paced by the clock).
//
// How the demo frame's steps map onto this machine:
//   window class          only remembered; SDL has none.
//   OpenWindow            SDL video start, the event filter, then the window "Zelto2k". A
//                         pop-up becomes a borderless window (full screen comes with the
//                         cooperative level); a captioned window gets the client size of
//                         its outer size minus the frame. Fails without a display: when
//                         neither DISPLAY nor WAYLAND_DISPLAY is set and the user did not
//                         pick SDL_VIDEODRIVER, SDL would quietly play to an invisible
//                         "offscreen" driver, so that is refused.
//   display               the rules (modes, surfaces, where the picture lands) are the display
//                         model's (platform/display_model.h); this backend supplies:
//     open the output     the renderer, with vsync if it has it. Fails when there is no
//                         window, with one plain English line on stderr saying why; the frame
//                         code then ends with "impossible de poser le ddraw!!".
//     take the screen     exclusive: full screen on the desktop (the desktop's own mode is
//                         kept; the picture is scaled instead).
//     size the output     the logical size of the renderer (aspect-correct, centred, black
//                         bars, nearest-neighbour pixels) and a streaming texture of that size.
//     show an image       uploads the display image and presents it. Frames are
//                         presented at the pace of a 60 Hz display mode, since the demo's
//                         motion advances once per frame: by vsync alone where the display
//                         runs at 60 Hz and vsync is seen to hold (no more than 66 presents a
//                         second), else on the FramePacer's grid (a sleep to each frame's
//                         due time; vsync, if any, only stops tearing). A minimised or
//                         hidden window presents nothing but keeps the pace, asleep.
//   input events          one SDL event per TakeEvent. Only the quit request and key-downs
//                         (repeats included) are let into SDL's queue; everything else is
//                         switched off before the window opens, so that a storm of mouse
//                         moves can never stand between Escape and the next frame.
//   error box             SDL's simple message box, when a display exists.
//   priority              nice -10, best effort.
//   counter               SDL's performance counter.
//   music                 ChooseMusicOutput and OpenMusicOutput never fail: without an audio
//                         device the module plays silently, still in real time, and stderr
//                         says so once.
//                         A missing or unreadable module fails LoadModule.
// Under ZELTO_PRESENT_LOG=<file>, every present appends a line to the file: the monotonic
// clock (CLOCK_MONOTONIC, nanoseconds) right after the present, the shown picture's mean
// red, green and blue (0..255), the last order handed to the sync callback before the
// present (-1 before the first) and the monotonic time it was handed over (0 before the
// first). tools/sync_probe holds it against the sound as the sound server plays it.
// Without the variable nothing is logged or computed.
// The sync callback reports a position when it is heard: the changes rendered into a buffer
// are reported once the device has taken that buffer and asks for the next one (or, when
// silent, once the clock has reached them), so a report is at most one buffer late.
#include <SDL.h>
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/display_backend.h"
#include "platform/frame_pacer.h"
#include "platform/module_player.h"
#include "platform/platform.h"

namespace platform {
namespace {

constexpr int32_t kAudioBufferFrames = 1024;

struct State {
  // Display.
  SDL_Window* window = nullptr;
  WindowHandle handle = 0;
  bool noDisplay = false;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* texture = nullptr;
  bool quitPosted = false;
  int32_t quitCode = 0;
  // Pace: vsync alone while it is trusted, else the pacer's grid.
  bool vsyncPaces = false;
  FramePacer pacer{1};
  uint64_t checkStart = 0;  // counter at the first present of the current vsync check
  int32_t checkPresents = 0;
  // Music: the module is touched only on the audio thread or under moduleLock.
  std::mutex moduleLock;
  ModulePlayer player;
  bool moduleLoaded = false;
  bool playing = false;
  PositionCallback callback = nullptr;
  std::vector<PositionChange> pending;
  SDL_AudioDeviceID device = 0;
  bool silent = false;
  std::thread silentThread;
  std::atomic<bool> stopSilent{false};
  int64_t latencyFrames = 0;
  std::vector<int16_t> silentBuffer;
  // The present log, when asked for.
  bool presentLogChecked = false;
  std::FILE* presentLog = nullptr;
  // The last order reported and when, written on the audio thread and read for the log:
  // one 64-bit word, the time in microseconds above the order's 16 bits.
  std::atomic<int64_t> lastReport{0xFFFF};
};

// Never destroyed: the audio thread may still run while the process exits (FatalError,
// the quit path), and must not meet destroyed state.
State& TheState() {
  static State* state = new State;
  return *state;
}

int64_t MonotonicNanoseconds() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Renders one buffer and reports every position change that is now being heard.
void RenderAndReport(int16_t* samples, int32_t frames) {
  State& s = TheState();
  std::lock_guard<std::mutex> guard(s.moduleLock);
  if (!s.playing || !s.moduleLoaded) {
    std::memset(samples, 0, sizeof(int16_t) * 2 * static_cast<size_t>(frames));
    return;
  }
  const int64_t heard = s.player.RenderedFrames() - s.latencyFrames;
  size_t reported = 0;
  while (reported < s.pending.size() && s.pending[reported].frame <= heard) {
    const PositionChange& change = s.pending[reported++];
    if (s.callback)
      s.callback(0, static_cast<uint32_t>(change.order), static_cast<uint32_t>(change.row));
    s.lastReport.store(MonotonicNanoseconds() / 1000 << 16 | (change.order & 0xFFFF), std::memory_order_relaxed);
  }
  s.pending.erase(s.pending.begin(), s.pending.begin() + static_cast<ptrdiff_t>(reported));
  s.player.RenderAudio(samples, frames, &s.pending);
}

void AudioCallback(void*, Uint8* stream, int length) {
  RenderAndReport(reinterpret_cast<int16_t*>(stream), length / 4);
}

// The silent output: renders buffer k when the clock reaches k buffers.
void SilentLoop() {
  State& s = TheState();
  const auto start = std::chrono::steady_clock::now();
  for (int64_t buffer = 0; !s.stopSilent.load(); ++buffer) {
    const int64_t nanoseconds = buffer * kAudioBufferFrames * 1000000000LL / kAudioRate;
    std::this_thread::sleep_until(start + std::chrono::nanoseconds(nanoseconds));
    RenderAndReport(s.silentBuffer.data(), kAudioBufferFrames);
  }
}

// Lets only the quit request and key-downs into the queue.
int EventFilter(void*, SDL_Event* event) {
  return event->type == SDL_QUIT || event->type == SDL_KEYDOWN;
}

void SwitchOffUnusedEvents() {
  static const Uint32 kUnused[] = {
      SDL_MOUSEMOTION, SDL_MOUSEBUTTONDOWN, SDL_MOUSEBUTTONUP, SDL_MOUSEWHEEL, SDL_KEYUP,
      SDL_TEXTINPUT, SDL_TEXTEDITING, SDL_KEYMAPCHANGED, SDL_FINGERDOWN, SDL_FINGERUP,
      SDL_FINGERMOTION, SDL_MULTIGESTURE, SDL_DOLLARGESTURE, SDL_JOYAXISMOTION,
      SDL_JOYBALLMOTION, SDL_JOYHATMOTION, SDL_JOYBUTTONDOWN, SDL_JOYBUTTONUP,
      SDL_CONTROLLERAXISMOTION, SDL_CONTROLLERBUTTONDOWN, SDL_CONTROLLERBUTTONUP,
      SDL_DROPFILE, SDL_DROPTEXT, SDL_DROPBEGIN, SDL_DROPCOMPLETE, SDL_CLIPBOARDUPDATE,
      SDL_AUDIODEVICEADDED, SDL_AUDIODEVICEREMOVED, SDL_SYSWMEVENT};
  for (Uint32 type : kUnused) SDL_EventState(type, SDL_IGNORE);
  SDL_SetEventFilter(EventFilter, nullptr);
}

bool DriverChosen() {
  const char* driver = std::getenv("SDL_VIDEODRIVER");
  return driver && *driver;
}

bool DisplayExists() {
  const char* x = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x && *x) || (wayland && *wayland);
}

// Sleeps until the pacer's due time for this frame.
void WaitForDueTime(State& s) {
  const uint64_t due = s.pacer.Due(SDL_GetPerformanceCounter());
  const uint64_t ticksPerSecond = SDL_GetPerformanceFrequency();
  for (uint64_t now = SDL_GetPerformanceCounter(); now < due; now = SDL_GetPerformanceCounter())
    std::this_thread::sleep_for(std::chrono::nanoseconds(
        static_cast<int64_t>(static_cast<double>(due - now) * 1e9 / static_cast<double>(ticksPerSecond))));
}

// While vsync paces: 60 presents in less than 0.9 s mean the display or the compositor does
// not honour it (Xvfb, some compositors), and the pacer takes over for good.
void CheckVsyncHolds(State& s) {
  const uint64_t now = SDL_GetPerformanceCounter();
  if (s.checkPresents == 0) s.checkStart = now;
  if (++s.checkPresents <= 60) return;
  if (static_cast<double>(now - s.checkStart) < 0.9 * static_cast<double>(SDL_GetPerformanceFrequency()))
    s.vsyncPaces = false;
  s.checkPresents = 0;
}

// Appends the present's time and the picture's mean colour to the present log, if any.
// pixels: the texture's size, 0x00RRGGBB, stride `width`.
void LogPresent(State& s, const uint32_t* pixels, int32_t width) {
  if (!s.presentLogChecked) {
    s.presentLogChecked = true;
    const char* path = std::getenv("ZELTO_PRESENT_LOG");
    if (path && *path && !(s.presentLog = std::fopen(path, "w")))
      std::fprintf(stderr, "zelto2k: cannot write the present log %s\n", path);
  }
  if (!s.presentLog) return;
  const int64_t now = MonotonicNanoseconds();
  int columns = 0, rows = 0;
  if (SDL_QueryTexture(s.texture, nullptr, nullptr, &columns, &rows) != 0 || columns <= 0 || rows <= 0) return;
  uint64_t red = 0, green = 0, blue = 0;
  for (int32_t y = 0; y < rows; ++y, pixels += width)
    for (int32_t x = 0; x < columns; ++x)
      red += pixels[x] >> 16 & 0xFF, green += pixels[x] >> 8 & 0xFF, blue += pixels[x] & 0xFF;
  const double count = static_cast<double>(columns) * rows;
  const int64_t report = s.lastReport.load(std::memory_order_relaxed);
  const int32_t order = static_cast<int32_t>(report & 0xFFFF);
  std::fprintf(s.presentLog, "%lld %.2f %.2f %.2f %d %lld\n", static_cast<long long>(now), red / count, green / count,
               blue / count, order == 0xFFFF ? -1 : order, static_cast<long long>((report >> 16) * 1000));
  std::fflush(s.presentLog);  // the log stays whole however the process ends
}

// Shows `pixels` (width x height, 0x00RRGGBB) through the texture, scaled by the renderer,
// at the frame's due time.
void Show(const uint32_t* pixels, int32_t width) {
  State& s = TheState();
  if (!s.renderer || !s.texture) return;
  const bool unseen = (SDL_GetWindowFlags(s.window) & (SDL_WINDOW_MINIMIZED | SDL_WINDOW_HIDDEN)) != 0;
  if (unseen || !s.vsyncPaces) WaitForDueTime(s);
  if (unseen) return;
  SDL_UpdateTexture(s.texture, nullptr, pixels, width * 4);
  SDL_SetRenderDrawColor(s.renderer, 0, 0, 0, 255);
  SDL_RenderClear(s.renderer);
  SDL_RenderCopy(s.renderer, s.texture, nullptr, nullptr);
  SDL_RenderPresent(s.renderer);
  LogPresent(s, pixels, width);
  if (s.vsyncPaces) CheckVsyncHolds(s);
}

bool MakeTexture(int32_t width, int32_t height) {
  State& s = TheState();
  if (!s.renderer) return false;
  if (s.texture) SDL_DestroyTexture(s.texture);
  s.texture = SDL_CreateTexture(s.renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                                width, height);
  return s.texture != nullptr && SDL_RenderSetLogicalSize(s.renderer, width, height) == 0;
}

}  // namespace

// ---- Window and input events -----------------------------------------------------------------

bool NameWindowClass(const char*) { return true; }

WindowHandle OpenWindow(const char*, const char* title, WindowKind kind, int32_t x, int32_t y,
                          int32_t width, int32_t height) {
  State& s = TheState();
  if (!DriverChosen() && !DisplayExists()) {
    s.noDisplay = true;
    return 0;
  }
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");  // Ctrl-C and SIGTERM end the process as usual
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "zelto2k: cannot start the video: %s\n", SDL_GetError());
    return 0;
  }
  SwitchOffUnusedEvents();
  SDL_StopTextInput();
  const bool captioned = kind == WindowKind::Captioned;
  Uint32 flags = SDL_WINDOW_SHOWN;
  if (captioned) {
    width -= kCaptionFrameWidth;
    height -= kCaptionFrameHeight;
  } else {
    flags |= SDL_WINDOW_BORDERLESS;
  }
  s.window = SDL_CreateWindow(title, x, y, width, height, flags);
  if (!s.window) {
    std::fprintf(stderr, "zelto2k: cannot open the window: %s\n", SDL_GetError());
    return 0;
  }
  s.handle = SDL_GetWindowID(s.window);
  return s.handle;
}

void RaiseWindow(WindowHandle window) {
  State& s = TheState();
  if (s.window && window == s.handle) SDL_RaiseWindow(s.window);
}

void FocusWindow(WindowHandle) {}  // raising it already asked for the focus

void RemoveWindow(WindowHandle window) {
  State& s = TheState();
  if (!s.window || window != s.handle) return;
  if (s.texture) SDL_DestroyTexture(s.texture);
  if (s.renderer) SDL_DestroyRenderer(s.renderer);
  SDL_DestroyWindow(s.window);
  s.texture = nullptr;
  s.renderer = nullptr;
  s.window = nullptr;
  s.handle = 0;
}

void ShowPointer(bool show) {
  if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}

bool TakeEvent(InputEvent* event) {
  State& s = TheState();
  if (s.quitPosted) {
    s.quitPosted = false;
    *event = {InputEventKind::Quit, InputKey::Other, s.quitCode};
    return true;
  }
  if (!SDL_WasInit(SDL_INIT_VIDEO)) return false;
  SDL_Event sdlEvent;
  if (!SDL_PollEvent(&sdlEvent)) return false;
  *event = InputEvent();
  if (sdlEvent.type == SDL_QUIT) {
    event->kind = InputEventKind::Close;
  } else if (sdlEvent.type == SDL_KEYDOWN) {
    event->kind = InputEventKind::KeyDown;
    const SDL_Keycode key = sdlEvent.key.keysym.sym;
    if (key == SDLK_RETURN || key == SDLK_KP_ENTER)
      event->key = InputKey::Return;
    else if (key == SDLK_ESCAPE)
      event->key = InputKey::Escape;
  }
  return true;
}

void RequestQuit(int32_t exitCode) {
  TheState().quitPosted = true;
  TheState().quitCode = exitCode;
}

void PassEventOn(WindowHandle, const InputEvent&) {}

void ShowErrorBox(const char* utf8Text, const char* utf8Caption) {
  if (TheState().noDisplay || !DisplayExists()) return;
  const char* driver = SDL_GetCurrentVideoDriver();
  if (driver && (std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "offscreen") == 0))
    return;
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, utf8Caption, utf8Text, nullptr);
}

bool RaisePriority() { return setpriority(PRIO_PROCESS, 0, -10) == 0; }

// ---- Display primitives (the rules are the display model's) ------------------------------------

bool BackendAllowsDisplayStep(DisplayStep) { return true; }

ScreenRectangle BackendDesktopArea() {
  SDL_DisplayMode mode;
  if (SDL_WasInit(SDL_INIT_VIDEO) && SDL_GetDesktopDisplayMode(0, &mode) == 0)
    return {0, 0, mode.w, mode.h};
  return {0, 0, 1024, 768};
}

void BackendClientOrigin(int32_t* x, int32_t* y) {
  int windowX = 0, windowY = 0;
  if (TheState().window) SDL_GetWindowPosition(TheState().window, &windowX, &windowY);
  *x = windowX;
  *y = windowY;
}

bool BackendOpenOutput() {
  State& s = TheState();
  if (!s.window) {
    if (s.noDisplay)
      std::fputs(
          "zelto2k: no display: neither DISPLAY nor WAYLAND_DISPLAY is set. Run it in a "
          "graphical session, or set SDL_VIDEODRIVER=dummy to play it headless.\n",
          stderr);
    return false;
  }
  s.renderer = SDL_CreateRenderer(s.window, -1, SDL_RENDERER_PRESENTVSYNC);
  if (!s.renderer) s.renderer = SDL_CreateRenderer(s.window, -1, SDL_RENDERER_SOFTWARE);
  if (!s.renderer) {
    std::fprintf(stderr, "zelto2k: cannot draw in the window: %s\n", SDL_GetError());
    return false;
  }
  // Vsync paces only a display at 60 Hz (59.94 Hz reads as 59 or 60).
  SDL_RendererInfo info{};
  const bool vsync = SDL_GetRendererInfo(s.renderer, &info) == 0 && (info.flags & SDL_RENDERER_PRESENTVSYNC) != 0;
  SDL_DisplayMode mode{};
  const int display = SDL_GetWindowDisplayIndex(s.window);
  const bool sixtyHertz = display >= 0 && SDL_GetCurrentDisplayMode(display, &mode) == 0 &&
                          mode.refresh_rate >= 59 && mode.refresh_rate <= 61;
  s.vsyncPaces = vsync && sixtyHertz;
  s.pacer = FramePacer(SDL_GetPerformanceFrequency());
  s.checkPresents = 0;
  return true;
}

bool BackendTakeScreen(WindowHandle window, bool exclusive) {
  State& s = TheState();
  if (!s.renderer || window != s.handle) return false;
  if (exclusive && SDL_SetWindowFullscreen(s.window, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) {
    std::fprintf(stderr, "zelto2k: cannot go full screen: %s\n", SDL_GetError());
    return false;
  }
  return true;
}

bool BackendSizeOutput(int32_t width, int32_t height) { return MakeTexture(width, height); }

void BackendShowImage(const DisplayImage& image) { Show(image.pixels, image.width); }

uint32_t BackendFreshPixel() { return 0; }

// ---- Performance counter ---------------------------------------------------------------------

bool ReadClock(int64_t* count) {
  *count = static_cast<int64_t>(SDL_GetPerformanceCounter());
  return true;
}

bool ClockRate(int64_t* ticksPerSecond) {
  *ticksPerSecond = static_cast<int64_t>(SDL_GetPerformanceFrequency());
  return *ticksPerSecond > 0;
}

// ---- Music -------------------------------------------------------------------------------------

void StartMusicLibrary() {}
void SetMusicOption(int32_t, int64_t) {}  // the window and output-mode options mean nothing here
bool ChooseMusicOutput() { return true; }

bool OpenMusicOutput() {
  State& s = TheState();
  SDL_AudioSpec want;
  SDL_zero(want);
  want.freq = kAudioRate;
  want.format = AUDIO_S16SYS;
  want.channels = 2;
  want.samples = kAudioBufferFrames;
  want.callback = AudioCallback;
  const char* reason = nullptr;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    reason = SDL_GetError();
  } else {
    s.device = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
    if (!s.device) reason = SDL_GetError();
    const char* driver = SDL_GetCurrentAudioDriver();
    // SDL's dummy output runs about 1 % fast; the clock-paced silent output keeps time.
    if (s.device && driver && std::strcmp(driver, "dummy") == 0) {
      SDL_CloseAudioDevice(s.device);
      s.device = 0;
      reason = "the dummy audio driver";
    }
  }
  if (!s.device) {
    s.silent = true;
    s.latencyFrames = 0;
    s.silentBuffer.assign(2 * kAudioBufferFrames, 0);
    std::fprintf(stderr, "zelto2k: no audio device (%s); the music plays silently.\n",
                 reason && *reason ? reason : "unknown reason");
  } else {
    s.latencyFrames = kAudioBufferFrames;
  }
  s.pending.reserve(4096);
  return true;
}

ModuleHandle LoadModule(const char* fileName) {
  State& s = TheState();
  std::lock_guard<std::mutex> guard(s.moduleLock);
  s.moduleLoaded = s.player.Load(fileName);
  return s.moduleLoaded ? 1 : 0;
}

int32_t ModuleSongLength(ModuleHandle module) {
  State& s = TheState();
  std::lock_guard<std::mutex> guard(s.moduleLock);
  return module == 1 && s.moduleLoaded ? s.player.SongLength() : 0;
}

PlayHandle PrepareModule(ModuleHandle module, bool loop) {
  State& s = TheState();
  std::lock_guard<std::mutex> guard(s.moduleLock);
  if (module != 1 || !s.moduleLoaded || !s.player.Start(loop)) return 0;
  s.pending.clear();
  s.playing = true;
  return 1;
}

void SetPositionCallback(PlayHandle play, PositionCallback callback) {
  State& s = TheState();
  std::lock_guard<std::mutex> guard(s.moduleLock);
  if (play == 1) s.callback = callback;
}

void StartPlaying(int32_t) {
  State& s = TheState();
  if (s.device) {
    SDL_PauseAudioDevice(s.device, 0);
  } else if (s.silent && !s.silentThread.joinable()) {
    s.stopSilent.store(false);
    s.silentThread = std::thread(SilentLoop);
  }
}

bool StopModule(PlayHandle play) {
  State& s = TheState();
  std::lock_guard<std::mutex> guard(s.moduleLock);
  if (play != 1) return false;
  s.playing = false;
  return true;
}

bool FreeModule(ModuleHandle module) {
  State& s = TheState();
  std::lock_guard<std::mutex> guard(s.moduleLock);
  if (module != 1 || !s.moduleLoaded) return false;
  s.player.Unload();
  s.moduleLoaded = false;
  s.playing = false;
  return true;
}

bool CloseMusicLibrary() {
  State& s = TheState();
  if (s.device) {
    SDL_CloseAudioDevice(s.device);  // returns once the callback has finished
    s.device = 0;
  }
  if (s.silentThread.joinable()) {
    s.stopSilent.store(true);
    s.silentThread.join();
  }
  std::lock_guard<std::mutex> guard(s.moduleLock);
  s.callback = nullptr;
  return true;
}

}  // namespace platform

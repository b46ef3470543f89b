// The browser backend: a canvas on the page, the keys of the page, and libopenmpt in an
// AudioWorklet, for the demo compiled with emcc and Asyncify.
//
// The page's own code (platform/web/page.js, as Module.zelto) owns everything the browser
// offers; this file turns the demo frame's steps into calls of it:
//   window                the page's stage: the canvas appears, and RemoveWindow takes it
//                         away (the page then shows its end screen, or an error).
//   input events          the page queues key-downs (repeats included) and the close
//                         request; one per TakeEvent. Enter, Escape, anything else.
//   error box             shown on the page, with the page's own line on what went wrong.
//   display               the rules are the display model's (platform/display_model.h); the
//                         canvas takes the mode's size. Each display image is converted
//                         to the canvas's RGBA and waits for the page to show it on an
//                         animation frame, at most 60 a second: this is where the demo
//                         gives the browser its thread back, once per frame.
//   grabs                 BMP_Save writes grab_N.bmp into the program's memory file
//                         system; before the next frame is shown the page downloads every
//                         such file with its exact bytes and removes it.
//   counter               performance.now() in microseconds.
//   music                 OpenMusicOutput waits for the audio context and the worklet (the page
//                         made the context on the start click); false if either fails.
//                         LoadModule reads the file here and waits for the worklet's
//                         libopenmpt to accept it. The worklet reports each position when
//                         it is heard (its sample count less the context's output
//                         latency); the reports are handed to the sync callback here, on
//                         the main thread, at the next TakeEvent or frame.
#include <emscripten.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/display_backend.h"
#include "platform/platform.h"

namespace platform {
namespace {

constexpr int64_t kMaxModuleBytes = 64 << 20;

struct State {
  WindowHandle handle = 0;
  std::vector<uint8_t> rgba;
  bool quitPosted = false;
  int32_t quitCode = 0;
  bool grabPending = false;
  bool moduleLoaded = false;
  int32_t songLength = 0;
  PositionCallback callback = nullptr;
};

State& TheState() {
  static State* state = new State;
  return *state;
}

// clang-format off
EM_JS(void, PageShowStage, (const char* title), { Module.zelto.showStage(UTF8ToString(title)); });
EM_JS(void, PageHideStage, (), { Module.zelto.hideStage(); });
EM_JS(int32_t, PageTakeMessage, (), { return Module.zelto.takeMessage(); });
EM_JS(void, PageShowError, (const char* text, const char* caption), {
  Module.zelto.showError(UTF8ToString(text), UTF8ToString(caption));
});
EM_JS(void, PageSetDetail, (const char* text), { Module.zelto.setDetail(UTF8ToString(text)); });
EM_JS(int32_t, PageScreenWidth, (), { return screen.width | 0; });
EM_JS(int32_t, PageScreenHeight, (), { return screen.height | 0; });
EM_JS(int32_t, PageCanDraw, (), { return Module.zelto.canDraw() ? 1 : 0; });
EM_JS(void, PageSetMode, (int32_t width, int32_t height), { Module.zelto.setMode(width, height); });
EM_JS(void, PageDownloadGrabs, (), { Module.zelto.downloadGrabs(); });
EM_JS(double, PageNow, (), { return performance.now(); });
EM_ASYNC_JS(void, PagePresent, (const uint8_t* rgba, int32_t width, int32_t height), {
  await Module.zelto.present(HEAPU8.subarray(rgba, rgba + width * height * 4), width, height);
});
EM_ASYNC_JS(int32_t, PageStartAudio, (), { return await Module.zelto.startAudio() ? 1 : 0; });
EM_ASYNC_JS(int32_t, PageLoadModule, (const uint8_t* bytes, int32_t size), {
  return await Module.zelto.loadModule(HEAPU8.slice(bytes, bytes + size));
});
EM_JS(void, PageMusic, (int32_t command, int32_t argument), { Module.zelto.music(command, argument); });
// Takes the oldest heard position: order * 65536 + row, or -1 when none is waiting.
EM_JS(int32_t, PageTakePosition, (), { return Module.zelto.takePosition(); });
// clang-format on

// The commands of PageMusic, as page.js knows them.
enum MusicCommand : int32_t { kPlay = 1, kStart = 2, kStop = 3, kFree = 4, kClose = 5 };

void DeliverPositions() {
  State& s = TheState();
  for (int32_t position = PageTakePosition(); position >= 0; position = PageTakePosition())
    if (s.callback)
      s.callback(0, static_cast<uint32_t>(position >> 16), static_cast<uint32_t>(position & 0xFFFF));
}

// Shows width x height pixels (0x00RRGGBB, stride `stride`) on the canvas at the next
// animation frame; the canvas wants R, G, B, A bytes.
void Show(const uint32_t* pixels, int32_t stride, int32_t width, int32_t height) {
  State& s = TheState();
  if (s.grabPending) {
    s.grabPending = false;
    PageDownloadGrabs();
  }
  s.rgba.resize(static_cast<size_t>(width) * height * 4);
  uint8_t* out = s.rgba.data();
  for (int32_t y = 0; y < height; ++y, pixels += stride) {
    for (int32_t x = 0; x < width; ++x, out += 4) {
      const uint32_t pixel = pixels[x];
      out[0] = static_cast<uint8_t>(pixel >> 16);
      out[1] = static_cast<uint8_t>(pixel >> 8);
      out[2] = static_cast<uint8_t>(pixel);
      out[3] = 255;
    }
  }
  PagePresent(s.rgba.data(), width, height);
  DeliverPositions();
}

}  // namespace

// ---- Window and input events -----------------------------------------------------------------

bool NameWindowClass(const char*) { return true; }

WindowHandle OpenWindow(const char*, const char* title, WindowKind, int32_t, int32_t, int32_t,
                          int32_t) {
  PageShowStage(title);
  TheState().handle = 1;
  return 1;
}

void RaiseWindow(WindowHandle) {}
void FocusWindow(WindowHandle) {}

void RemoveWindow(WindowHandle window) {
  State& s = TheState();
  if (window == 0 || window != s.handle) return;
  s.handle = 0;
  PageHideStage();
}

void ShowPointer(bool) {}  // the page hides the pointer over the stage while the demo runs

bool TakeEvent(InputEvent* event) {
  State& s = TheState();
  DeliverPositions();
  if (s.quitPosted) {
    s.quitPosted = false;
    *event = {InputEventKind::Quit, InputKey::Other, s.quitCode};
    return true;
  }
  // 0: none, 1: close, 2: Enter, 3: Escape, 4: another key.
  const int32_t taken = PageTakeMessage();
  if (taken == 0) return false;
  *event = InputEvent();
  if (taken == 1) {
    event->kind = InputEventKind::Close;
    return true;
  }
  event->kind = InputEventKind::KeyDown;
  if (taken == 2) {
    event->key = InputKey::Return;
    s.grabPending = true;
  } else if (taken == 3) {
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
  PageShowError(utf8Text ? utf8Text : "", utf8Caption ? utf8Caption : "");
}

bool RaisePriority() { return false; }  // a page has no say in it

// ---- Display primitives (the rules are the display model's) ------------------------------------

bool BackendAllowsDisplayStep(DisplayStep) { return true; }

ScreenRectangle BackendDesktopArea() {
  const int32_t width = PageScreenWidth();
  const int32_t height = PageScreenHeight();
  return {0, 0, width > 0 ? width : 1024, height > 0 ? height : 768};
}

// The page shows the window's client area at the desktop's origin.
void BackendClientOrigin(int32_t* x, int32_t* y) {
  *x = 0;
  *y = 0;
}

bool BackendOpenOutput() { return TheState().handle != 0 && PageCanDraw() != 0; }

// The page went full screen on the start click.
bool BackendTakeScreen(WindowHandle window, bool) { return window != 0 && window == TheState().handle; }

bool BackendSizeOutput(int32_t width, int32_t height) {
  PageSetMode(width, height);
  return true;
}

void BackendShowImage(const DisplayImage& image) { Show(image.pixels, image.width, image.width, image.height); }

uint32_t BackendFreshPixel() { return 0; }

// ---- Performance counter ---------------------------------------------------------------------

bool ReadClock(int64_t* count) {
  *count = static_cast<int64_t>(PageNow() * 1000.0);
  return true;
}

bool ClockRate(int64_t* ticksPerSecond) {
  *ticksPerSecond = 1000000;
  return true;
}

// ---- Music -------------------------------------------------------------------------------------

void StartMusicLibrary() {}
void SetMusicOption(int32_t, int64_t) {}
bool ChooseMusicOutput() { return true; }

bool OpenMusicOutput() { return PageStartAudio() != 0; }

ModuleHandle LoadModule(const char* fileName) {
  State& s = TheState();
  s.moduleLoaded = false;
  std::FILE* file = std::fopen(fileName, "rb");
  std::vector<uint8_t> bytes;
  bool readable = file != nullptr;
  if (file) {
    uint8_t block[65536];
    for (size_t got; (got = std::fread(block, 1, sizeof block, file)) > 0;) {
      if (static_cast<int64_t>(bytes.size() + got) > kMaxModuleBytes) {
        readable = false;
        break;
      }
      bytes.insert(bytes.end(), block, block + got);
    }
    if (std::ferror(file)) readable = false;
    std::fclose(file);
  }
  char detail[512];
  if (!readable || bytes.empty()) {
    std::snprintf(detail, sizeof detail, "The music file %s is missing or cannot be read.",
                  fileName);
    PageSetDetail(detail);
    return 0;
  }
  const int32_t orders = PageLoadModule(bytes.data(), static_cast<int32_t>(bytes.size()));
  if (orders <= 0) {
    std::snprintf(detail, sizeof detail, "The music file %s is not a module libopenmpt can play.",
                  fileName);
    PageSetDetail(detail);
    return 0;
  }
  s.moduleLoaded = true;
  s.songLength = orders;
  return 1;
}

int32_t ModuleSongLength(ModuleHandle module) {
  const State& s = TheState();
  return module == 1 && s.moduleLoaded ? s.songLength : 0;
}

PlayHandle PrepareModule(ModuleHandle module, bool loop) {
  if (module != 1 || !TheState().moduleLoaded) return 0;
  PageMusic(kPlay, loop ? 1 : 0);
  return 1;
}

void SetPositionCallback(PlayHandle play, PositionCallback callback) {
  if (play == 1) TheState().callback = callback;
}

void StartPlaying(int32_t) { PageMusic(kStart, 0); }

bool StopModule(PlayHandle play) {
  if (play != 1) return false;
  PageMusic(kStop, 0);
  return true;
}

bool FreeModule(ModuleHandle module) {
  State& s = TheState();
  if (module != 1 || !s.moduleLoaded) return false;
  s.moduleLoaded = false;
  PageMusic(kFree, 0);
  return true;
}

bool CloseMusicLibrary() {
  PageMusic(kClose, 0);
  TheState().callback = nullptr;
  return true;
}

}  // namespace platform

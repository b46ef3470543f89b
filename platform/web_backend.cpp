// The browser backend: a canvas on the page, the keys of the page, and libopenmpt in an
// AudioWorklet, for the demo compiled with emcc and Asyncify.
//
// The page's own code (platform/web/page.js, as Module.zelto) owns everything the browser
// offers; this file turns the demo frame's steps into calls of it:
//   window                the page's stage: the canvas appears, and DestroyWindow takes it
//                         away (the page then shows its end screen, or an error).
//   messages              the page queues key-downs (repeats included) and the close
//                         request; one per PeekMessage. Enter, Escape, anything else.
//   error box             shown on the page, with the page's own line on what went wrong.
//   display               the mode is the canvas's size; surfaces are plain memory of ours,
//                         zeroed when created. Flip (or, without a back buffer, unlocking
//                         the primary surface) converts the picture to the canvas's RGBA
//                         and waits for the page to show it on an animation frame, at
//                         most 60 a second: this is where the demo gives the browser its
//                         thread back, once per frame.
//   grabs                 BMP_Save writes grab_N.bmp into the program's memory file
//                         system; before the next frame is shown the page downloads every
//                         such file with its exact bytes and removes it.
//   counter               performance.now() in microseconds.
//   music                 MusicInit waits for the audio context and the worklet (the page
//                         made the context on the start click); false if either fails.
//                         MusicLoadModule reads the file here and waits for the worklet's
//                         libopenmpt to accept it. The worklet reports each position when
//                         it is heard (its sample count less the context's output
//                         latency); the reports are handed to the sync callback here, on
//                         the main thread, at the next PeekMessage or frame.
#include <emscripten.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/platform.h"

namespace platform {
namespace {

constexpr int64_t kMaxModuleBytes = 64 << 20;

struct State {
  WindowHandle handle = 0;
  bool exclusive = false;
  int32_t modeWidth = 0, modeHeight = 0;
  std::vector<uint32_t> primary, back;
  std::vector<uint8_t> rgba;
  int32_t primaryWidth = 0, primaryHeight = 0, backWidth = 0, backHeight = 0;
  bool hasPrimary = false, hasBack = false, backAttached = false;
  bool quitPosted = false;
  int32_t quitCode = 0;
  bool grabPending = false;
  bool moduleLoaded = false;
  int32_t songLength = 0;
  SyncCallback callback = nullptr;
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

// ---- Window and messages -------------------------------------------------------------------

bool RegisterWindowClass(const char*) { return true; }

WindowHandle CreateWindow(const char*, const char* title, uint32_t, int32_t, int32_t, int32_t,
                          int32_t) {
  PageShowStage(title);
  TheState().handle = 1;
  return 1;
}

void BringWindowToTop(WindowHandle) {}
void SetActiveWindow(WindowHandle) {}

void DestroyWindow(WindowHandle window) {
  State& s = TheState();
  if (window == 0 || window != s.handle) return;
  s.handle = 0;
  PageHideStage();
}

void ShowCursor(bool) {}  // the page hides the pointer over the stage while the demo runs

bool PeekMessage(Message* message) {
  State& s = TheState();
  DeliverPositions();
  if (s.quitPosted) {
    s.quitPosted = false;
    *message = {MessageKind::Quit, Key::Other, s.quitCode};
    return true;
  }
  // 0: none, 1: close, 2: Enter, 3: Escape, 4: another key.
  const int32_t taken = PageTakeMessage();
  if (taken == 0) return false;
  *message = Message();
  if (taken == 1) {
    message->kind = MessageKind::Close;
    return true;
  }
  message->kind = MessageKind::KeyDown;
  if (taken == 2) {
    message->key = Key::Return;
    s.grabPending = true;
  } else if (taken == 3) {
    message->key = Key::Escape;
  }
  return true;
}

void PostQuitMessage(int32_t exitCode) {
  TheState().quitPosted = true;
  TheState().quitCode = exitCode;
}

void DefaultWindowProc(WindowHandle, const Message&) {}

void ErrorMessageBox(const char* utf8Text, const char* utf8Caption) {
  PageShowError(utf8Text ? utf8Text : "", utf8Caption ? utf8Caption : "");
}

bool RaisePriority() { return false; }  // a page has no say in it

Rectangle GetDesktopRectangle() {
  const int32_t width = PageScreenWidth();
  const int32_t height = PageScreenHeight();
  return {0, 0, width > 0 ? width : 1024, height > 0 ? height : 768};
}

void ClientToScreen(WindowHandle, int32_t* x, int32_t* y) {
  *x = 0;
  *y = 0;
}

// ---- Display -------------------------------------------------------------------------------------

bool DirectDrawCreate() { return TheState().handle != 0 && PageCanDraw() != 0; }

bool SetCooperativeLevel(WindowHandle window, bool exclusiveFullScreen) {
  State& s = TheState();
  if (window == 0 || window != s.handle) return false;
  s.exclusive = exclusiveFullScreen;  // the page went full screen on the start click
  return true;
}

bool SetDisplayMode(int32_t width, int32_t height, int32_t bitsPerPixel) {
  State& s = TheState();
  if (!s.exclusive || bitsPerPixel != 32 || width <= 0 || height <= 0 || width > 4096 ||
      height > 4096)
    return false;
  s.modeWidth = width;
  s.modeHeight = height;
  PageSetMode(width, height);
  return true;
}

bool CreatePrimarySurface(bool withBackBuffer) {
  State& s = TheState();
  if (s.handle == 0) return false;
  if (s.exclusive && s.modeWidth > 0) {
    s.primaryWidth = s.modeWidth;
    s.primaryHeight = s.modeHeight;
  } else {
    // On the "desktop" the window's client area sits at its origin: the page shows the
    // desktop surface's top-left 512 x 256 pixels.
    const Rectangle desktop = GetDesktopRectangle();
    s.primaryWidth = desktop.right;
    s.primaryHeight = desktop.bottom;
    PageSetMode(512, 256);
  }
  s.primary.assign(static_cast<size_t>(s.primaryWidth) * s.primaryHeight, 0);
  s.hasPrimary = true;
  s.hasBack = withBackBuffer;
  if (withBackBuffer) {
    s.backWidth = s.modeWidth > 0 ? s.modeWidth : 640;
    s.backHeight = s.modeHeight > 0 ? s.modeHeight : 480;
    s.back.assign(static_cast<size_t>(s.backWidth) * s.backHeight, 0);
  }
  return true;
}

bool GetAttachedBackBuffer() {
  State& s = TheState();
  if (!s.hasBack) return false;
  s.backAttached = true;
  return true;
}

bool Lock(Surface surface, LockedSurface* locked) {
  State& s = TheState();
  *locked = LockedSurface();
  if (surface == Surface::Primary && s.hasPrimary) {
    *locked = {s.primary.data(), s.primaryWidth * 4, s.primaryWidth, s.primaryHeight};
    return true;
  }
  if (surface == Surface::BackBuffer && s.backAttached) {
    *locked = {s.back.data(), s.backWidth * 4, s.backWidth, s.backHeight};
    return true;
  }
  return false;
}

bool Unlock(Surface surface) {
  State& s = TheState();
  if (surface != Surface::Primary || !s.hasPrimary || (s.exclusive && s.backAttached)) return true;
  if (s.exclusive) {
    Show(s.primary.data(), s.primaryWidth, s.primaryWidth, s.primaryHeight);
  } else {
    const int32_t width = s.primaryWidth < 512 ? s.primaryWidth : 512;
    const int32_t height = s.primaryHeight < 256 ? s.primaryHeight : 256;
    Show(s.primary.data(), s.primaryWidth, width, height);
  }
  return true;
}

bool Flip() {
  State& s = TheState();
  if (!s.backAttached) return false;
  Show(s.back.data(), s.backWidth, s.backWidth, s.backHeight);
  return true;
}

// ---- Performance counter ---------------------------------------------------------------------

bool QueryPerformanceCounter(int64_t* count) {
  *count = static_cast<int64_t>(PageNow() * 1000.0);
  return true;
}

bool QueryPerformanceFrequency(int64_t* ticksPerSecond) {
  *ticksPerSecond = 1000000;
  return true;
}

// ---- Music -------------------------------------------------------------------------------------

void MusicLibraryStartup() {}
void MusicSetOption(int32_t, int64_t) {}
bool MusicConfig() { return true; }

bool MusicInit() { return PageStartAudio() != 0; }

ModuleHandle MusicLoadModule(const char* fileName) {
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

int32_t MusicSongLength(ModuleHandle module) {
  const State& s = TheState();
  return module == 1 && s.moduleLoaded ? s.songLength : 0;
}

PlayHandle MusicPlayModule(ModuleHandle module, bool loop) {
  if (module != 1 || !TheState().moduleLoaded) return 0;
  PageMusic(kPlay, loop ? 1 : 0);
  return 1;
}

void MusicSetSyncCallback(PlayHandle play, SyncCallback callback) {
  if (play == 1) TheState().callback = callback;
}

void MusicStartBackgroundPlay(int32_t) { PageMusic(kStart, 0); }

bool MusicStopModule(PlayHandle play) {
  if (play != 1) return false;
  PageMusic(kStop, 0);
  return true;
}

bool MusicFreeModule(ModuleHandle module) {
  State& s = TheState();
  if (module != 1 || !s.moduleLoaded) return false;
  s.moduleLoaded = false;
  PageMusic(kFree, 0);
  return true;
}

bool MusicClose() {
  PageMusic(kClose, 0);
  TheState().callback = nullptr;
  return true;
}

}  // namespace platform

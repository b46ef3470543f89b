// The browser backend: a canvas on the page, the keys of the page, and libopenmpt in an
// AudioWorklet, for the demo compiled with emcc and Asyncify.
//
// The page's own code (platform/web/page.js, as Module.zelto) owns everything the browser
// offers; this file turns the demo frame's steps into calls of it:
//   window                the page's stage: the canvas appears, and RemoveWindow takes it
//                         away (the page then shows its end screen, or an error).
//   input events          the page queues key-downs (repeats included) and the close
//                         request; one per TakeEvent. Enter, Escape, Space (a tap on the
//                         playing demo counts as Space), M, anything else. WaitForEvent
//                         gives the browser its thread back until one comes or the time
//                         is up.
//   error box             shown on the page, with the page's own line on what went wrong.
//   display               the rules are the display model's (platform/display_model.h); the
//                         canvas takes the mode's size. The page draws through WebGL where
//                         a graphics processor draws it: the picture goes up as a texture
//                         of 0x00RRGGBB words as they are and a shader puts the channels in
//                         order. For the 2D canvas (no WebGL, or WebGL drawn in software)
//                         it is converted here to R, G, B, A bytes. Only
//                         the 512 x 256 picture travels while the rest of the display image
//                         is black (always, as the display is built); otherwise the whole
//                         image does. The page shows it on an animation frame, at most 60
//                         a second: this is where the demo gives the browser its thread
//                         back, once per frame.
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
//                         the main thread, at the next TakeEvent or frame. HoldMusic has
//                         the worklet stand still (silence, no reports), MuteMusic sets
//                         the page's gain to 0 or back to 1.
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
  bool drawsBytes = false;  // the page's 2D canvas wants R, G, B, A bytes
  std::vector<uint32_t> rgba;
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
EM_ASYNC_JS(int32_t, PageWaitMessage, (int32_t milliseconds), {
  return await Module.zelto.waitMessage(milliseconds);
});
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
// 1 when the page draws on a 2D canvas (R, G, B, A bytes), 0 through WebGL (0x00RRGGBB).
EM_JS(int32_t, PageDrawsBytes, (), { return Module.zelto.drawsBytes() ? 1 : 0; });
// The moment the frame code handed over a finished display image (the page's profile).
EM_JS(void, PageImageReady, (), { Module.zelto.imageReady(); });
// Shows width x height pixels at `pixels` (stride width) at (left, top) of the canvas, the
// rest of the canvas black, at the next animation frame; resolves once it is shown.
EM_ASYNC_JS(void, PagePresent, (const uint32_t* pixels, int32_t width, int32_t height, int32_t left, int32_t top), {
  await Module.zelto.present(pixels, width, height, left, top);
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
enum MusicCommand : int32_t {
  kPlay = 1, kStart = 2, kStop = 3, kFree = 4, kClose = 5, kHold = 6, kMute = 7
};

// The codes of the page's messages (page.js): 0 none, then these.
enum PageMessage : int32_t {
  kMessageClose = 1, kMessageEnter = 2, kMessageEscape = 3, kMessageOtherKey = 4,
  kMessageSpace = 5, kMessageM = 6
};

void DeliverPositions() {
  State& s = TheState();
  for (int32_t position = PageTakePosition(); position >= 0; position = PageTakePosition())
    if (s.callback)
      s.callback(0, static_cast<uint32_t>(position >> 16), static_cast<uint32_t>(position & 0xFFFF));
}

// True when every pixel of `image` outside its 512 x 256 picture is black and the picture
// lies wholly inside it with rows of exactly 512 pixels: then the picture alone is shown.
bool OnlyPictureLit(const DisplayImage& image) {
  if (image.width != kPictureWidth || image.pictureLeft != 0 || image.pictureTop < 0 ||
      image.pictureTop > image.height - kPictureHeight)
    return false;
  uint32_t lit = 0;
  const uint32_t* above = image.pixels;
  const uint32_t* below = image.pixels + static_cast<size_t>(image.pictureTop + kPictureHeight) * kPictureWidth;
  const size_t aboveCount = static_cast<size_t>(image.pictureTop) * kPictureWidth;
  const size_t belowCount = static_cast<size_t>(image.height - image.pictureTop - kPictureHeight) * kPictureWidth;
  for (size_t i = 0; i < aboveCount; ++i) lit |= above[i];
  for (size_t i = 0; i < belowCount; ++i) lit |= below[i];
  return lit == 0;
}

// Puts `count` pixels of 0x00RRGGBB into `out` as R, G, B, A bytes (A = 255), that is as
// little-endian words 0xFFBBGGRR; `out` is resized to `count`.
void ToCanvasBytes(const uint32_t* pixels, size_t count, std::vector<uint32_t>* out) {
  out->resize(count);
  uint32_t* bytes = out->data();
  for (size_t i = 0; i < count; ++i) {
    const uint32_t pixel = pixels[i];
    bytes[i] = 0xFF000000u | ((pixel & 0xFFu) << 16) | (pixel & 0xFF00u) | ((pixel >> 16) & 0xFFu);
  }
}

void Show(const DisplayImage& image) {
  State& s = TheState();
  PageImageReady();
  if (s.grabPending) {
    s.grabPending = false;
    PageDownloadGrabs();
  }
  const bool pictureOnly = OnlyPictureLit(image);
  const uint32_t* pixels = image.pixels;
  int32_t height = image.height, left = 0, top = 0;
  if (pictureOnly) {
    pixels += static_cast<size_t>(image.pictureTop) * image.width;
    height = kPictureHeight;
    top = image.pictureTop;
  }
  if (s.drawsBytes) {
    ToCanvasBytes(pixels, static_cast<size_t>(image.width) * height, &s.rgba);
    pixels = s.rgba.data();
  }
  PagePresent(pixels, image.width, height, left, top);
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

namespace {

// The page's message as an input event; false for none.
bool Translate(int32_t taken, InputEvent* event) {
  if (taken == 0) return false;
  *event = InputEvent();
  if (taken == kMessageClose) {
    event->kind = InputEventKind::Close;
    return true;
  }
  event->kind = InputEventKind::KeyDown;
  switch (taken) {
    case kMessageEnter:
      event->key = InputKey::Return;
      TheState().grabPending = true;
      break;
    case kMessageEscape: event->key = InputKey::Escape; break;
    case kMessageSpace: event->key = InputKey::Space; break;
    case kMessageM: event->key = InputKey::M; break;
    default: break;
  }
  return true;
}

bool TakeQuit(InputEvent* event) {
  State& s = TheState();
  if (!s.quitPosted) return false;
  s.quitPosted = false;
  *event = {InputEventKind::Quit, InputKey::Other, s.quitCode};
  return true;
}

}  // namespace

bool TakeEvent(InputEvent* event) {
  DeliverPositions();
  if (TakeQuit(event)) return true;
  return Translate(PageTakeMessage(), event);
}

bool WaitForEvent(InputEvent* event, int32_t milliseconds) {
  State& s = TheState();
  // A grab written in a pause goes out at the next wait: no frame comes to take it.
  if (s.grabPending) {
    s.grabPending = false;
    PageDownloadGrabs();
  }
  if (TakeQuit(event)) return true;
  return Translate(PageWaitMessage(milliseconds), event);
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

bool BackendOpenOutput() {
  State& s = TheState();
  if (s.handle == 0 || PageCanDraw() == 0) return false;
  s.drawsBytes = PageDrawsBytes() != 0;
  return true;
}

// The page went full screen on the start click.
bool BackendTakeScreen(WindowHandle window, bool) { return window != 0 && window == TheState().handle; }

bool BackendSizeOutput(int32_t width, int32_t height) {
  PageSetMode(width, height);
  return true;
}

void BackendShowImage(const DisplayImage& image) { Show(image); }

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

void HoldMusic(bool hold) { PageMusic(kHold, hold ? 1 : 0); }
void MuteMusic(bool mute) { PageMusic(kMute, mute ? 1 : 0); }

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

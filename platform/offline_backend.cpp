// The offline backend: a virtual clock, memory surfaces, scripted messages and failures.
#include <algorithm>
#include <cstdio>
#include <deque>
#include <utility>

#include "platform/module_player.h"
#include "platform/offline.h"
#include "platform/platform.h"

namespace platform {
namespace {

constexpr int32_t kCallCount = static_cast<int32_t>(OfflineCall::Count);

const char* const kCallNames[kCallCount] = {
    "RegisterWindowClass", "CreateWindow", "BringWindowToTop", "SetActiveWindow",
    "DestroyWindow", "ShowCursor", "PeekMessage", "PostQuitMessage", "DefaultWindowProc",
    "ErrorMessageBox", "RaisePriority", "GetDesktopRectangle", "ClientToScreen",
    "DirectDrawCreate", "SetCooperativeLevel", "SetDisplayMode", "CreatePrimarySurface",
    "GetAttachedBackBuffer", "Lock", "Unlock", "Flip", "QueryPerformanceCounter",
    "QueryPerformanceFrequency", "MusicLibraryStartup", "MusicSetOption", "MusicConfig",
    "MusicInit", "MusicLoadModule", "MusicPlayModule", "MusicSetSyncCallback",
    "MusicStartBackgroundPlay", "MusicStopModule", "MusicFreeModule", "MusicClose"};

struct MemorySurface {
  std::vector<uint32_t> pixels;
  int32_t width = 0;
  int32_t height = 0;
  void Allocate(int32_t w, int32_t h) {
    width = w;
    height = h;
    pixels.assign(static_cast<size_t>(w) * static_cast<size_t>(h), kOfflineUnwrittenPixel);
  }
};

struct ScriptedMessage {
  int64_t frame;
  OfflineMessage message;
};

struct State {
  OfflineSettings settings;
  std::vector<std::string> log;
  int32_t counts[kCallCount] = {};
  int32_t failNth[kCallCount] = {};
  bool failSet[kCallCount] = {};
  std::vector<ScriptedMessage> script;
  std::deque<Message> queue;
  bool quitPosted = false;
  int32_t quitCode = 0;
  bool windowExists = false;
  bool cursorShown = true;
  std::vector<std::string> boxes;
  bool displayCreated = false;
  bool exclusive = false;
  int32_t modeWidth = 0, modeHeight = 0;
  MemorySurface primary, back;
  bool hasPrimary = false, hasBack = false, backAttached = false;
  int64_t presentedFrames = 0;
  ModulePlayer player;
  bool moduleLoaded = false, playing = false;
  SyncCallback callback = nullptr;
  std::vector<int16_t> audio;
  std::vector<PositionChange> changes;
  std::vector<uint32_t> picture;
};

State& TheState() {
  static State state;
  return state;
}

// Logs the call and says whether this use of it is scripted to fail.
bool Called(OfflineCall call) {
  State& s = TheState();
  const int32_t index = static_cast<int32_t>(call);
  s.log.emplace_back(kCallNames[index]);
  if (s.settings.traceCalls) {
    std::fprintf(stderr, "platform: %s\n", kCallNames[index]);
    std::fflush(stderr);
  }
  const int32_t count = ++s.counts[index];
  return s.failSet[index] && (s.failNth[index] == 0 || s.failNth[index] == count);
}

int64_t AudioFramesAtVideoFrame(int64_t frame) {
  const State& s = TheState();
  return AudioFramesBefore(frame, s.settings.fpsNumerator, s.settings.fpsDenominator);
}

// The picture as the presented surface holds it: where the frame code puts it in each mode.
void ExtractPicture(const MemorySurface& surface, int32_t originX, int32_t originY) {
  State& s = TheState();
  // The columns of the picture that lie on the surface, the same for every row; what
  // lies off the surface is black.
  const int64_t firstColumn = std::clamp<int64_t>(-int64_t{originX}, 0, 512);
  const int64_t endColumn = std::clamp<int64_t>(int64_t{surface.width} - originX, firstColumn, 512);
  const bool covered = firstColumn == 0 && endColumn == 512 && originY >= 0 && int64_t{originY} + 256 <= surface.height;
  if (covered) {
    s.picture.resize(512 * 256);  // every pixel is copied below
  } else {
    s.picture.assign(512 * 256, 0);
  }
  for (int32_t row = 0; row < 256; ++row) {
    const int32_t y = originY + row;
    if (y < 0 || y >= surface.height || firstColumn == endColumn) continue;
    const uint32_t* from = surface.pixels.data() + static_cast<size_t>(y) * surface.width + (originX + firstColumn);
    std::copy(from, from + (endColumn - firstColumn), s.picture.data() + static_cast<size_t>(row) * 512 + firstColumn);
  }
}

// One frame goes out: sinks first, then the clock and the audio of the frame's span.
void PresentSurface(const MemorySurface& surface) {
  State& s = TheState();
  if (s.exclusive) {
    if (s.modeWidth == 640)
      ExtractPicture(surface, 64, 112);
    else
      ExtractPicture(surface, 0, 64);
  } else {
    ExtractPicture(surface, s.settings.clientX, s.settings.clientY);
  }
  if (s.settings.frameSink) {
    OfflineFrame frame;
    frame.index = s.presentedFrames;
    frame.picture = s.picture.data();
    frame.surface = surface.pixels.data();
    frame.surfaceWidth = surface.width;
    frame.surfaceHeight = surface.height;
    s.settings.frameSink(frame);
  }
  const int64_t from = AudioFramesAtVideoFrame(s.presentedFrames);
  ++s.presentedFrames;
  const int64_t to = AudioFramesAtVideoFrame(s.presentedFrames);
  const int32_t frames = static_cast<int32_t>(to - from);
  s.audio.assign(static_cast<size_t>(frames) * 2, 0);
  s.changes.clear();
  if (s.playing) s.player.Render(s.audio.data(), frames, &s.changes);
  if (s.callback)
    for (const PositionChange& change : s.changes)
      s.callback(0, static_cast<uint32_t>(change.order), static_cast<uint32_t>(change.row));
  if (s.settings.audioSink) s.settings.audioSink(s.audio.data(), frames);
}

MemorySurface* SurfaceOf(Surface surface) {
  State& s = TheState();
  if (surface == Surface::Primary) return s.hasPrimary ? &s.primary : nullptr;
  return s.backAttached ? &s.back : nullptr;
}

}  // namespace

// ---- Controls ----------------------------------------------------------------------------

const char* OfflineCallName(OfflineCall call) {
  const int32_t index = static_cast<int32_t>(call);
  return index >= 0 && index < kCallCount ? kCallNames[index] : "?";
}

void OfflineReset(const OfflineSettings& settings) {
  State& s = TheState();
  s.player.Unload();
  s.settings = settings;
  if (s.settings.fpsNumerator <= 0 || s.settings.fpsDenominator <= 0) {
    s.settings.fpsNumerator = 60;
    s.settings.fpsDenominator = 1;
  }
  s.log.clear();
  for (int32_t i = 0; i < kCallCount; ++i) {
    s.counts[i] = 0;
    s.failNth[i] = 0;
    s.failSet[i] = false;
  }
  s.script.clear();
  s.queue.clear();
  s.quitPosted = false;
  s.quitCode = 0;
  s.windowExists = false;
  s.cursorShown = true;
  s.boxes.clear();
  s.displayCreated = false;
  s.exclusive = false;
  s.modeWidth = s.modeHeight = 0;
  s.primary = MemorySurface();
  s.back = MemorySurface();
  s.hasPrimary = s.hasBack = s.backAttached = false;
  s.presentedFrames = 0;
  s.moduleLoaded = s.playing = false;
  s.callback = nullptr;
}

void OfflineScriptMessage(int64_t frame, OfflineMessage message) {
  TheState().script.push_back({frame, message});
}

void OfflineFailCall(OfflineCall call, int32_t nth) {
  const int32_t index = static_cast<int32_t>(call);
  if (index < 0 || index >= kCallCount) return;
  TheState().failSet[index] = true;
  TheState().failNth[index] = nth < 0 ? 1 : nth;
}

const std::vector<std::string>& OfflineCallLog() { return TheState().log; }

int32_t OfflineCallCount(OfflineCall call) {
  const int32_t index = static_cast<int32_t>(call);
  return index >= 0 && index < kCallCount ? TheState().counts[index] : 0;
}

int64_t OfflinePresentedFrames() { return TheState().presentedFrames; }
bool OfflineWindowExists() { return TheState().windowExists; }
bool OfflineCursorShown() { return TheState().cursorShown; }
const std::vector<std::string>& OfflineMessageBoxes() { return TheState().boxes; }

// ---- Window and messages -------------------------------------------------------------------

bool RegisterWindowClass(const char*) { return !Called(OfflineCall::RegisterWindowClass); }

WindowHandle CreateWindow(const char*, const char*, uint32_t, int32_t, int32_t, int32_t, int32_t) {
  if (Called(OfflineCall::CreateWindow)) return 0;
  TheState().windowExists = true;
  return 1;
}

void BringWindowToTop(WindowHandle) { Called(OfflineCall::BringWindowToTop); }
void SetActiveWindow(WindowHandle) { Called(OfflineCall::SetActiveWindow); }

void DestroyWindow(WindowHandle window) {
  if (!Called(OfflineCall::DestroyWindow) && window == 1) TheState().windowExists = false;
}

void ShowCursor(bool show) {
  if (!Called(OfflineCall::ShowCursor)) TheState().cursorShown = show;
}

bool PeekMessage(Message* message) {
  State& s = TheState();
  if (Called(OfflineCall::PeekMessage)) return false;
  // Scripted messages arrive in frame order, and in the given order within a frame.
  std::vector<ScriptedMessage> later;
  for (const ScriptedMessage& scripted : s.script) {
    if (scripted.frame > s.presentedFrames) {
      later.push_back(scripted);
      continue;
    }
    Message queued;
    switch (scripted.message) {
      case OfflineMessage::Return: queued = {MessageKind::KeyDown, Key::Return, 0}; break;
      case OfflineMessage::Escape: queued = {MessageKind::KeyDown, Key::Escape, 0}; break;
      case OfflineMessage::OtherKey: queued = {MessageKind::KeyDown, Key::Other, 0}; break;
      case OfflineMessage::Close: queued = {MessageKind::Close, Key::Other, 0}; break;
      case OfflineMessage::Other: queued = {MessageKind::Other, Key::Other, 0}; break;
    }
    s.queue.push_back(queued);
  }
  s.script = std::move(later);
  if (s.quitPosted) {
    s.quitPosted = false;
    *message = {MessageKind::Quit, Key::Other, s.quitCode};
    return true;
  }
  if (s.queue.empty()) return false;
  *message = s.queue.front();
  s.queue.pop_front();
  return true;
}

void PostQuitMessage(int32_t exitCode) {
  if (Called(OfflineCall::PostQuitMessage)) return;
  TheState().quitPosted = true;
  TheState().quitCode = exitCode;
}

void DefaultWindowProc(WindowHandle, const Message&) { Called(OfflineCall::DefaultWindowProc); }

void ErrorMessageBox(const char* utf8Text, const char*) {
  Called(OfflineCall::ErrorMessageBox);
  TheState().boxes.emplace_back(utf8Text ? utf8Text : "");
}

bool RaisePriority() { return !Called(OfflineCall::RaisePriority); }

Rectangle GetDesktopRectangle() {
  Called(OfflineCall::GetDesktopRectangle);
  const State& s = TheState();
  return {0, 0, s.settings.desktopWidth, s.settings.desktopHeight};
}

void ClientToScreen(WindowHandle, int32_t* x, int32_t* y) {
  Called(OfflineCall::ClientToScreen);
  *x = TheState().settings.clientX;
  *y = TheState().settings.clientY;
}

// ---- Display ---------------------------------------------------------------------------------

bool DirectDrawCreate() {
  if (Called(OfflineCall::DirectDrawCreate)) return false;
  TheState().displayCreated = true;
  return true;
}

bool SetCooperativeLevel(WindowHandle, bool exclusiveFullScreen) {
  if (Called(OfflineCall::SetCooperativeLevel) || !TheState().displayCreated) return false;
  TheState().exclusive = exclusiveFullScreen;
  return true;
}

bool SetDisplayMode(int32_t width, int32_t height, int32_t bitsPerPixel) {
  State& s = TheState();
  if (Called(OfflineCall::SetDisplayMode) || !s.exclusive || bitsPerPixel != 32) return false;
  if (!((width == 512 && height == 384) || (width == 640 && height == 480))) return false;
  s.modeWidth = width;
  s.modeHeight = height;
  return true;
}

bool CreatePrimarySurface(bool withBackBuffer) {
  State& s = TheState();
  if (Called(OfflineCall::CreatePrimarySurface) || !s.displayCreated) return false;
  if (s.exclusive && s.modeWidth > 0)
    s.primary.Allocate(s.modeWidth, s.modeHeight);
  else
    s.primary.Allocate(s.settings.desktopWidth, s.settings.desktopHeight);
  s.hasPrimary = true;
  s.hasBack = withBackBuffer;
  if (withBackBuffer) {
    // Without a display mode (the desktop) the back buffer is as large as the larger mode.
    if (s.exclusive && s.modeWidth > 0)
      s.back.Allocate(s.modeWidth, s.modeHeight);
    else
      s.back.Allocate(640, 480);
  }
  return true;
}

bool GetAttachedBackBuffer() {
  State& s = TheState();
  if (Called(OfflineCall::GetAttachedBackBuffer) || !s.hasBack) return false;
  s.backAttached = true;
  return true;
}

bool Lock(Surface surface, LockedSurface* locked) {
  *locked = LockedSurface();
  if (Called(OfflineCall::Lock)) return false;
  MemorySurface* memory = SurfaceOf(surface);
  if (!memory) return false;
  locked->pixels = memory->pixels.data();
  locked->pitch = memory->width * 4;
  locked->width = memory->width;
  locked->height = memory->height;
  return true;
}

bool Unlock(Surface surface) {
  if (Called(OfflineCall::Unlock)) return false;
  State& s = TheState();
  // The primary surface is what the screen shows: on the desktop, or without a back buffer,
  // unlocking it after a write is a presented frame.
  if (surface == Surface::Primary && s.hasPrimary && (!s.exclusive || !s.backAttached))
    PresentSurface(s.primary);
  return true;
}

bool Flip() {
  if (Called(OfflineCall::Flip)) return false;
  State& s = TheState();
  if (!s.backAttached) return false;
  PresentSurface(s.back);
  return true;
}

// ---- Performance counter ---------------------------------------------------------------------

bool QueryPerformanceCounter(int64_t* count) {
  if (Called(OfflineCall::QueryPerformanceCounter)) return false;
  *count = TheState().presentedFrames * TheState().settings.fpsDenominator;
  return true;
}

bool QueryPerformanceFrequency(int64_t* ticksPerSecond) {
  if (Called(OfflineCall::QueryPerformanceFrequency)) return false;
  *ticksPerSecond = TheState().settings.fpsNumerator;
  return true;
}

// ---- Music -------------------------------------------------------------------------------------

void MusicLibraryStartup() { Called(OfflineCall::MusicLibraryStartup); }
void MusicSetOption(int32_t, int64_t) { Called(OfflineCall::MusicSetOption); }
bool MusicConfig() { return !Called(OfflineCall::MusicConfig); }
bool MusicInit() { return !Called(OfflineCall::MusicInit); }

ModuleHandle MusicLoadModule(const char* fileName) {
  State& s = TheState();
  if (Called(OfflineCall::MusicLoadModule)) return 0;
  if (!s.player.Load(fileName)) return 0;
  s.moduleLoaded = true;
  return 1;
}

int32_t MusicSongLength(ModuleHandle module) {
  const State& s = TheState();
  return module == 1 && s.moduleLoaded ? s.player.SongLength() : 0;
}

PlayHandle MusicPlayModule(ModuleHandle module, bool loop) {
  State& s = TheState();
  if (Called(OfflineCall::MusicPlayModule) || module != 1 || !s.moduleLoaded) return 0;
  return s.player.Start(loop) ? 1 : 0;
}

void MusicSetSyncCallback(PlayHandle play, SyncCallback callback) {
  if (!Called(OfflineCall::MusicSetSyncCallback) && play == 1) TheState().callback = callback;
}

void MusicStartBackgroundPlay(int32_t) {
  if (Called(OfflineCall::MusicStartBackgroundPlay)) return;
  TheState().playing = TheState().moduleLoaded;
}

bool MusicStopModule(PlayHandle play) {
  if (Called(OfflineCall::MusicStopModule) || play != 1) return false;
  TheState().playing = false;
  return true;
}

bool MusicFreeModule(ModuleHandle module) {
  State& s = TheState();
  if (Called(OfflineCall::MusicFreeModule) || module != 1 || !s.moduleLoaded) return false;
  s.playing = false;
  s.moduleLoaded = false;
  s.player.Unload();
  return true;
}

bool MusicClose() {
  if (Called(OfflineCall::MusicClose)) return false;
  TheState().callback = nullptr;
  return true;
}

}  // namespace platform

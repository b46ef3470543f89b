// The offline backend: a virtual clock, memory surfaces, scripted messages and failures.
#include <algorithm>
#include <cstdio>
#include <deque>
#include <utility>

#include "platform/display_backend.h"
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

// One frame goes out: sinks first, then the clock and the audio of the frame's span.
void PresentImage(const DisplayImage& image) {
  State& s = TheState();
  CutPicture(image, &s.picture);
  if (s.settings.frameSink) {
    OfflineFrame frame;
    frame.index = s.presentedFrames;
    frame.picture = s.picture.data();
    frame.surface = image.surface;
    frame.surfaceWidth = image.surfaceWidth;
    frame.surfaceHeight = image.surfaceHeight;
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
  ResetDisplayModel();
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

// ---- Display primitives (the rules are the display model's) ------------------------------------

bool BackendAllowsDisplayStep(DisplayStep step) {
  static constexpr OfflineCall kCalls[] = {
      OfflineCall::DirectDrawCreate, OfflineCall::SetCooperativeLevel, OfflineCall::SetDisplayMode,
      OfflineCall::CreatePrimarySurface, OfflineCall::GetAttachedBackBuffer, OfflineCall::Lock,
      OfflineCall::Unlock, OfflineCall::Flip, OfflineCall::GetDesktopRectangle, OfflineCall::ClientToScreen};
  return !Called(kCalls[static_cast<int32_t>(step)]);
}

bool BackendOpenOutput() { return true; }
bool BackendTakeScreen(WindowHandle, bool) { return true; }
bool BackendSizeOutput(int32_t, int32_t) { return true; }
void BackendShowImage(const DisplayImage& image) { PresentImage(image); }
uint32_t BackendFreshPixel() { return kOfflineUnwrittenPixel; }

Rectangle BackendDesktopArea() {
  const State& s = TheState();
  return {0, 0, s.settings.desktopWidth, s.settings.desktopHeight};
}

void BackendClientOrigin(int32_t* x, int32_t* y) {
  *x = TheState().settings.clientX;
  *y = TheState().settings.clientY;
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

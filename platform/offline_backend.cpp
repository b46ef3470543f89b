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
    "NameWindowClass", "OpenWindow", "RaiseWindow", "FocusWindow",
    "RemoveWindow", "ShowPointer", "TakeEvent", "RequestQuit", "PassEventOn",
    "ShowErrorBox", "RaisePriority", "DesktopArea", "ClientAreaOrigin",
    "OpenDisplay", "TakeScreen", "ChooseScreenMode", "CreateScreenBuffers",
    "AttachBackBuffer", "LockBuffer", "UnlockBuffer", "ShowBackBuffer", "ReadClock",
    "ClockRate", "StartMusicLibrary", "SetMusicOption", "ChooseMusicOutput",
    "OpenMusicOutput", "LoadModule", "PrepareModule", "SetPositionCallback",
    "StartPlaying", "StopModule", "FreeModule", "CloseMusicLibrary"};

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
  std::deque<InputEvent> queue;
  bool quitPosted = false;
  int32_t quitCode = 0;
  bool windowExists = false;
  bool cursorShown = true;
  std::vector<std::string> boxes;
  int64_t presentedFrames = 0;
  ModulePlayer player;
  bool moduleLoaded = false, playing = false;
  PositionCallback callback = nullptr;
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
  if (s.playing) s.player.RenderAudio(s.audio.data(), frames, &s.changes);
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

// ---- Window and input events -----------------------------------------------------------------

bool NameWindowClass(const char*) { return !Called(OfflineCall::NameWindowClass); }

WindowHandle OpenWindow(const char*, const char*, WindowKind, int32_t, int32_t, int32_t, int32_t) {
  if (Called(OfflineCall::OpenWindow)) return 0;
  TheState().windowExists = true;
  return 1;
}

void RaiseWindow(WindowHandle) { Called(OfflineCall::RaiseWindow); }
void FocusWindow(WindowHandle) { Called(OfflineCall::FocusWindow); }

void RemoveWindow(WindowHandle window) {
  if (!Called(OfflineCall::RemoveWindow) && window == 1) TheState().windowExists = false;
}

void ShowPointer(bool show) {
  if (!Called(OfflineCall::ShowPointer)) TheState().cursorShown = show;
}

bool TakeEvent(InputEvent* event) {
  State& s = TheState();
  if (Called(OfflineCall::TakeEvent)) return false;
  // Scripted messages arrive in frame order, and in the given order within a frame.
  std::vector<ScriptedMessage> later;
  for (const ScriptedMessage& scripted : s.script) {
    if (scripted.frame > s.presentedFrames) {
      later.push_back(scripted);
      continue;
    }
    InputEvent queued;
    switch (scripted.message) {
      case OfflineMessage::Return: queued = {InputEventKind::KeyDown, InputKey::Return, 0}; break;
      case OfflineMessage::Escape: queued = {InputEventKind::KeyDown, InputKey::Escape, 0}; break;
      case OfflineMessage::OtherKey: queued = {InputEventKind::KeyDown, InputKey::Other, 0}; break;
      case OfflineMessage::Close: queued = {InputEventKind::Close, InputKey::Other, 0}; break;
      case OfflineMessage::Other: queued = {InputEventKind::Other, InputKey::Other, 0}; break;
    }
    s.queue.push_back(queued);
  }
  s.script = std::move(later);
  if (s.quitPosted) {
    s.quitPosted = false;
    *event = {InputEventKind::Quit, InputKey::Other, s.quitCode};
    return true;
  }
  if (s.queue.empty()) return false;
  *event = s.queue.front();
  s.queue.pop_front();
  return true;
}

void RequestQuit(int32_t exitCode) {
  if (Called(OfflineCall::RequestQuit)) return;
  TheState().quitPosted = true;
  TheState().quitCode = exitCode;
}

void PassEventOn(WindowHandle, const InputEvent&) { Called(OfflineCall::PassEventOn); }

void ShowErrorBox(const char* utf8Text, const char*) {
  Called(OfflineCall::ShowErrorBox);
  TheState().boxes.emplace_back(utf8Text ? utf8Text : "");
}

bool RaisePriority() { return !Called(OfflineCall::RaisePriority); }

// ---- Display primitives (the rules are the display model's) ------------------------------------

bool BackendAllowsDisplayStep(DisplayStep step) {
  static constexpr OfflineCall kCalls[] = {
      OfflineCall::OpenDisplay, OfflineCall::TakeScreen, OfflineCall::ChooseScreenMode,
      OfflineCall::CreateScreenBuffers, OfflineCall::AttachBackBuffer, OfflineCall::LockBuffer,
      OfflineCall::UnlockBuffer, OfflineCall::ShowBackBuffer, OfflineCall::DesktopArea, OfflineCall::ClientAreaOrigin};
  return !Called(kCalls[static_cast<int32_t>(step)]);
}

bool BackendOpenOutput() { return true; }
bool BackendTakeScreen(WindowHandle, bool) { return true; }
bool BackendSizeOutput(int32_t, int32_t) { return true; }
void BackendShowImage(const DisplayImage& image) { PresentImage(image); }
uint32_t BackendFreshPixel() { return kOfflineUnwrittenPixel; }

ScreenRectangle BackendDesktopArea() {
  const State& s = TheState();
  return {0, 0, s.settings.desktopWidth, s.settings.desktopHeight};
}

void BackendClientOrigin(int32_t* x, int32_t* y) {
  *x = TheState().settings.clientX;
  *y = TheState().settings.clientY;
}

// ---- Performance counter ---------------------------------------------------------------------

bool ReadClock(int64_t* count) {
  if (Called(OfflineCall::ReadClock)) return false;
  *count = TheState().presentedFrames * TheState().settings.fpsDenominator;
  return true;
}

bool ClockRate(int64_t* ticksPerSecond) {
  if (Called(OfflineCall::ClockRate)) return false;
  *ticksPerSecond = TheState().settings.fpsNumerator;
  return true;
}

// ---- Music -------------------------------------------------------------------------------------

void StartMusicLibrary() { Called(OfflineCall::StartMusicLibrary); }
void SetMusicOption(int32_t, int64_t) { Called(OfflineCall::SetMusicOption); }
bool ChooseMusicOutput() { return !Called(OfflineCall::ChooseMusicOutput); }
bool OpenMusicOutput() { return !Called(OfflineCall::OpenMusicOutput); }

ModuleHandle LoadModule(const char* fileName) {
  State& s = TheState();
  if (Called(OfflineCall::LoadModule)) return 0;
  if (!s.player.Load(fileName)) return 0;
  s.moduleLoaded = true;
  return 1;
}

int32_t ModuleSongLength(ModuleHandle module) {
  const State& s = TheState();
  return module == 1 && s.moduleLoaded ? s.player.SongLength() : 0;
}

PlayHandle PrepareModule(ModuleHandle module, bool loop) {
  State& s = TheState();
  if (Called(OfflineCall::PrepareModule) || module != 1 || !s.moduleLoaded) return 0;
  return s.player.Start(loop) ? 1 : 0;
}

void SetPositionCallback(PlayHandle play, PositionCallback callback) {
  if (!Called(OfflineCall::SetPositionCallback) && play == 1) TheState().callback = callback;
}

void StartPlaying(int32_t) {
  if (Called(OfflineCall::StartPlaying)) return;
  TheState().playing = TheState().moduleLoaded;
}

bool StopModule(PlayHandle play) {
  if (Called(OfflineCall::StopModule) || play != 1) return false;
  TheState().playing = false;
  return true;
}

bool FreeModule(ModuleHandle module) {
  State& s = TheState();
  if (Called(OfflineCall::FreeModule) || module != 1 || !s.moduleLoaded) return false;
  s.playing = false;
  s.moduleLoaded = false;
  s.player.Unload();
  return true;
}

bool CloseMusicLibrary() {
  if (Called(OfflineCall::CloseMusicLibrary)) return false;
  TheState().callback = nullptr;
  return true;
}

}  // namespace platform

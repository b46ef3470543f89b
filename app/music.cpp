// Music start-up and shut-down on the platform's module player, and the sync callback.
#include "app/music.h"

#include <cstdio>

#include "app/display.h"
#include "core/data_location.h"
#include "core/fatal_error.h"
#include "scenes/scene_table.h"

std::atomic<int32_t> MusicPosition{0};
platform::ModuleHandle MusicModule = 0;
platform::PlayHandle MusicPlayHandle = 0;

namespace {
constexpr int64_t kOutputThroughPrimaryBuffer = 2;  // value of the output-mode option
constexpr int32_t kBackgroundPollRate = 20;
}  // namespace

void MusicSyncCallback(uint32_t, uint32_t position, uint32_t) {
  // The one value the audio thread shares with the scenes; relaxed is enough because
  // nothing else is published with it.
  MusicPosition.store(static_cast<int32_t>(position), std::memory_order_relaxed);
}

void MusicStartup() {
  // The results of start-up, the options, the callback and background play are not
  // examined: the steps that can fail in a way the demo cares about report it later.
  platform::StartMusicLibrary();
  platform::SetMusicOption(platform::kMusicOptionWindow, MainWindow);
  platform::SetMusicOption(platform::kMusicOptionOutputMode, kOutputThroughPrimaryBuffer);
  if (!platform::ChooseMusicOutput()) FatalError("MIDAS ERREUR : MIDASconfig \n");
  if (!platform::OpenMusicOutput()) FatalError("MIDAS ERREUR : MIDASinit \n");
  MusicModule = platform::LoadModule(DataPath("data/mowt.xm").c_str());
  if (!MusicModule) {
    // The player's message names only the failed call: say which file it was, too.
    std::fputs("data/mowt.xm: missing, unreadable or not a playable XM module\n", stderr);
    FatalError("MIDAS ERREUR : MIDASloadModule \n");
  }
  const int32_t songLength = platform::ModuleSongLength(MusicModule);
  if (songLength < kSongPositionsNeeded) {
    char message[128];
    std::snprintf(message, sizeof message,
                  "MIDAS ERREUR : data/mowt.xm n'a que %d positions, la d\xE9mo en joue %d\n",
                  static_cast<int>(songLength), static_cast<int>(kSongPositionsNeeded));
    FatalError(message);
  }
  MusicPlayHandle = platform::PrepareModule(MusicModule, true);
  if (!MusicPlayHandle) FatalError("MIDAS ERREUR : MIDASplayModule \n");
  platform::SetPositionCallback(MusicPlayHandle, MusicSyncCallback);
  platform::StartPlaying(kBackgroundPollRate);
}

void MusicShutdown() {
  if (!platform::StopModule(MusicPlayHandle)) FatalError("MIDAS ERREUR : MIDASstopModule \n");
  if (!platform::FreeModule(MusicModule)) FatalError("MIDAS ERREUR : MIDASfreeModule \n");
  if (!platform::CloseMusicLibrary()) FatalError("MIDAS ERREUR : MIDASclose \n");
}

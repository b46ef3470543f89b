// The music clock: the song position of the looping module, reported by the player.
//
// MusicPosition is the order index of the song as last reported by MusicSyncCallback,
// 0 until the first report. It is written only by the callback (on the audio thread)
// and read by the scenes on the main thread; it is an atomic so that the two threads
// never race. Scenes compare it as a signed number against their end position.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/platform.h"

extern std::atomic<int32_t> MusicPosition;

// The loaded module "data/mowt.xm" and its playing instance; 0 until MusicStartup.
extern platform::ModuleHandle MusicModule;
extern platform::PlayHandle MusicPlayHandle;

// Called by the player with the order (song position) and row as they are heard.
// Stores the position in MusicPosition; the other two values are not used.
void MusicSyncCallback(uint32_t syncValue, uint32_t position, uint32_t row);

// Starts the player and the module "data/mowt.xm" looping in the background; a failed
// step ends the process through FatalError with "MIDAS ERREUR : <call> \n".
void MusicStartup();

// Stops and frees the module and closes the player, in that order; a failed step ends
// the process through FatalError with the message of that step.
void MusicShutdown();

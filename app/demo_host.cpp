// The demo frame as the scenes' host: the display, the music clock and the scene clock.
#include "app/demo_host.h"

#include "app/display.h"
#include "app/music.h"
#include "app/timer.h"
#include "scenes/scene_host.h"

namespace {

int32_t ReadMusicPosition() { return MusicPosition.load(std::memory_order_relaxed); }

}  // namespace

void SetDemoSceneHost() { SetSceneHost({&PresentFrame, &ReadMusicPosition, &TimerSeconds, &TimerReset}); }

// The Demo object and the reset of the demo frame's globals between in-process runs.
#include "app/demo.h"

#include "app/display.h"
#include "app/music.h"
#include "app/screen_grab.h"
#include "app/timer.h"
#include "app/viewer_controls.h"
#include "core/frame_buffer.h"
#include "core/fatal_error.h"
#include "core/random.h"
#include "scenes/scene_host.h"
#include "scenes/scenes.h"

Demo* TheDemo = nullptr;

// Left uninitialised, as the scenes clear or overwrite every pixel (spelled with new
// because emscripten's C++ library lacks make_unique_for_overwrite).
Demo::Demo() : frameBuffer(new uint32_t[kFramePixels]) {}

Demo::~Demo() = default;

void ResetDemoState() {
  delete TheDemo;
  TheDemo = nullptr;
  GrabCounter = 1;
  MusicPosition.store(0);
  TimerFrequency = 0;
  TimerCount = 0;
  TimerBase = 0.0;
  MainWindow = 0;
  MusicModule = 0;
  MusicPlayHandle = 0;
  ResetViewerControls();
  zelto::SeedRandom(1);
  SetFatalErrorBox(nullptr);
  SetSceneHost({});
  WatchScenes(nullptr);
  ResetSceneState();
}

// The demo: the object that owns the frame buffer, the scene sequence, and the program's
// start-up and shut-down.
//
// DemoMain is the whole program: it opens the window, sets up the display, the clock and
// the music, runs the six scenes once each in order (Demo::Run) and shuts the music and
// the window down, returning 0. Escape or closing the window ends the process with exit
// code 0 from inside PresentFrame; FatalError ends it with 9999. Before main runs, a static
// initialiser deletes "sniffer.txt" from the working directory. DemoMain first registers
// the error box and the scene host, so both hold from the first call that can fail.
#pragma once

#include <cstdint>
#include <memory>

class Demo {
 public:
  // Allocates the 512 x 256 frame buffer; its contents are left undefined.
  Demo();
  // Frees the frame buffer. The demo never destroys its Demo: the buffer lives until the
  // process ends, and only ResetDemoState, between in-process runs, deletes it.
  virtual ~Demo();
  Demo(const Demo&) = delete;
  Demo& operator=(const Demo&) = delete;
  // The six scenes in order, each with frameBuffer.
  void Run();
  // Writes the next "grab_%d.bmp" from frameBuffer (app/screen_grab.h).
  void ScreenGrab();

  std::unique_ptr<uint32_t[]> frameBuffer;
};

// The one Demo object, set by DemoMain once constructed.
extern Demo* TheDemo;

// The program: start-up, Demo::Run, shut-down; returns 0 after the last scene.
int DemoMain();

// For tests and capture that run DemoMain more than once in a process: deletes the
// previous Demo, which frees its frame buffer, and puts every piece of process state back
// to its start value: the grab counter (1), the song position (0), the clock, the window
// and music handles, the shared generator (seed 1), the error box and the scene host
// (unset until DemoMain gives them again), the scene watcher (none) and what the scenes
// keep between frames (ResetSceneState). Nothing else lives from one run to the next.
void ResetDemoState();

// The viewer's controls around the demo: Space pauses and resumes, M mutes and unmutes.
//
// They sit around the frames, never inside a scene: a pause asked for during a frame
// begins once that frame is shown, and while it lasts the music, the song position and
// the scene clock stand still together, so nothing jumps when it ends. The window keeps
// answering meanwhile: Enter grabs the picture on the screen, Escape or closing the
// window ends the demo with 0, Space goes on, M mutes. Muting silences the output only;
// the music plays on and keeps its place. With neither key pressed the demo runs exactly
// as without them. Main thread only.
#pragma once

#include "platform/platform.h"

// Handles Space and M; false for every other key (the window procedure's own).
bool ViewerKey(platform::InputKey key);

// Called by PresentFrame after it has shown the frame: returns at once unless a pause is
// wanted, else when the viewer ends it. A quit request met here ends the process the way
// PresentFrame's does.
void HoldWhilePaused();

// Not paused, not muted: the state at start, for tests that run the demo more than once.
void ResetViewerControls();

// The demo frame's answers to the scenes (scenes/scene_host.h).
#pragma once

// Gives the scenes the display's PresentFrame, the player's MusicPosition (read relaxed,
// as only the audio thread writes it) and the scene clock. DemoMain calls it at start-up.
void SetDemoSceneHost();

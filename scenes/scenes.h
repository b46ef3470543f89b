// The six scenes of the demo, in play order. Each draws its frames into the frame
// buffer, presents them, and returns when the music reaches its end position in
// scene_table.h; the rotozoom scene goes on with the end logo until the demo's end.
#pragma once

#include <cstdint>

void ParticlesScene(uint32_t* frame);
void ObjectScene(uint32_t* frame);
void BallScene(uint32_t* frame);
void RippledPlaneScene(uint32_t* frame);
void ZoomScene(uint32_t* frame);
void RotozoomScene(uint32_t* frame);

// For programs that run the demo more than once: forgets what the scenes keep between
// frames (the ray casters' camera rows and bases), so
// that the next run starts as the first did. ResetDemoState calls it.
void ResetSceneState();

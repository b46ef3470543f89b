// The six scenes of the demo, in play order. Each draws its frames into the frame
// buffer, presents them, and returns when the music reaches its end position.
#pragma once

#include <cstdint>

void ParticlesScene(uint32_t* frame);     // until song position 12
void ObjectScene(uint32_t* frame);        // until 20
void BallScene(uint32_t* frame);          // until 28
void RippledPlaneScene(uint32_t* frame);  // until 32
void ZoomScene(uint32_t* frame);          // until 40
void RotozoomScene(uint32_t* frame);      // until 44, then the end logo until 96

// For programs that run the demo more than once: forgets what the scenes keep between
// frames (the ray casters' camera rows and bases, the depth sort's array pointers), so
// that the next run starts as the first did. ResetDemoState calls it.
void ResetSceneState();

// A plain test card that stands in for a scene that is not built yet.
#pragma once

#include <cstdint>

// Draws card `number` (a bar per number in the top-left corner, a bar that moves with the
// scene clock) until MusicPosition reaches endPosition, presenting every frame.
void RunTestCard(uint32_t* frame, int number, int32_t endPosition);

// One frame of the card at time `seconds`: fills all 512 x 256 pixels.
void DrawTestCard(uint32_t* frame, int number, double seconds);

// Placeholder until the scene is built: test card 4.
#include "scenes/scenes.h"
#include "scenes/test_card.h"

void RippledPlaneScene(uint32_t* frame) { RunTestCard(frame, 4, 32); }

// Placeholder until the scene is built: test card 6.
#include "scenes/scenes.h"
#include "scenes/test_card.h"

void RotozoomScene(uint32_t* frame) { RunTestCard(frame, 6, 96); }

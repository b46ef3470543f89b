// Placeholder until the scene is built: test card 5.
#include "scenes/scenes.h"
#include "scenes/test_card.h"

void ZoomScene(uint32_t* frame) { RunTestCard(frame, 5, 40); }

// Placeholder until the scene is built: test card 3.
#include "scenes/scenes.h"
#include "scenes/test_card.h"

void BallScene(uint32_t* frame) { RunTestCard(frame, 3, 28); }

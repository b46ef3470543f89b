// Placeholder until the scene is built: test card 2.
#include "scenes/scenes.h"
#include "scenes/test_card.h"

void ObjectScene(uint32_t* frame) { RunTestCard(frame, 2, 20); }

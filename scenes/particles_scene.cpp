// Placeholder until the scene is built: test card 1.
#include "scenes/scenes.h"
#include "scenes/test_card.h"

void ParticlesScene(uint32_t* frame) { RunTestCard(frame, 1, 12); }

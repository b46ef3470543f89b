// The object scene: an environment-mapped object seen from an orbiting camera, with light
// rays from the screen centre and three animated sprites along the bottom-left edge.
//
// ObjectScene runs until the song position reaches its end position in scene_table.h, on
// the scene clock that runs on from the particles scene.
#pragma once

#include <cstdint>

void ObjectScene(uint32_t* frame);

// The sprite sheet holds four animation frames stacked vertically. At scene time t the
// sprite in slot k (0, 1, 2 from the left) shows frame (trunc(4 t) + k) mod 4.
int32_t ObjectSpriteFrame(double seconds, int32_t slot);

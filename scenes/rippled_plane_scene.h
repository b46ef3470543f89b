// The rippled plane scene: a textured plane with travelling ripples, fading to white with
// distance, with short negative flashes.
//
// RippledPlaneScene runs until the song position reaches its end position in
// scene_table.h, on the scene clock that runs on from the particles scene.
#pragma once

#include <cstdint>

void RippledPlaneScene(uint32_t* frame);
// Forgets the camera basis the ray caster kept (part of ResetSceneState).
void ResetRippledPlaneScene();

// Casts the 65 x 33 grid rays (256 * F + (x - 256) * right + (y - 128) * down,
// normalised; roll in radians) from the camera (eyeX, eyeY, eyeZ) at the planes
// y = +planeDistance (rays going up) and y = -planeDistance (rays going down), corrects
// each hit for the ripple height 100 sin(z / 330 + phase) cos(x / 330 + phase), and
// writes every vertex of the grid: GridU = x * 10240 and GridV = z * 10240 (16.16,
// wrapping in 32 bits: one texel per 6.4 units), GridLight = 256 * min(255, horizontal
// distance / 20). A ray parallel to the planes gets kGridParallelCoordinate
// (image/grid_mapper.h) twice and level 255.
// eyeY must not be 0. Keeps its camera rows between calls for directions along z.
void FillRippleGrid(float planeDistance, float eyeX, float eyeY, float eyeZ, float dirX, float dirY, float dirZ,
                    double roll, float phase);

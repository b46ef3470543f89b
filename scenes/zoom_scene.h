// The zoom scene: a ray-cast flight along a textured corridor past a textured tube, with
// flashes.
//
// ZoomScene runs until the song position reaches its end position in scene_table.h, on
// the scene clock that runs on from the particles scene. The corridor is the pair of
// planes y = +800 and y = -800, the tube the cylinder x^2 + y^2 = 400^2 around the z
// axis; the camera flies towards +z.
#pragma once

#include <cstdint>

void ZoomScene(uint32_t* frame);
// Puts both trace routines' camera bases back to their start (part of ResetSceneState).
void ResetZoomScene();

// Both trace routines cast the 65 x 33 grid rays of the camera at (camX, camY, camZ)
// looking along the unit direction (dirX, dirY, dirZ) with the roll in radians (screen
// columns run along the rolled up vector, rows along the rolled side vector, focal 256).
// Each keeps its own basis between calls for directions along the z axis; before any
// earlier call it falls back to the basis of the direction (0, 0, 1).
//
// TracePlanes writes every vertex of GridU, GridV, GridLight with the hit on the plane
// y = +h (rays going up) or y = -h: U = x * 10240, V = z * 10240 (16.16, one texel per
// 6.4 units, wrapping in 32 bits), light = 256 * min(255, horizontal distance / 20). A
// ray parallel to the planes gets kGridParallelCoordinate (image/grid_mapper.h) twice and
// level 255.
void TracePlanes(float h, float camX, float camY, float camZ, float dirX, float dirY, float dirZ, double roll);

// TraceTube, called after TracePlanes for the same frame, overwrites the vertices where
// the tube of radius r is strictly nearer (a smaller light level) than what the grid
// holds: U = |angle around the axis| / pi * 2^23 + 0x40000000 (half a turn spans texel
// columns 0..127, the other half mirrors it), V = z * 6400.
void TraceTube(float r, float camX, float camY, float camZ, float dirX, float dirY, float dirZ, double roll);

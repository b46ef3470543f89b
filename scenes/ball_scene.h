// The ball scene: a ray-cast textured sphere on black, with light rays and corner animations.
//
// BallScene reads its image names and two speeds from "data/boule/boule.ini" and runs
// until the song position reaches its end position in scene_table.h, on the scene clock
// that runs on from the particles scene.
#pragma once

#include <cstdint>

void BallScene(uint32_t* frame);
// Forgets the camera basis the ray caster kept (part of ResetSceneState).
void ResetBallScene();

// The corner animation: 30 frames stacked from top to bottom, height / 30 rows each.
constexpr int32_t kBallAnimationFrames = 30;

// The animation frame shown at scene time sceneTime: trunc(speed * sceneTime) mod 30,
// the non-negative remainder (so a negative speed still shows frames 0..29).
int32_t BallAnimationFrame(double speed, double sceneTime);

// Casts the 65 x 33 grid rays (focal * F + (x - 256) * right + (y - 128) * down,
// normalised) from the camera at (eyeX, eyeY, eyeZ) against the sphere of `radius` at the
// origin and writes every vertex of GridU, GridV and GridLight. A hit stores
// GridU = |longitude| * 2^24 / pi (the texture covers half a turn, mirrored), GridV =
// z * 9830400 / radius and light 0; a miss (grazing rays included) stores
// kGridMissCoordinate twice and kGridLightMissMarker (image/grid_mapper.h), so that the
// masked grid mapper skips every block with such a corner. (dirX, dirY, dirZ) is the unit view
// direction, roll in radians. *centreX, *centreY receive the screen position of the
// sphere's centre, truncated (INT32_MIN when it projects to no finite point).
// Keeps its camera rows between calls for directions along the z axis.
void FillBallGrid(float focal, float radius, float eyeX, float eyeY, float eyeZ, float dirX, float dirY,
                  float dirZ, double roll, int32_t* centreX, int32_t* centreY);

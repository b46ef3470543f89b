// CameraMatrix: the camera rotation built from a view direction and a roll angle.
//
// The matrix is nine floats stored row by row (m0 m1 m2 / m3 m4 m5 / m6 m7 m8).
// Row 0 is the screen-right axis, row 1 the screen-down axis, row 2 the viewing
// direction. A point Q relative to the camera lands in camera space at
// (row 0 . Q, row 1 . Q, row 2 . Q): x to the right, y down, z into the screen.
// The ball and rippled plane scenes build their per-pixel rays from the same rows.
#pragma once

// Fills matrix[9] for the unit view direction (dx, dy, dz) and a roll in radians.
// Row 2 is the direction itself. A direction along the z axis (dx = dy = 0), for
// which the general construction divides by zero, gets the limit that directions
// close to the axis tend to: a finite matrix, continuous with its neighbours.
// For the two directions (0, +-1, 0) the angle of the right axis is taken as
// atan2(roll, roll) before the roll is added, as the demo has always done.
void CameraMatrix(float matrix[9], float dx, float dy, float dz, double roll);

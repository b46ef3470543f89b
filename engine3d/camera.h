// The camera basis: screen-right, screen-down and viewing axes built from a view
// direction and a roll angle, for the 3D engine and for the ray-cast scenes.
//
// With h = |(a, b)| for the unit direction (a, b, c): P = (ac/h, bc/h, -h) points down the
// slope of the view, Q = (-b/h, a/h, 0) is horizontal; g = |(Q.y, P.y)| and
// theta = atan2(P.y, Q.y / g) + roll (only the second argument is divided by g: every
// scene is framed with this convention). Then right = P cos(theta) - Q sin(theta),
// down = P sin(theta) + Q cos(theta), forward = (a, b, c). Intermediates are in double.
//
// A direction along the z axis (h = 0) leaves P and Q undefined, and g = 0 leaves the
// angle so; the two builders below differ only in what they do there.
#pragma once

struct CameraBasis {
  double right[3];
  double down[3];
  double forward[3];
};

// What BuildCameraBasis keeps between calls: the last defined direction, P and Q, and the
// last defined pair of atan2 arguments. All zero by default, so that a degenerate first
// direction gives zero axes (rays that hit nothing); a caller may start from another basis.
struct CameraBasisMemory {
  double forward[3] = {0.0, 0.0, 0.0};
  double p[3] = {0.0, 0.0, 0.0};
  double q[3] = {0.0, 0.0, 0.0};
  double angleY = 0.0;
  double angleX = 0.0;
};

// The basis of (a, b, c) and roll; where h or g is 0, what `memory` holds from the last
// call that defined them is used instead. Updates `memory`.
CameraBasis BuildCameraBasis(CameraBasisMemory* memory, float a, float b, float c, double roll);

// The basis rounded to float, as the ray-cast scenes use it.
struct CameraRows {
  float right[3];
  float down[3];
  float forward[3];
};
CameraRows RoundCameraBasis(const CameraBasis& basis);

// The 3D engine's camera rotation, nine floats row by row (m0 m1 m2 / m3 m4 m5 /
// m6 m7 m8): right, down, forward. A point Q relative to the camera lands in camera space
// at (row 0 . Q, row 1 . Q, row 2 . Q): x to the right, y down, z into the screen.
// Keeps nothing between calls. A direction along the z axis (dx = dy = 0) gets the limit
// that directions close to the axis tend to: a finite matrix, continuous with its
// neighbours. For the two directions (0, +-1, 0) (g = 0) the angle of the right axis is
// taken as atan2(roll, roll) before the roll is added, as the demo has always done.
void CameraMatrix(float matrix[9], float dx, float dy, float dz, double roll);

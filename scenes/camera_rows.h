// Screen axes of the ray-cast scenes (ball, rippled plane), built from a view direction.
//
// The rows come out exactly as the 3D engine's camera matrix builds them: row 0 points
// screen-right, row 1 screen-down, row 2 is the view direction. The ray through the grid
// vertex at pixel (x, y) is focal * row 2 + (x - 256) * row 0 + (y - 128) * row 1.
#pragma once

// What the builder remembers between calls, for the directions that leave its helper
// vectors undefined. Each ray-casting routine keeps its own; all zero before the first
// call, so a degenerate first direction gives zero rows (rays that hit nothing).
struct CameraRowMemory {
  double forward[3] = {0.0, 0.0, 0.0};
  double p[3] = {0.0, 0.0, 0.0};
  double q[3] = {0.0, 0.0, 0.0};
  double angleY = 0.0;
  double angleX = 0.0;
};

struct CameraRows {
  float right[3];    // row 0
  float down[3];     // row 1
  float forward[3];  // row 2
};

// direction: unit view direction (a, b, c); roll in radians. With h = |(a, b)|:
// P = (ac/h, bc/h, -h), Q = (-b/h, a/h, 0), g = |(Q.y, P.y)|, theta = atan2(P.y, Q.y / g)
// + roll, right = P cos(theta) - Q sin(theta), down = P sin(theta) + Q cos(theta).
// When h is 0 the direction, P and Q of the memory are used instead; when g is 0 the
// two atan2 arguments of the memory are. Intermediates in double, rows rounded to float.
CameraRows BuildCameraRows(CameraRowMemory* memory, float a, float b, float c, double roll);

// Camera rows with a memory for the degenerate directions.
#include "core/trig.h"
#include "scenes/camera_rows.h"

#include <cmath>

CameraRows BuildCameraRows(CameraRowMemory* memory, float a, float b, float c, double roll) {
  const double h = std::sqrt(static_cast<double>(a) * a + static_cast<double>(b) * b);
  if (h != 0.0) {
    memory->forward[0] = a;
    memory->forward[1] = b;
    memory->forward[2] = c;
    memory->p[0] = static_cast<double>(a) * c / h;
    memory->p[1] = static_cast<double>(b) * c / h;
    memory->p[2] = -h;
    memory->q[0] = -b / h;
    memory->q[1] = a / h;
    memory->q[2] = 0.0;
  }
  const double* p = memory->p;
  const double* q = memory->q;
  const double g = std::sqrt(q[1] * q[1] + p[1] * p[1]);
  if (g != 0.0) {
    // Only the second argument is divided by g.
    memory->angleY = p[1];
    memory->angleX = q[1] / g;
  }
  const double theta = Atan2(memory->angleY, memory->angleX) + roll;
  const double cosine = Cos(theta);
  const double sine = Sin(theta);
  CameraRows rows;
  for (int axis = 0; axis < 3; ++axis) {
    rows.right[axis] = static_cast<float>(p[axis] * cosine - q[axis] * sine);
    rows.down[axis] = static_cast<float>(p[axis] * sine + q[axis] * cosine);
    rows.forward[axis] = static_cast<float>(memory->forward[axis]);
  }
  return rows;
}

// The camera basis, with a memory for degenerate directions or with their limits.
#include "engine3d/camera.h"

#include <cmath>

#include "core/trig.h"

namespace {

double HorizontalLength(float a, float b) { return std::sqrt(static_cast<double>(a) * a + static_cast<double>(b) * b); }

// P and Q of a direction whose horizontal length h is not 0.
void SlopeAndLevel(float a, float b, float c, double h, double p[3], double q[3]) {
  p[0] = static_cast<double>(a) * c / h;
  p[1] = static_cast<double>(b) * c / h;
  p[2] = -h;
  q[0] = -b / h;
  q[1] = a / h;
  q[2] = 0.0;
}

double AngleScale(const double p[3], const double q[3]) { return std::sqrt(q[1] * q[1] + p[1] * p[1]); }

CameraBasis Rotate(const double p[3], const double q[3], const double forward[3], double angleY, double angleX,
                   double roll) {
  const double theta = Atan2(angleY, angleX) + roll;
  const double cosine = Cos(theta);
  const double sine = Sin(theta);
  CameraBasis basis;
  for (int axis = 0; axis < 3; ++axis) {
    basis.right[axis] = p[axis] * cosine - q[axis] * sine;
    basis.down[axis] = p[axis] * sine + q[axis] * cosine;
    basis.forward[axis] = forward[axis];
  }
  return basis;
}

}  // namespace

CameraBasis BuildCameraBasis(CameraBasisMemory* memory, float a, float b, float c, double roll) {
  const double h = HorizontalLength(a, b);
  if (h != 0.0) {
    memory->forward[0] = a;
    memory->forward[1] = b;
    memory->forward[2] = c;
    SlopeAndLevel(a, b, c, h, memory->p, memory->q);
  }
  const double g = AngleScale(memory->p, memory->q);
  if (g != 0.0) {
    memory->angleY = memory->p[1];
    memory->angleX = memory->q[1] / g;
  }
  return Rotate(memory->p, memory->q, memory->forward, memory->angleY, memory->angleX, roll);
}

CameraRows RoundCameraBasis(const CameraBasis& basis) {
  CameraRows rows;
  for (int axis = 0; axis < 3; ++axis) {
    rows.right[axis] = static_cast<float>(basis.right[axis]);
    rows.down[axis] = static_cast<float>(basis.down[axis]);
    rows.forward[axis] = static_cast<float>(basis.forward[axis]);
  }
  return rows;
}

void CameraMatrix(float matrix[9], float dx, float dy, float dz, double roll) {
  const double h = HorizontalLength(dx, dy);
  if (h == 0.0) {
    // Looking along the z axis. For unit directions close to the axis, whatever their
    // azimuth, the rows tend to these: the azimuth cancels out of the angle the right
    // axis is turned by, leaving only the roll.
    const double side = dz < 0.0f ? -1.0 : 1.0;
    const double cosRoll = Cos(roll), sinRoll = Sin(roll);
    matrix[0] = static_cast<float>(side * cosRoll);
    matrix[1] = static_cast<float>(-sinRoll);
    matrix[2] = 0.0f;
    matrix[3] = static_cast<float>(side * sinRoll);
    matrix[4] = static_cast<float>(cosRoll);
    matrix[5] = 0.0f;
    matrix[6] = dx;
    matrix[7] = dy;
    matrix[8] = dz;
    return;
  }
  double p[3], q[3];
  SlopeAndLevel(dx, dy, dz, h, p, q);
  const double forward[3] = {dx, dy, dz};
  const double g = AngleScale(p, q);
  const CameraRows rows =
      RoundCameraBasis(g != 0.0 ? Rotate(p, q, forward, p[1], q[1] / g, roll) : Rotate(p, q, forward, roll, roll, roll));
  for (int axis = 0; axis < 3; ++axis) {
    matrix[axis] = rows.right[axis];
    matrix[3 + axis] = rows.down[axis];
    matrix[6 + axis] = rows.forward[axis];
  }
}

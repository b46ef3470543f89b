// CameraMatrix: the camera rotation from a view direction and a roll angle.
#include "engine3d/camera.h"

#include <cmath>

#include "core/trig.h"

void CameraMatrix(float matrix[9], float dx, float dy, float dz, double roll) {
  const double a = dx, b = dy, c = dz;
  const double h = std::sqrt(a * a + b * b);
  if (h == 0.0) {
    // Looking along the z axis. For unit directions close to the axis, whatever their
    // azimuth, the rows below tend to these: the azimuth cancels out of the angle
    // the right axis is turned by, leaving only the roll.
    const double side = c < 0.0 ? -1.0 : 1.0;
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
  // P and Q: two unit vectors at right angles to the view direction; P points down
  // the slope of the view, Q is horizontal.
  const double px = a * c / h, py = b * c / h, pz = -h;
  const double qx = -b / h, qy = a / h;
  // The angle the right axis is turned by before the roll: P.y against Q.y / g, where
  // g is the length of (Q.y, P.y). Only the second argument is scaled; the picture of
  // every scene is framed with this convention, so it stays.
  const double g = std::sqrt(qy * qy + py * py);
  const double phi = g != 0.0 ? Atan2(py, qy / g) : Atan2(roll, roll);
  const double theta = phi + roll;
  const double cosTheta = Cos(theta), sinTheta = Sin(theta);
  matrix[0] = static_cast<float>(px * cosTheta - qx * sinTheta);
  matrix[1] = static_cast<float>(py * cosTheta - qy * sinTheta);
  matrix[2] = static_cast<float>(pz * cosTheta);
  matrix[3] = static_cast<float>(px * sinTheta + qx * cosTheta);
  matrix[4] = static_cast<float>(py * sinTheta + qy * cosTheta);
  matrix[5] = static_cast<float>(pz * sinTheta);
  matrix[6] = dx;
  matrix[7] = dy;
  matrix[8] = dz;
}

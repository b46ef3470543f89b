// The per-vertex rays of the ball and rippled plane scenes.
#include "scenes/grid_rays.h"

#include <cmath>

#include "core/frame_buffer.h"

void CastGridRays(const CameraRows& rows, float focal, GridRays* rays) {
  for (int y = 0; y <= kFrameHeight; y += 8) {
    for (int x = 0; x <= kFrameWidth; x += 8) {
      double ray[3];
      for (int axis = 0; axis < 3; ++axis) {
        ray[axis] = static_cast<double>(focal) * rows.forward[axis] + (x - 256) * static_cast<double>(rows.right[axis]) +
                    (y - 128) * static_cast<double>(rows.down[axis]);
      }
      const double length = std::sqrt(ray[0] * ray[0] + ray[1] * ray[1] + ray[2] * ray[2]);
      const int element = (x / 8) * kGridRows + y / 8;
      rays->x[element] = static_cast<float>(ray[0] / length);
      rays->y[element] = static_cast<float>(ray[1] / length);
      rays->z[element] = static_cast<float>(ray[2] / length);
    }
  }
}

// The rays of the ray-cast scenes: one per grid vertex, from the camera through the pixel
// the vertex sits on.
#pragma once

#include "engine3d/camera.h"
#include "image/grid_mapper.h"

// Unit ray directions of the 65 x 33 grid vertices, stored in the grid's element order.
struct GridRays {
  float x[kGridVertices];
  float y[kGridVertices];
  float z[kGridVertices];
};

// The ray through the vertex at pixel (x, y) is focal * forward + (x - 256) * right +
// (y - 128) * down, summed in that order and normalised in double, then rounded to float.
void CastGridRays(const CameraRows& rows, float focal, GridRays* rays);

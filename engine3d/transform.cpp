// The per-frame pipeline of Objet3d: camera transform and projection, environment
// coordinates, depth keys, and Render, which runs them and draws the faces.
#include "core/fixed_point.h"
#include "core/frame_buffer.h"
#include "engine3d/objet3d.h"

namespace {

// Focal length and centre of projection: a 90-degree horizontal field of view.
constexpr double kFocalLength = 256.0;
constexpr double kCentreX = 256.0;
constexpr double kCentreY = 128.0;

// Environment coordinates: a unit normal's x and y spread over texels 7..247.
constexpr double kEnvScale = 120.0;
constexpr double kEnvCentre = 127.0;

// The float nearest to 1/3 (bits 0x3EAAAAAB): the depth key is scaled by it.
constexpr float kOneThird = 0.33333334f;

}  // namespace

void Objet3d::Transform(const float m[9], Vecteur3d camera) {
  const double dx = static_cast<float>(position.x - camera.x);
  const double dy = static_cast<float>(position.y - camera.y);
  const double dz = static_cast<float>(position.z - camera.z);
  for (int32_t i = 0; i < nbPoints; ++i) {
    const double qx = points[i].x + dx, qy = points[i].y + dy, qz = points[i].z + dz;
    Vecteur3d& t = camPoints[i];
    t.x = static_cast<float>((qz * m[2] + qy * m[1]) + qx * m[0]);
    t.y = static_cast<float>((qz * m[5] + qy * m[4]) + qx * m[3]);
    t.z = static_cast<float>((qz * m[8] + qy * m[7]) + qx * m[6]);
    // No near plane: a point behind the camera comes out mirrored through the centre
    // (DrawFace refuses faces that reach behind the camera). Projections beyond the
    // int32 range, or of non-finite points, become INT32_MIN, far off screen.
    if (t.z == 0.0f) {
      screenX[i] = 256;
      screenY[i] = 128;
    } else {
      screenX[i] = TruncateToInt32(t.x * kFocalLength / t.z + kCentreX);
      screenY[i] = TruncateToInt32(t.y * kFocalLength / t.z + kCentreY);
    }
  }
  if (pointNormals.empty() || camNormals.empty()) return;
  for (int32_t i = 0; i < nbPoints; ++i) {
    const double nx = pointNormals[i].x, ny = pointNormals[i].y, nz = pointNormals[i].z;
    camNormals[i] = {static_cast<float>(nz * m[2] + ny * m[1] + nx * m[0]),
                     static_cast<float>(nz * m[5] + ny * m[4] + nx * m[3]),
                     static_cast<float>(nz * m[8] + ny * m[7] + nx * m[6])};
  }
}

void Objet3d::CalcEnvUV() {
  if (camNormals.empty()) return;
  for (int32_t i = 0; i < nbPoints; ++i) {
    envUV[i].u = TruncateToInt32(camNormals[i].x * kEnvScale + kEnvCentre);
    envUV[i].v = TruncateToInt32(camNormals[i].y * kEnvScale + kEnvCentre);
  }
}

void Objet3d::CalcFaceDepths() {
  for (int32_t j = 0; j < nbFaces; ++j) {
    const FaceIndices& face = faces[j];
    const double sum = (static_cast<double>(camPoints[face.c].z) + camPoints[face.b].z) + camPoints[face.a].z;
    faceDepth[j] = static_cast<float>(sum * kOneThird);
    faceOrder[j] = j;
  }
}

void Objet3d::Render(const float matrix[9], Vecteur3d camera, uint32_t* frame) {
  // Shading needs the normals; an object without them has nothing to draw.
  if (faceNormals.empty() || camNormals.empty() || texture.pixels.empty()) return;
  Transform(matrix, camera);
  CalcEnvUV();
  CalcFaceDepths();
  SortFaces();
  // Painter's order: deepest key first, so nearer faces overwrite farther ones.
  for (int32_t k = nbFaces - 1; k >= 0; --k) DrawFace(camera, frame, faceOrder[k]);
}

// Objet3d::SortFaces and Objet3d::DrawFace: painter's-order sorting and the per-face
// visibility tests in front of the triangle filler.
#include "engine3d/face_sort.h"
#include "engine3d/objet3d.h"
#include "engine3d/texture_triangle.h"

namespace {

// A corner must lie strictly inside this band around the 512 x 256 screen: it keeps
// every 16.16 value of the triangle filler inside 32 bits.
constexpr int32_t kBandLeft = -150, kBandRight = 662;
constexpr int32_t kBandTop = -150, kBandBottom = 406;

bool InsideBand(int32_t x, int32_t y) {
  return x > kBandLeft && x < kBandRight && y > kBandTop && y < kBandBottom;
}

}  // namespace

void Objet3d::SortFaces() {
  faceSorter.Sort(faceDepth.data(), faceOrder.data(), nbFaces);
}

void Objet3d::DrawFace(Vecteur3d camera, uint32_t* frame, int32_t face) {
  const int32_t a = faces[face].a, b = faces[face].b, c = faces[face].c;
  if (!InsideBand(screenX[a], screenY[a]) || !InsideBand(screenX[b], screenY[b]) ||
      !InsideBand(screenX[c], screenY[c])) {
    return;
  }
  // A corner on or behind the camera plane projects mirrored (or to the centre):
  // the triangle drawn from it would be garbage, so the face is left out.
  if (!(camPoints[a].z > 0.0f) || !(camPoints[b].z > 0.0f) || !(camPoints[c].z > 0.0f)) return;
  // Back-face test: drawn when the face turns towards the camera or is seen edge-on.
  const Vecteur3d& corner = points[a];
  const Vecteur3d& normal = faceNormals[face];
  const double toCornerX = (static_cast<double>(corner.x) + position.x) - camera.x;
  const double toCornerY = (static_cast<double>(corner.y) + position.y) - camera.y;
  const double toCornerZ = (static_cast<double>(corner.z) + position.z) - camera.z;
  if (toCornerX * normal.x + toCornerY * normal.y + toCornerZ * normal.z > 0.0) return;
  TextureTriangle(texture.pixels.data(), frame, screenX[a], screenY[a], screenX[b], screenY[b], screenX[c],
                  screenY[c], envUV[a].u, envUV[a].v, envUV[b].u, envUV[b].v, envUV[c].u, envUV[c].v);
}

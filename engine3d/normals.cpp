// Objet3d normals: one unit normal per face, then one per point.
#include <cmath>

#include "core/exit_codes.h"
#include "core/fatal_error.h"
#include "core/float_round.h"
#include "engine3d/objet3d.h"

void Objet3d::CalcNormalesFaces() {
  if (!TryCalcNormalesFaces()) EndProcess(kExitObjectUnusable);
}

void Objet3d::CalcNormalesPoints() {
  if (!TryCalcNormalesPoints()) EndProcess(kExitObjectUnusable);
}

bool Objet3d::TryCalcNormalesFaces() {
  SnifferLog("Objet3d::CalcNormalesFaces()");
  faceNormals.assign(static_cast<size_t>(nbFaces), Vecteur3d{});
  for (int32_t j = 0; j < nbFaces; ++j) {
    const Vecteur3d& a = points[faces[j].a];
    const Vecteur3d& b = points[faces[j].b];
    const Vecteur3d& c = points[faces[j].c];
    const double ux = static_cast<double>(b.x) - a.x, uy = static_cast<double>(b.y) - a.y,
                 uz = static_cast<double>(b.z) - a.z;
    const double vx = static_cast<double>(c.x) - a.x, vy = static_cast<double>(c.y) - a.y,
                 vz = static_cast<double>(c.z) - a.z;
    // Not normalised and not flipped: the normal looks out of the side from which
    // a, b, c turn counter-clockwise (right-handed).
    // The components are rounded to float before the length is taken from them.
    const double nx = RoundToFloat(uy * vz - uz * vy);
    const double ny = RoundToFloat(uz * vx - ux * vz);
    const double nz = RoundToFloat(ux * vy - uy * vx);
    const double length = std::sqrt(nx * nx + ny * ny + nz * nz);
    if (length == 0.0) {
      // A triangle with no area has no side to face; the object cannot be shaded.
      SnifferLog("dommage: norme = 0");
      return false;
    }
    faceNormals[j] = {static_cast<float>(nx / length), static_cast<float>(ny / length),
                      static_cast<float>(nz / length)};
  }
  SnifferLog("Fin de CalcNormalesFaces()");
  return true;
}

bool Objet3d::TryCalcNormalesPoints() {
  SnifferLog("Objet3d::CalcNormalesPoints()");
  pointNormals.assign(static_cast<size_t>(nbPoints), Vecteur3d{});
  // No adjacency table: each point scans every face. It runs once per object load.
  for (int32_t i = 0; i < nbPoints; ++i) {
    double sx = 0.0, sy = 0.0, sz = 0.0;
    for (int32_t j = 0; j < nbFaces; ++j) {
      const int32_t uses = (faces[j].a == i) + (faces[j].b == i) + (faces[j].c == i);
      for (int32_t k = 0; k < uses; ++k) {
        sx += faceNormals[j].x;
        sy += faceNormals[j].y;
        sz += faceNormals[j].z;
      }
    }
    const double length = RoundToFloat(std::sqrt(sx * sx + sy * sy + sz * sz));
    if (length == 0.0) {
      // A point no face uses, or whose face normals cancel out.
      SnifferLog("dommage: norme = 0");
      return false;
    }
    pointNormals[i] = {static_cast<float>(sx / length), static_cast<float>(sy / length),
                       static_cast<float>(sz / length)};
  }
  camNormals.assign(static_cast<size_t>(nbPoints), Vecteur3d{});
  SnifferLog("Fin de CalcNormalesPoints()");
  return true;
}

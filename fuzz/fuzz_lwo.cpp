// Fuzzes the LightWave object reader: ParseLwo on the bytes, then, for a file it accepts,
// Objet3d::LoadLWO on the same bytes as a file and both normal computations through
// their status-returning forms (the plain ones end the process by design).
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "engine3d/lwo_reader.h"
#include "engine3d/objet3d.h"
#include "fuzz/fuzz_file.h"

namespace {

bool IsUnit(const Vecteur3d& v) {
  const double length = std::sqrt(static_cast<double>(v.x) * v.x + static_cast<double>(v.y) * v.y +
                                  static_cast<double>(v.z) * v.z);
  // Infinite or NaN coordinates give NaN normals; only finite ones must be unit length.
  return !std::isfinite(length) || std::fabs(length - 1.0) < 1e-3 || length == 0.0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  LwoMesh mesh;
  const LwoStatus status = ParseLwo(data, size, &mesh);
  Check(LwoStatusText(status) != nullptr);
  if (status != LwoStatus::kOk) return 0;
  for (const FaceIndices& face : mesh.faces) {
    Check(face.a >= 0 && static_cast<size_t>(face.a) < mesh.points.size());
    Check(face.b >= 0 && static_cast<size_t>(face.b) < mesh.points.size());
    Check(face.c >= 0 && static_cast<size_t>(face.c) < mesh.points.size());
  }

  // Accepted: LoadLWO reads the same file without ending the process.
  Objet3d object;
  object.LoadLWO(FuzzFileWithContents(data, size));
  Check(object.nbPoints == static_cast<int32_t>(mesh.points.size()));
  Check(object.nbFaces == static_cast<int32_t>(mesh.faces.size()));
  if (!object.TryCalcNormalesFaces()) return 0;
  for (int32_t j = 0; j < object.nbFaces; ++j) Check(IsUnit(object.faceNormals[j]));
  if (!object.TryCalcNormalesPoints()) return 0;
  // Point normals are not checked for length: a sum of face normals that nearly cancels
  // can leave a float length too small to normalise by exactly. They are read whole.
  float sum = 0.0f;
  for (int32_t i = 0; i < object.nbPoints; ++i) sum += object.pointNormals[i].x;
  (void)sum;
  Check(object.camNormals.size() == static_cast<size_t>(object.nbPoints));
  return 0;
}

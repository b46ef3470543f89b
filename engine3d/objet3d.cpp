// Objet3d: construction, destruction, loading and the two setters.
#include "engine3d/objet3d.h"

#include <cstdio>
#include <utility>

#include "core/exit_codes.h"
#include "core/fatal_error.h"
#include "engine3d/lwo_reader.h"

Objet3d::Objet3d() = default;

Objet3d::~Objet3d() = default;

void Objet3d::LoadLWO(const char* fileName) {
  SnifferLog("Objet3d::LoadLWO(char *LWO_filename)");
  SnifferLog("Ouverture du fichier : %s", fileName);
  size_t size = 0;
  uint8_t* data = LoadFile(fileName, &size);
  if (data == nullptr) {
    SnifferLog(" !!!! IMPOSSIBLE !!!!\n");
    EndProcess(kExitObjectUnusable);
  }
  LwoMesh mesh;
  const LwoStatus status = ParseLwo(data, size, &mesh);
  delete[] data;
  if (status != LwoStatus::kOk) {
    // Every rejection says which file and why, so a replaced object that the demo
    // cannot use never ends it silently.
    std::fprintf(stderr, "%s: LightWave object rejected: %s\n", fileName, LwoStatusText(status));
    EndProcess(kExitObjectUnusable);
  }

  nbPoints = static_cast<int32_t>(mesh.points.size());
  nbFaces = static_cast<int32_t>(mesh.faces.size());
  points = std::move(mesh.points);
  faces = std::move(mesh.faces);
  camPoints.resize(points.size());
  screenX.resize(points.size());
  screenY.resize(points.size());
  envUV.resize(points.size());
  faceOrder.resize(faces.size());
  faceDepth.resize(faces.size());
  SnifferLog("Fin de LoadLWO");
}

void Objet3d::LoadTexture(const char* fileName) {
  texture.Load(fileName);
  // The renderer reads rows 0..254 of a 256-pixel stride, whatever the image says.
  if (texture.pixels.empty() || texture.width != 256 || texture.height < 255) {
    char message[512];
    std::snprintf(message, sizeof message,
                  "Objet3d::LoadTexture: %s must be 256 pixels wide and at least 255 rows high "
                  "(it is %d x %d)\n",
                  fileName, static_cast<int>(texture.width), static_cast<int>(texture.height));
    FatalError(message);
  }
}

void Objet3d::SetPosition(float x, float y, float z) { position = {x, y, z}; }

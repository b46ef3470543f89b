// Objet3d: construction, destruction and the two setters.
#include "engine3d/objet3d.h"

#include <cstdio>

#include "app/fatal_error.h"

Objet3d::Objet3d()
    : nbPoints(0),
      nbFaces(0),
      points(nullptr),
      camPoints(nullptr),
      screenX(nullptr),
      screenY(nullptr),
      envUV(nullptr),
      pointNormals(nullptr),
      camNormals(nullptr),
      faceNormals(nullptr),
      faces(nullptr),
      position{0.0f, 0.0f, 0.0f},
      orientation{1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f},
      faceOrder(nullptr),
      faceDepth(nullptr),
      texture() {}

Objet3d::~Objet3d() {
  delete[] points;
  delete[] camPoints;
  delete[] screenX;
  delete[] screenY;
  delete[] envUV;
  delete[] pointNormals;
  delete[] camNormals;
  delete[] faceNormals;
  delete[] faces;
  delete[] faceOrder;
  delete[] faceDepth;
}

void Objet3d::LoadTexture(const char* fileName) {
  texture.Load(fileName);
  // The renderer reads rows 0..254 of a 256-pixel stride, whatever the image says.
  if (texture.pixels == nullptr || texture.width != 256 || texture.height < 255) {
    char message[512];
    std::snprintf(message, sizeof message,
                  "Objet3d::LoadTexture: %s must be 256 pixels wide and at least 255 rows high "
                  "(it is %d x %d)\n",
                  fileName, static_cast<int>(texture.width), static_cast<int>(texture.height));
    FatalError(message);
  }
}

void Objet3d::SetPosition(float x, float y, float z) { position = {x, y, z}; }

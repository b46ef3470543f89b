// The rippled plane scene: per-vertex ray casting with a ripple correction, grid mapping
// with a distance fade, and flashes.
#include "scenes/rippled_plane_scene.h"

#include <cfloat>
#include <cmath>
#include <string>
#include <vector>

#include "core/fatal_error.h"
#include "core/fixed_point.h"
#include "core/frame_buffer.h"
#include "core/random.h"
#include "core/trig.h"
#include "image/blit_additive.h"
#include "image/grid_mapper.h"
#include "image/invert_frame.h"
#include "image/surface.h"
#include "scenes/grid_rays.h"
#include "scenes/scene_host.h"
#include "scenes/scene_images.h"
#include "scenes/scene_table.h"
#include "scenes/scenes.h"

namespace {

constexpr int32_t kRippledPlaneEnd = SceneEnd(kRippledPlaneScene);
constexpr const char* kTextureFile = "data/boule/tex7c.bmp";
constexpr const char* kBandFile = "data/rotozoom/bigfiltre2.bmp";
constexpr int32_t kBandRows = 25;
constexpr int32_t kBandCount = 4;
constexpr int32_t kTextureSide = 256;

CameraBasisMemory rippleCameraMemory;
GridRays rippleRays;

// Height of the ripples at the plane point (x, z).
double RippleHeight(double x, double z, float phase) {
  constexpr double kWaveNumber = 0.0030303030303030303;  // 1 / 330
  return 100.0 * Sin(z * kWaveNumber + phase) * Cos(x * kWaveNumber + phase);
}

// How far along the offsets to the camera the hit moves onto the rippled surface. Where
// that is undefined (the ripple height is 0 at the hit, so the hit already lies on the
// surface, or the two heights cancel) the hit stays where it is.
float RippleStep(double ratio, double height, double height2) {
  const double denominator = height2 - 2.0 * height;
  if (denominator == 0.0) return 0.0f;
  const double step = -ratio * height / denominator;
  return std::fabs(step) <= FLT_MAX ? static_cast<float>(step) : 0.0f;
}

// Light level of a horizontal distance: one level per 20 units, white from 5100 on.
int32_t FadeLevel(double distance) {
  const double level = 0.05 * distance;
  return level < 255.0 ? static_cast<int32_t>(level) : 255;
}

// The 256 x 256 texture as a plain texel buffer. A file that cannot be read, or that is
// not a 256 x 256 24-bit picture, ends the process.
std::vector<uint32_t> LoadPlaneTexture() {
  DecodedBmp image;
  if (LoadBmpFile(kTextureFile, &image) != BmpStatus::kLoaded || image.bitsPerPixel != 24) {
    std::string message = "Impossible de charger la texture : ";
    message += kTextureFile;
    message += " (il faut une image BMP 24 bits de 256 x 256)\n";
    FatalError(message.c_str());
  }
  RequireImageSize(kTextureFile, image.width, image.height, kTextureSide, kTextureSide);
  return Surface(image).pixels;
}

}  // namespace

void ResetRippledPlaneScene() { rippleCameraMemory = CameraBasisMemory{}; }

void FillRippleGrid(float planeDistance, float eyeX, float eyeY, float eyeZ, float dirX, float dirY, float dirZ,
                    double roll, float phase) {
  CastGridRays(RoundCameraBasis(BuildCameraBasis(&rippleCameraMemory, dirX, dirY, dirZ, roll)), 256.0f, &rippleRays);
  for (int element = 0; element < kGridVertices; ++element) {
    const float dx = rippleRays.x[element];
    const float dy = rippleRays.y[element];
    const float dz = rippleRays.z[element];
    if (dy == 0.0f) {
      GridU[element] = kGridParallelCoordinate;
      GridV[element] = kGridParallelCoordinate;
      GridLight[element] = 255 << 8;
      continue;
    }
    const double planeY = dy > 0.0f ? planeDistance : -planeDistance;
    const double t0 = (planeY - eyeY) / dy;
    const float hitX = static_cast<float>(eyeX + t0 * dx);
    const double hitZ = eyeZ + t0 * dz;
    // One step of a secant search towards the rippled surface along the ray back to
    // the camera: r scales the offsets to the camera by the ripple height there.
    const double height = RippleHeight(hitX, hitZ, phase);
    const double ratio = height / eyeY;
    const float offsetX = static_cast<float>(eyeX - hitX);
    const float offsetZ = static_cast<float>(eyeZ - hitZ);
    const double height2 = RippleHeight(hitX + ratio * offsetX, hitZ + ratio * offsetZ, phase);
    const float step = RippleStep(ratio, height, height2);
    const double hitX2 = hitX + step * static_cast<double>(offsetX);
    const double hitZ2 = hitZ + step * static_cast<double>(offsetZ);
    GridU[element] = TruncateWrap32(hitX2 * 10240.0);
    GridV[element] = TruncateWrap32(hitZ2 * 10240.0);
    const double distanceX = hitX2 - eyeX;
    const double distanceZ = hitZ2 - eyeZ;
    GridLight[element] = FadeLevel(std::sqrt(distanceX * distanceX + distanceZ * distanceZ)) << 8;
  }
}

void RippledPlaneScene(uint32_t* frame) {
  const std::vector<uint32_t> texture = LoadPlaneTexture();
  const Surface band(kBandFile);
  RequireImageSize(band, kBandFile, 512, kBandRows * kBandCount);
  int32_t flashCounter = 0;

  while (host::SongPosition() < kRippledPlaneEnd) {
    const double t = host::SceneSeconds();
    const float tf = static_cast<float>(t);
    const float eyeX = static_cast<float>(1000.0 * Cos(0.3 * t));
    const float eyeY = 320.0f;
    const float eyeZ = static_cast<float>(1000.0 * Sin(0.3 * t));
    const float aimX = static_cast<float>(1000.0 * Cos(0.13 * tf) - eyeX);
    const float aimZ = static_cast<float>(1000.0 * Sin(0.11 * tf) - eyeZ);
    // The aim point lies 4680 units above the camera.
    const double length = std::sqrt(static_cast<double>(aimX) * aimX + static_cast<double>(aimZ) * aimZ + 21902400.0);
    FillRippleGrid(1000.0f, eyeX, eyeY, eyeZ, static_cast<float>(aimX / length), static_cast<float>(4680.0 / length),
                   static_cast<float>(aimZ / length), 0.0, tf);
    GridMap(texture.data(), frame);

    if (flashCounter < 40) {
      const int32_t y = zelto::rand() % 240;
      // Bands are 25 rows of 512 pixels apart, whatever the image's width.
      BlitAdditive(band.pixels.data() + kBandRows * (flashCounter % kBandCount) * 512, band.width, kBandRows, frame, 0, y);
      InvertFrame(frame);
    }
    if (flashCounter > 300) flashCounter = 0;
    flashCounter += 1;
    host::ShowFrame(frame);
  }
}

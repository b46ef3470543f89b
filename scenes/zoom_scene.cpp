// The zoom scene: corridor and tube ray casting per grid vertex, grid mapping, flashes.
#include "scenes/zoom_scene.h"

#include <cmath>

#include "core/fatal_error.h"
#include "core/fixed_point.h"
#include "core/frame_buffer.h"
#include "core/trig.h"
#include "engine3d/camera.h"
#include "image/grid_mapper.h"
#include "image/surface.h"
#include "scenes/flash.h"
#include "scenes/grid_rays.h"
#include "scenes/scene_host.h"
#include "scenes/scene_images.h"
#include "scenes/scene_table.h"
#include "scenes/scenes.h"

namespace {

constexpr int32_t kZoomEnd = SceneEnd(kZoomScene);
constexpr const char* kBarFile = "data/rotozoom/bigfiltre2.bmp";
constexpr const char* kStripFile = "data/rotozoom/bigfiltre.bmp";
constexpr const char* kTextureFile = "data/zoom/texture1.bmp";

// Each trace routine keeps its own camera memory, starting as the basis of the direction
// (0, 0, 1), so that a first direction along the z axis still gives finite rays.
constexpr CameraBasisMemory kAlongZ = {{0.0, 0.0, 1.0}, {1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, 0.0, 1.0};
CameraBasisMemory planesBasis = kAlongZ;
CameraBasisMemory tubeBasis = kAlongZ;

// The zoom's own rays: the right axis kept in double and the terms summed in another
// order than CastGridRays does.
void CastTraceRays(CameraBasisMemory* memory, float dirX, float dirY, float dirZ, double roll, GridRays* rays) {
  const CameraBasis basis = BuildCameraBasis(memory, dirX, dirY, dirZ, roll);
  float rowAxis[3];       // down, rounded to float
  double columnAxis[3];   // right, kept in double
  float forward256[3];
  for (int axis = 0; axis < 3; ++axis) {
    rowAxis[axis] = static_cast<float>(basis.down[axis]);
    columnAxis[axis] = basis.right[axis];
    forward256[axis] = static_cast<float>(256.0 * basis.forward[axis]);
  }
  for (int j = 0; j <= kFrameHeight; j += 8) {
    for (int i = 0; i <= kFrameWidth; i += 8) {
      double ray[3];
      for (int axis = 0; axis < 3; ++axis) {
        ray[axis] = (i - 256) * columnAxis[axis] + (j - 128) * static_cast<double>(rowAxis[axis]) + forward256[axis];
      }
      const double length = std::sqrt(ray[0] * ray[0] + ray[1] * ray[1] + ray[2] * ray[2]);
      const int element = (i / 8) * kGridRows + j / 8;
      rays->x[element] = static_cast<float>(ray[0] / length);
      rays->y[element] = static_cast<float>(ray[1] / length);
      rays->z[element] = static_cast<float>(ray[2] / length);
    }
  }
}

// Horizontal distance to light level, wrapping like every conversion of this scene and
// then limited to 255.
int32_t DistanceLevel(double distanceX, double distanceZ) {
  const int32_t level = TruncateWrap32(std::sqrt(distanceX * distanceX + distanceZ * distanceZ) * 0.05);
  return level > 255 ? 255 : level;
}

int32_t LightOfLevel(int32_t level) { return static_cast<int32_t>(static_cast<uint32_t>(level) << 8); }

GridRays traceRays;

}  // namespace

void ResetZoomScene() {
  planesBasis = kAlongZ;
  tubeBasis = kAlongZ;
}

void TracePlanes(float h, float camX, float camY, float camZ, float dirX, float dirY, float dirZ, double roll) {
  CastTraceRays(&planesBasis, dirX, dirY, dirZ, roll, &traceRays);
  for (int element = 0; element < kGridVertices; ++element) {
    const float nx = traceRays.x[element];
    const float ny = traceRays.y[element];
    const float nz = traceRays.z[element];
    if (ny == 0.0f) {
      GridU[element] = kGridParallelCoordinate;
      GridV[element] = kGridParallelCoordinate;
      GridLight[element] = LightOfLevel(255);
      continue;
    }
    const double planeY = ny > 0.0f ? h : -h;
    const double t = (planeY - camY) / ny;
    const float hitX = static_cast<float>(camX + nx * t);
    const double hitZ = camZ + nz * t;
    GridU[element] = TruncateWrap32(hitX * 10240.0);
    GridV[element] = TruncateWrap32(hitZ * 10240.0);
    GridLight[element] = LightOfLevel(DistanceLevel(static_cast<double>(hitX) - camX, hitZ - camZ));
  }
}

void TraceTube(float r, float camX, float camY, float camZ, float dirX, float dirY, float dirZ, double roll) {
  CastTraceRays(&tubeBasis, dirX, dirY, dirZ, roll, &traceRays);
  const float constant = static_cast<float>(static_cast<double>(camX) * camX + static_cast<double>(camY) * camY -
                                            static_cast<double>(r) * r);
  const float pi = static_cast<float>(4.0 * Atan2(1.0, 1.0));
  for (int element = 0; element < kGridVertices; ++element) {
    const float nx = traceRays.x[element];
    const float ny = traceRays.y[element];
    const float nz = traceRays.z[element];
    const double a = static_cast<double>(ny) * ny + static_cast<double>(nx) * nx;
    const float b = static_cast<float>(2.0 * (static_cast<double>(nx) * camX + static_cast<double>(ny) * camY));
    const double discriminant = static_cast<double>(b) * b - 4.0 * constant * a;
    const float twiceA = static_cast<float>(2.0 * a);
    // A miss: the values that can never beat a plane.
    int32_t u = kGridMissCoordinate;
    int32_t v = kGridMissCoordinate;
    int32_t level = 255;
    // discriminant < 0 gives no real root; a ray along the axis (twiceA 0) never meets
    // the wall at a finite distance.
    if (discriminant > 0.0 && twiceA != 0.0f) {
      const double root = std::sqrt(discriminant);
      double t = (-b - root) / twiceA;
      if (t < 0.0) t = (root - b) / twiceA;
      if (t > 0.0) {
        const float hitX = static_cast<float>(camX + nx * t);
        const float hitZ = static_cast<float>(camZ + nz * t);
        const double hitY = camY + ny * t;
        u = TruncateWrap32(std::fabs(Atan2(hitY, static_cast<double>(hitX))) * 16777216.0 / pi);
        level = DistanceLevel(static_cast<double>(hitX) - camX, static_cast<double>(hitZ) - camZ);
        v = TruncateWrap32(hitZ * 6400.0);
      }
    }
    // Strictly nearer only: on equal levels the planes win.
    if (GridLight[element] > LightOfLevel(level)) {
      GridV[element] = v;
      GridLight[element] = LightOfLevel(level);
      GridU[element] = WrapAdd(u / 2, 0x40000000);
    }
  }
}

void ZoomScene(uint32_t* frame) {
  const Surface bar(kBarFile);
  RequireImageSize(bar, kBarFile, kBarWidth, kBarFrameRows * kBarFrames);
  const Surface strip(kStripFile);
  RequireImageSize(strip, kStripFile, kStripWidth, kStripFrameRows * kStripFrames);
  const Surface texture(kTextureFile);
  RequireImageSize(texture, kTextureFile, 256, 256);
  int32_t flashCounter = 0;

  while (host::SongPosition() < kZoomEnd) {
    const double time = host::SceneSeconds() * 6.0;
    const double sway = Sin(0.03 * time);
    const float a = static_cast<float>(Cos(0.05 * time) * 1500.0);
    const float b = static_cast<float>(Sin(0.07 * time) * 780.0);
    const float c = static_cast<float>(sway * 1500.0);
    const float d = static_cast<float>(Cos(0.2 * time) * 100.0);
    const float roll = static_cast<float>(Cos(0.02 * time) * sway * 6.28);
    // The view direction is taken from (a, b, c) towards (0, d, 0), before the forward
    // offset of the flight is added to z.
    const float towardX = -a;
    const float towardY = d - b;
    const float towardZ = -c;
    const double length = std::sqrt(static_cast<double>(towardZ) * towardZ + static_cast<double>(towardY) * towardY +
                                    static_cast<double>(towardX) * towardX);
    if (length == 0.0) FatalError("camera erreur: position = vis\xE9" "e!!\n");
    const float dirX = static_cast<float>(towardX / length);
    const float dirY = static_cast<float>(towardY / length);
    const float dirZ = static_cast<float>(towardZ / length);
    const float camZ = static_cast<float>(time * 200.0 + c);

    TracePlanes(800.0f, a, b, camZ, dirX, dirY, dirZ, roll);
    TraceTube(400.0f, a, b, camZ, dirX, dirY, dirZ, roll);
    GridMap(texture.pixels.data(), frame);  // every pixel, so the frame is never cleared
    if (flashCounter < 40) DrawFlash(frame, strip, bar, flashCounter);
    if (flashCounter > 200) flashCounter = 0;
    flashCounter += 1;
    host::ShowFrame(frame);
  }
}

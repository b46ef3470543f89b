// The ball scene: per-vertex ray-sphere intersection, masked grid mapping, rays, sprites.
#include "scenes/ball_scene.h"

#include <cmath>
#include <cstddef>
#include <cstring>
#include <string>

#include "core/fatal_error.h"
#include "core/fixed_point.h"
#include "core/frame_buffer.h"
#include "core/trig.h"
#include "image/blit_additive.h"
#include "image/grid_mapper.h"
#include "image/radial_blur.h"
#include "image/surface.h"
#include "scenes/grid_rays.h"
#include "scenes/scene_host.h"
#include "scenes/scene_images.h"
#include "scenes/scene_table.h"
#include "scenes/scenes.h"
#include "settings/ini_file.h"

namespace {

constexpr int32_t kBallEnd = SceneEnd(kBallScene);
constexpr const char* kSettingsFile = "data/boule/boule.ini";

CameraBasisMemory ballCameraMemory;
GridRays ballRays;

// The name of an image that the settings file gives. A missing section, or a name that
// leads to no loadable image, stops the demo with a message that also names the settings
// file and the section, since that is the file to mend. (The image is read once more by
// its Surface: three small files at scene start.)
const char* ImageNamedBySettings(const IniFile& settings, const char* section) {
  const char* name = settings.GetRequiredString(section);
  DecodedBmp image;
  if (LoadBmpFile(name, &image) != BmpStatus::kLoaded) {
    const std::string message = "Impossible de charger l'Surface : " + std::string(name) + " !!\n(" +
                                section + " dans " + settings.FileName() + ")\n";
    FatalError(message.c_str());
  }
  return name;
}

}  // namespace

void ResetBallScene() { ballCameraMemory = CameraBasisMemory{}; }

int32_t BallAnimationFrame(double speed, double sceneTime) {
  // The remainder of the truncating division, made non-negative so that a negative
  // product (a negative speed in the settings file) still names one of the frames.
  const int32_t remainder = TruncateToInt32(speed * sceneTime) % kBallAnimationFrames;
  return remainder < 0 ? remainder + kBallAnimationFrames : remainder;
}

void FillBallGrid(float focal, float radius, float eyeX, float eyeY, float eyeZ, float dirX, float dirY,
                  float dirZ, double roll, int32_t* centreX, int32_t* centreY) {
  const CameraRows rows = RoundCameraBasis(BuildCameraBasis(&ballCameraMemory, dirX, dirY, dirZ, roll));
  const float* right = rows.right;
  const float* down = rows.down;
  const float* forward = rows.forward;

  const double forwardDepth = static_cast<double>(forward[0]) * eyeX + static_cast<double>(forward[1]) * eyeY +
                              static_cast<double>(forward[2]) * eyeZ;
  const double rightOffset = static_cast<double>(right[0]) * eyeX + static_cast<double>(right[1]) * eyeY +
                             static_cast<double>(right[2]) * eyeZ;
  const double downOffset = static_cast<double>(down[0]) * eyeX + static_cast<double>(down[1]) * eyeY +
                            static_cast<double>(down[2]) * eyeZ;
  *centreX = TruncateToInt32(255.0 + focal * rightOffset / forwardDepth);
  *centreY = TruncateToInt32(127.0 + focal * downOffset / forwardDepth);

  const float pi = static_cast<float>(4.0 * Atan2(1.0, 1.0));
  const float constant = static_cast<float>(static_cast<double>(eyeX) * eyeX + static_cast<double>(eyeY) * eyeY +
                                            static_cast<double>(eyeZ) * eyeZ - static_cast<double>(radius) * radius);
  CastGridRays(rows, focal, &ballRays);
  for (int element = 0; element < kGridVertices; ++element) {
    const float dx = ballRays.x[element];
    const float dy = ballRays.y[element];
    const float dz = ballRays.z[element];

    const double a = static_cast<double>(dx) * dx + static_cast<double>(dy) * dy + static_cast<double>(dz) * dz;
    const float b = static_cast<float>(2.0 * (static_cast<double>(dx) * eyeX + static_cast<double>(dy) * eyeY +
                                              static_cast<double>(dz) * eyeZ));
    const double discriminant = static_cast<double>(b) * b - 4.0 * a * constant;
    int32_t u = kGridMissCoordinate;
    int32_t v = kGridMissCoordinate;
    int32_t light = kGridLightMissMarker;
    // A grazing ray (discriminant 0) misses; NaN rays from a degenerate camera miss too.
    if (discriminant > 0.0) {
      const double root = std::sqrt(discriminant);
      double t = (-b - root) / (2.0 * a);
      if (t < 0.0) t = (root - b) / (2.0 * a);
      if (t > 0.0) {
        const float hitX = static_cast<float>(eyeX + t * dx);
        const float hitY = static_cast<float>(eyeY + t * dy);
        const float hitZ = static_cast<float>(eyeZ + t * dz);
        u = TruncateWrap32(std::fabs(Atan2(static_cast<double>(hitY), static_cast<double>(hitX))) *
                           16777216.0 / pi);
        v = TruncateWrap32(hitZ * 9830400.0 / radius);
        light = 0;
      }
    }
    GridU[element] = u;
    GridV[element] = v;
    GridLight[element] = light;
  }
}

void BallScene(uint32_t* frame) {
  const IniFile settings(kSettingsFile);
  // A section missing from the file, or a name that leads to no image, ends the demo with
  // a message that names it, each name looked up just before its image loads, so the
  // first failure is the one reported.
  const char* textureFile = ImageNamedBySettings(settings, "[boule_text]");
  const Surface texture(textureFile);
  RequireImageSize(texture, textureFile, 256, 256);
  const char* animationFile = ImageNamedBySettings(settings, "[anim_octet]");
  const Surface animation(animationFile);
  RequireImageSize(animation, animationFile, kAnyWidth, kBallAnimationFrames);
  const Surface logo(ImageNamedBySettings(settings, "[boule_logo]"));  // loaded for the scene's whole run, never drawn

  while (host::SongPosition() < kBallEnd) {
    const double a = host::SceneSeconds() * settings.GetFloat("[boule_vitesse]");
    const float eyeX = static_cast<float>(5600.0 * Cos(0.3 * a));
    const float eyeY = static_cast<float>(5600.0 * Sin(0.3 * a));
    const float eyeZ = static_cast<float>(5600.0 * Cos(0.3 * a));
    const float aimX = static_cast<float>(2000.0 * Cos(0.5 * a));
    const float aimY = static_cast<float>(2000.0 * Sin(0.63 * a));
    const float aimZ = static_cast<float>(2000.0 * Sin(0.3 * a));
    const double roll = 6.28 * Sin(0.03 * a) * Cos(0.05 * a);
    const float toAimX = aimX - eyeX;
    const float toAimY = aimY - eyeY;
    const float toAimZ = aimZ - eyeZ;
    const double length = std::sqrt(static_cast<double>(toAimX) * toAimX + static_cast<double>(toAimY) * toAimY +
                                    static_cast<double>(toAimZ) * toAimZ);
    if (length == 0.0) FatalError("camera erreur: position = vis\xE9" "e!!\n");
    int32_t centreX = 0;
    int32_t centreY = 0;
    FillBallGrid(256.0f, 5000.0f, eyeX, eyeY, eyeZ, static_cast<float>(toAimX / length),
                 static_cast<float>(toAimY / length), static_cast<float>(toAimZ / length), roll, &centreX,
                 &centreY);

    std::memset(frame, 0, kFrameBytes);
    GridMapMasked(texture.pixels.data(), frame);
    RadialBlur(frame, centreX < 3 ? 3 : (centreX > 509 ? 509 : centreX),
               centreY < 3 ? 3 : (centreY > 251 ? 251 : centreY));

    const int32_t frameRows = animation.height / kBallAnimationFrames;
    const int32_t index = BallAnimationFrame(settings.GetFloat("[anim_speed]"), a);
    const uint32_t* source = animation.pixels.data() + static_cast<ptrdiff_t>(index) * frameRows * animation.width;
    BlitAdditive(source, animation.width, frameRows, frame, 0, 0);
    BlitAdditive(source, animation.width, frameRows, frame, 64, 0);
    BlitAdditive(source, animation.width, frameRows, frame, 384, kFrameHeight - frameRows);
    BlitAdditive(source, animation.width, frameRows, frame, 448, kFrameHeight - frameRows);
    host::ShowFrame(frame);
  }
}

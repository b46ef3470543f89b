// The object scene: camera orbit, environment-mapped rendering, rays, sprites.
#include "scenes/object_scene.h"

#include <cmath>
#include <cstdio>
#include <cstddef>
#include <cstring>

#include "core/exit_codes.h"
#include "core/fatal_error.h"
#include "core/fixed_point.h"
#include "core/frame_buffer.h"
#include "core/trig.h"
#include "engine3d/camera.h"
#include "engine3d/objet3d.h"
#include "engine3d/vecteur3d.h"
#include "image/blit_additive.h"
#include "image/radial_blur.h"
#include "image/surface.h"
#include "scenes/scene_host.h"
#include "scenes/scene_images.h"
#include "scenes/scene_table.h"
#include "scenes/scenes.h"

namespace {

constexpr int32_t kObjectEnd = SceneEnd(kObjectScene);
constexpr const char* kObjectFile = "data/3d/u_mec.lwo";
constexpr const char* kEnvironmentFile = "data/3d/env_neg.bmp";
constexpr const char* kSpriteFile = "data/boule/anim_cercle2.bmp";
constexpr int32_t kSpriteFrames = 4;
constexpr int32_t kSpriteGap = 5;

}  // namespace

int32_t ObjectSpriteFrame(double seconds, int32_t slot) {
  // The remainder is made non-negative, so a clock before 0 still names a frame.
  const int32_t remainder = WrapAdd(TruncateToInt32(4.0 * seconds), slot) % kSpriteFrames;
  return remainder < 0 ? remainder + kSpriteFrames : remainder;
}

void ObjectScene(uint32_t* frame) {
  Objet3d object;
  object.LoadLWO(kObjectFile);
  // A triangle with no area or a point no triangle uses leaves nothing to shade by: the
  // demo stops with the normals' exit code 1, naming the file to mend.
  if (!object.TryCalcNormalesFaces() || !object.TryCalcNormalesPoints()) {
    std::fprintf(stderr, "%s: LightWave object rejected: a triangle with no area or a point that no triangle uses\n",
                 kObjectFile);
    EndProcess(kExitObjectUnusable);
  }
  object.LoadTexture(kEnvironmentFile);  // checks the map's size itself
  object.SetPosition(0.0f, 0.0f, 0.0f);
  const Surface sprites(kSpriteFile);
  RequireImageSize(sprites, kSpriteFile, kAnyWidth, kSpriteFrames);
  const int32_t spriteRows = sprites.height / kSpriteFrames;

  float matrix[9];
  while (host::SongPosition() < kObjectEnd) {
    const double t = host::SceneSeconds();
    // The camera circles the y axis at radius 20 while its height swings between 40 and
    // 80, always looking at (0, 60, 0).
    const Vecteur3d camera{static_cast<float>(Sin(t) * -20.0), static_cast<float>(60.0 - Sin(1.3 * t) * 20.0),
                           static_cast<float>(Cos(t) * -20.0)};
    const float towardX = -camera.x;
    const float towardY = 60.0f - camera.y;
    const float towardZ = -camera.z;
    const float length = static_cast<float>(std::sqrt(static_cast<double>(towardX) * towardX +
                                                      static_cast<double>(towardY) * towardY +
                                                      static_cast<double>(towardZ) * towardZ));
    if (length == 0.0f) {
      SnifferLog("cam = visee!!! dommage: norme = 0");
      EndProcess(kExitObjectUnusable);
    }
    CameraMatrix(matrix, towardX / length, towardY / length, towardZ / length, 0.0);

    std::memset(frame, 0, kFrameBytes);
    object.Render(matrix, camera, frame);
    RadialBlur(frame, 256, 128);
    // Added after the blur, so the sprites keep their full brightness.
    for (int32_t slot = 0; slot < 3; ++slot) {
      const uint32_t* source = sprites.pixels.data() + static_cast<ptrdiff_t>(ObjectSpriteFrame(t, slot)) * spriteRows * sprites.width;
      BlitAdditive(source, sprites.width, spriteRows, frame, slot * (sprites.width + kSpriteGap),
                   kFrameHeight - spriteRows);
    }
    host::ShowFrame(frame);
  }
}

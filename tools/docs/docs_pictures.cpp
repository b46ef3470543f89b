// zelto2k-docs: draws the pictures of docs/how-it-works.md and the README's contact sheet
// with the demo's own routines and scenes.
//
// Usage: zelto2k-docs OUTPUT_FOLDER, run where data/ is (the build folder). The scenes run
// on a stand-in host with a fixed scene clock (scene_stage.h), so every picture depends
// only on the data and the code, never on the song's timing or the speed of the machine.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/frame_buffer.h"
#include "engine3d/camera.h"
#include "engine3d/objet3d.h"
#include "image/blit_additive.h"
#include "image/grid_mapper.h"
#include "image/invert_frame.h"
#include "image/radial_blur.h"
#include "image/surface.h"
#include "image/vertical_smear.h"
#include "scenes/particles_scene.h"
#include "scenes/scene_table.h"
#include "scenes/scenes.h"
#include "tools/docs/picture_sheet.h"
#include "tools/docs/scene_stage.h"

namespace {

constexpr uint32_t kSheetBackground = 0x202020;
constexpr int32_t kGap = 4;

struct SceneShot {
  SceneEntryPoint scene;
  double seconds;  // the scene clock, about the middle of the scene as the demo plays it
  int32_t frames;  // the particles need time to gather; the plane scenes flash for 40 frames
  int32_t from;
};
const SceneShot kSceneShots[kSceneCount] = {
    {ParticlesScene, 5.0, 420, 0},   {ObjectScene, 55.0, 1, 0}, {BallScene, 73.0, 1, 0},
    {RippledPlaneScene, 54.0, 41, 0}, {ZoomScene, 64.0, 41, 0}, {RotozoomScene, 3.5, 1, 0},
};

// The columns of the frame the object covers from this view.
constexpr int32_t kObjectLeft = 112;
constexpr int32_t kObjectWidth = 288;

// The object seen from a fixed point of the object scene's orbit, drawn by Render on black.
struct ObjectView {
  Vecteur3d camera{-14.0f, 52.0f, -14.0f};
  float matrix[9];
  ObjectView() {
    const double x = -camera.x, y = 60.0 - camera.y, z = -camera.z;
    const double length = std::sqrt(x * x + y * y + z * z);
    CameraMatrix(matrix, static_cast<float>(x / length), static_cast<float>(y / length),
                 static_cast<float>(z / length), 0.0);
  }
};

void LoadObject(Objet3d* object) {
  object->LoadLWO("data/3d/u_mec.lwo");
  object->CalcNormalesFaces();
  object->CalcNormalesPoints();
  object->LoadTexture("data/3d/env_neg.bmp");
  object->SetPosition(0.0f, 0.0f, 0.0f);
}

// Deep blue for the face drawn first, through red, to yellow for the one drawn last.
uint32_t RankColour(int32_t rank, int32_t count) {
  const int32_t at = count > 1 ? rank * 510 / (count - 1) : 510;
  const int32_t low = at < 255 ? at : 255, high = at < 255 ? 0 : at - 255;
  const int32_t red = 40 + low * 200 / 255 + high * 15 / 255;
  const int32_t green = 50 - low * 20 / 255 + high * 200 / 255;
  const int32_t blue = 190 - low * 110 / 255 - high * 40 / 255;
  return static_cast<uint32_t>(red) << 16 | static_cast<uint32_t>(green) << 8 | static_cast<uint32_t>(blue);
}

// The object's faces filled each with the colour of its place in the drawing order, shown
// after a quarter, half, three quarters and all of them: the renderer's own steps, with
// every face's corners pointed at one texel of a colour ramp just before DrawFace fills it.
std::vector<Picture> FacesInDrawingOrder() {
  Objet3d object;
  LoadObject(&object);
  for (int32_t v = 0; v < object.texture.height; ++v)
    for (int32_t u = 0; u < 256; ++u) object.texture.pixels[v * 256 + u] = RankColour(u, 255);
  const ObjectView view;
  std::vector<uint32_t> frame(kFramePixels, 0);
  object.Transform(view.matrix, view.camera);
  object.CalcFaceDepths();
  object.SortFaces();
  std::vector<Picture> stages;
  const int32_t count = object.nbFaces;
  int32_t quarter = 1;
  for (int32_t drawn = 0; drawn < count; ++drawn) {
    const int32_t face = object.faceOrder[count - 1 - drawn];
    const int32_t texel = drawn * 254 / (count > 1 ? count - 1 : 1);
    for (const int32_t point : {object.faces[face].a, object.faces[face].b, object.faces[face].c})
      object.envUV[point] = {texel, 0};
    object.DrawFace(view.camera, frame.data(), face);
    if (drawn + 1 == count * quarter / 4) {
      ++quarter;
      stages.push_back(Crop(Picture::FromFrame(frame.data()), kObjectLeft, 0, kObjectWidth, kFrameHeight));
    }
  }
  return stages;
}

Picture RenderedObject() {
  Objet3d object;
  LoadObject(&object);
  const ObjectView view;
  std::vector<uint32_t> frame(kFramePixels, 0);
  object.Render(view.matrix, view.camera, frame.data());
  return Picture::FromFrame(frame.data());
}

// Three discs of pure red, green and blue, each fading to black at its rim, added over
// one another: where they overlap the channels add up, to yellow, cyan, magenta and white.
Picture AdditiveDiscs() {
  constexpr int32_t kSide = 150;
  std::vector<uint32_t> frame(kFramePixels, 0);
  const struct { uint32_t shift; int32_t x, y; } discs[3] = {{16, 150, 26}, {8, 212, 26}, {0, 181, 80}};
  std::vector<uint32_t> sprite(kSide * kSide);
  for (const auto& disc : discs) {
    for (int32_t y = 0; y < kSide; ++y) {
      for (int32_t x = 0; x < kSide; ++x) {
        const double dx = x - kSide / 2 + 0.5, dy = y - kSide / 2 + 0.5;
        const double edge = 1.0 - std::sqrt(dx * dx + dy * dy) / (kSide / 2);
        const int32_t level = edge <= 0.0 ? 0 : edge >= 0.25 ? 255 : static_cast<int32_t>(edge * 4.0 * 255.0);
        sprite[y * kSide + x] = static_cast<uint32_t>(level) << disc.shift;
      }
    }
    BlitAdditive(sprite.data(), kSide, kSide, frame.data(), disc.x, disc.y);
  }
  return Picture::FromFrame(frame.data());
}

// Each pixel a `factor` x `factor` square with a dark line round it.
Picture PixelGrid(const Picture& picture, int32_t factor) {
  Picture large = Magnify(picture, factor);
  for (int32_t y = 0; y < large.height; ++y)
    for (int32_t x = 0; x < large.width; ++x)
      if (x % factor == 0 || y % factor == 0) MixPixel(&large, x, y, 0x303030, 160);
  return large;
}

// The 65 x 33 grid over a frame magnified twice: cell edges darkened, vertices marked.
Picture GridOver(const Picture& frame) {
  constexpr int32_t kScale = 2;
  Picture large = Magnify(frame, kScale);
  const int32_t cell = 8 * kScale;
  for (int32_t y = 0; y < large.height; ++y)
    for (int32_t x = 0; x < large.width; ++x)
      if (x % cell == 0 || y % cell == 0) MixPixel(&large, x, y, 0x000000, 140);
  for (int32_t column = 0; column < kGridColumns; ++column) {
    for (int32_t row = 0; row < kGridRows; ++row) {
      const int32_t x = column * cell, y = row * cell;
      for (int32_t dy = -1; dy <= 1; ++dy)
        for (int32_t dx = -1; dx <= 1; ++dx) MixPixel(&large, x + dx, y + dy, 0xFF40FF, 224);
    }
  }
  return large;
}

// The target points of the three particle shapes, each on its own frame.
std::vector<Picture> TargetShapes() {
  std::vector<Picture> panels;
  for (const char* file : {"data/particules/forme.bmp", "data/particules/forme2.bmp", "data/particules/forme3.bmp"}) {
    const Surface shape(file);
    int32_t count = 0;
    float* xs = nullptr;
    float* ys = nullptr;
    BuildTargets(shape.pixels.data(), &count, &xs, &ys);
    Picture panel(kFrameWidth, kFrameHeight, 0x081020);
    for (int32_t i = 0; i < count; ++i)
      panel.At(static_cast<int32_t>(xs[i]), static_cast<int32_t>(ys[i])) = 0xFFE8A0;
    delete[] xs;
    delete[] ys;
    panels.push_back(panel);
  }
  return panels;
}

// The end logo on black, then smeared with a low keep factor, then inverted.
std::vector<Picture> SmearAndInversion() {
  const Surface logo("data/logofin.bmp");
  std::vector<uint32_t> frame(kFramePixels, 0);
  BlitAdditive(logo.pixels.data(), logo.width, logo.height, frame.data(), 0, 0);
  std::vector<Picture> steps = {Picture::FromFrame(frame.data())};
  VerticalSmear(frame.data(), 0.1f);
  steps.push_back(Picture::FromFrame(frame.data()));
  InvertFrame(frame.data());
  steps.push_back(Picture::FromFrame(frame.data()));
  return steps;
}

// The song from position 0 to the end logo's end, kPositionWidth pixels a position: one
// band per scene over the positions it plays, filled with a piece of its frame, and under
// it a long tick at every scene change and a short one every four positions.
Picture SongTimeline(const std::vector<Picture>& scenes, const Picture& endLogo) {
  constexpr int32_t kPositionWidth = 6, kMargin = 8, kBandHeight = 96, kLongTick = 14, kShortTick = 6;
  Picture timeline(kEndLogoEndPosition * kPositionWidth + 1 + 2 * kMargin, kBandHeight + kLongTick + 3 * kMargin,
                   kSheetBackground);
  std::vector<int32_t> changes = {0};
  auto band = [&](const Picture& frame, int32_t from, int32_t to, int32_t top) {
    const int32_t width = (to - from) * kPositionWidth - 1;
    Paste(&timeline, Crop(frame, (kFrameWidth - width) / 2, top, width, kBandHeight),
          kMargin + from * kPositionWidth + 1, kMargin);
    changes.push_back(to);
  };
  for (int32_t scene = 0; scene < kSceneCount; ++scene)
    band(scenes[scene], SceneStart(static_cast<SceneIndex>(scene)), SceneEnd(static_cast<SceneIndex>(scene)),
         (kFrameHeight - kBandHeight) / 2);
  band(endLogo, SceneEnd(kRotozoomScene), kEndLogoEndPosition, 0);  // the logo's name is at the top
  const int32_t tickTop = kMargin + kBandHeight + kMargin / 2;
  for (int32_t position = 0; position <= kEndLogoEndPosition; ++position) {
    const bool change = std::find(changes.begin(), changes.end(), position) != changes.end();
    if (!change && position % 4 != 0) continue;
    const int32_t length = change ? kLongTick : kShortTick;
    for (int32_t y = tickTop; y < tickTop + length; ++y)
      timeline.At(kMargin + position * kPositionWidth, y) = change ? 0xF0F0F0 : 0x909090;
  }
  return timeline;
}

bool Write(const std::string& folder, const char* name, const Picture& picture) {
  std::string error;
  if (!WritePicture(folder + "/" + name, picture, &error)) {
    std::fprintf(stderr, "zelto2k-docs: %s\n", error.c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: zelto2k-docs OUTPUT_FOLDER (run where data/ is)\n");
    return 2;
  }
  const std::string folder = argv[1];
  std::vector<Picture> scenes;
  for (const SceneShot& shot : kSceneShots) scenes.push_back(StageScene(shot.scene, shot.seconds, shot.frames, shot.from));
  std::vector<Picture> halves;
  for (const Picture& scene : scenes) halves.push_back(Halve(scene));

  const Picture object = RenderedObject();
  Picture blurred = object;
  RadialBlur(blurred.pixels.data(), 256, 128);
  const std::vector<Picture> smear = SmearAndInversion();

  bool written = Write(folder, "scenes.png", Tile(halves, 3, kGap, kSheetBackground));
  written &= Write(folder, "frame_pixels.png", PixelGrid(Crop(scenes[kParticlesScene], 96, 12, 64, 32), 8));
  written &= Write(folder, "additive_blit.png", AdditiveDiscs());
  written &= Write(folder, "radial_blur.png", Tile({object, blurred}, 1, kGap, kSheetBackground));
  written &= Write(folder, "grid_map.png", GridOver(scenes[kZoomScene]));
  written &= Write(folder, "smear_inversion.png",
                   Tile({Halve(smear[0]), Halve(smear[1]), Halve(smear[2])}, 3, kGap, kSheetBackground));
  written &= Write(folder, "object_faces.png", Tile(FacesInDrawingOrder(), 4, kGap, kSheetBackground));
  std::vector<Picture> targets;
  for (const Picture& shape : TargetShapes()) targets.push_back(Halve(shape));
  written &= Write(folder, "particle_targets.png", Tile(targets, 3, kGap, kSheetBackground));
  const Picture endLogo = StageScene(RotozoomScene, 2.0, 1, SceneEnd(kRotozoomScene));
  written &= Write(folder, "sync.png", SongTimeline(scenes, endLogo));
  return written ? 0 : 1;
}

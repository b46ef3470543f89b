// The generated pictures and the ball scene's settings, read through Surface and IniFile.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <cstdlib>
#include <string>

#include "image/surface.h"
#include "settings/ini_file.h"

namespace {

std::string DataPath(const std::string& name) { return std::string(ZELTO_DATA_DIR) + "/" + name; }

// BMP_Load first, so a bad file fails the test with its status instead of ending the
// process through Load's fatal error.
struct Picture {
  explicit Picture(const std::string& name) : path(DataPath(name)) {
    Surface probe;
    status = probe.BMP_Load(path.c_str());
    fileDepth = probe.depth;
    if (status == 0) surface = std::make_unique<Surface>(path.c_str());
  }
  uint32_t At(int x, int y) const { return surface->pixels[y * surface->width + x]; }
  int width() const { return surface->width; }
  int height() const { return surface->height; }
  std::string path;
  int32_t status = -1;
  int32_t fileDepth = 0;
  std::unique_ptr<Surface> surface;
};

#define LOAD_PICTURE(variable, name)                                 \
  Picture variable(name);                                            \
  ASSERT_EQ(variable.status, 0) << variable.path;                   \
  ASSERT_EQ(variable.fileDepth, 24) << variable.path;               \
  ASSERT_NE(variable.surface, nullptr)

int Channel(uint32_t pixel, int shift) { return static_cast<int>((pixel >> shift) & 0xFF); }

int Difference(uint32_t a, uint32_t b) {
  return std::abs(Channel(a, 16) - Channel(b, 16)) + std::abs(Channel(a, 8) - Channel(b, 8)) +
         std::abs(Channel(a, 0) - Channel(b, 0));
}

// The seam across the wrap (last column to first, last row to first) must look like a
// step between neighbours inside the picture: no larger than the largest of those.
void ExpectSeamless(const Picture& picture) {
  auto columnStep = [&](int a, int b) {
    double sum = 0;
    for (int y = 0; y < 256; ++y) sum += Difference(picture.At(a, y), picture.At(b, y));
    return sum;
  };
  auto rowStep = [&](int a, int b) {
    double sum = 0;
    for (int x = 0; x < 256; ++x) sum += Difference(picture.At(x, a), picture.At(x, b));
    return sum;
  };
  double largestColumnStep = 0, largestRowStep = 0;
  for (int k = 0; k < 255; ++k) {
    largestColumnStep = std::max(largestColumnStep, columnStep(k, k + 1));
    largestRowStep = std::max(largestRowStep, rowStep(k, k + 1));
  }
  EXPECT_LE(columnStep(255, 0), largestColumnStep * 1.25 + 512) << picture.path;
  EXPECT_LE(rowStep(255, 0), largestRowStep * 1.25 + 512) << picture.path;
}

TEST(ImageAssets, SwarmShapesAreBlackAndLitWithinTheSwarmBudget) {
  for (const char* name : {"particules/forme.bmp", "particules/forme2.bmp", "particules/forme3.bmp"}) {
    LOAD_PICTURE(shape, name);
    ASSERT_EQ(shape.width(), 320) << name;
    ASSERT_EQ(shape.height(), 200) << name;
    int lit = 0;
    for (int y = 0; y < 200; ++y)
      for (int x = 0; x < 320; ++x) {
        const uint32_t pixel = shape.At(x, y);
        EXPECT_TRUE(pixel == 0 || pixel == 0xFFFFFF) << name << " at " << x << "," << y;
        if (pixel) ++lit;
      }
    EXPECT_GE(lit, 3000) << name;
    EXPECT_LE(lit, 8000) << name;
  }
}

TEST(ImageAssets, ParticleSpriteIsASoftGlowBlackAtItsRim) {
  LOAD_PICTURE(sprite, "particules/light2.bmp");
  EXPECT_EQ(sprite.width(), 16);
  EXPECT_EQ(sprite.height(), 16);
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(sprite.At(i, 0), 0u);
    EXPECT_EQ(sprite.At(i, 15), 0u);
    EXPECT_EQ(sprite.At(0, i), 0u);
    EXPECT_EQ(sprite.At(15, i), 0u);
  }
  EXPECT_GT(Channel(sprite.At(8, 8), 0), 200);  // bright centre
}

TEST(ImageAssets, OverlaysFitTheFrame) {
  for (const char* name : {"zellogo.bmp", "logofin.bmp", "boule/under.bmp"}) {
    LOAD_PICTURE(overlay, name);
    EXPECT_LE(overlay.width(), 512) << name;
    EXPECT_LE(overlay.height(), 256) << name;
    // Added over other pictures: the background must be black, so no corner is lit.
    EXPECT_EQ(overlay.At(0, 0), 0u) << name;
    EXPECT_EQ(overlay.At(overlay.width() - 1, overlay.height() - 1), 0u) << name;
  }
}

TEST(ImageAssets, TexturesAreSquareAndTile) {
  for (const char* name : {"boule/tex7c.bmp", "zoom/texture1.bmp", "rotozoom/texture.bmp", "boule/boule_tex.bmp"}) {
    LOAD_PICTURE(texture, name);
    ASSERT_EQ(texture.width(), 256) << name;
    ASSERT_EQ(texture.height(), 256) << name;
    ExpectSeamless(texture);
  }
  LOAD_PICTURE(environment, "3d/env_neg.bmp");
  EXPECT_EQ(environment.width(), 256);
  EXPECT_GE(environment.height(), 255);
}

TEST(ImageAssets, AnimationSheetsHaveWholeFrames) {
  LOAD_PICTURE(rings, "boule/anim_cercle2.bmp");
  EXPECT_EQ(rings.height() % 4, 0);
  EXPECT_LE(3 * rings.width() + 10, 512);  // three side by side with their gaps
  LOAD_PICTURE(bars, "rotozoom/bigfiltre2.bmp");
  EXPECT_EQ(bars.width(), 512);  // the frame offsets are fixed: 25 rows of 512
  EXPECT_GE(bars.height(), 100);
  LOAD_PICTURE(strip, "rotozoom/bigfiltre.bmp");
  EXPECT_EQ(strip.width(), 64);  // 80 rows of 64
  EXPECT_GE(strip.height(), 640);
}

TEST(ImageAssets, BallSettingsNameFittingImagesAndSensibleSpeeds) {
  const std::string ini = DataPath("boule/boule.ini");
  IniFile settings(ini.c_str());
  ASSERT_EQ(settings.Entries().size(), 5u);
  // The scene opens the images by the names in the file, relative to the demo's folder.
  auto image = [&](const char* section) {
    const char* name = settings.GetString(section);
    EXPECT_NE(name, nullptr) << section;
    const std::string relative = name ? name : "";
    EXPECT_EQ(relative.rfind("data/", 0), 0u) << relative;
    return relative.substr(5);
  };
  LOAD_PICTURE(ball, image("[boule_text]"));
  EXPECT_EQ(ball.width(), 256);
  EXPECT_EQ(ball.height(), 256);
  ExpectSeamless(ball);
  LOAD_PICTURE(animation, image("[anim_octet]"));
  EXPECT_EQ(animation.height() % 30, 0);
  EXPECT_GE(animation.height() / 30, 1);
  EXPECT_LE(animation.width(), 64);  // two copies side by side in each corner at 0 and 64
  LOAD_PICTURE(logo, image("[boule_logo]"));
  const double speed = settings.GetFloat("[boule_vitesse]");
  EXPECT_GE(speed, 0.5);
  EXPECT_LE(speed, 2.0);
  const double cyclesPerSecond = settings.GetFloat("[anim_speed]") * speed / 30.0;
  EXPECT_GE(cyclesPerSecond, 1.5);
  EXPECT_LE(cyclesPerSecond, 2.5);
}

}  // namespace

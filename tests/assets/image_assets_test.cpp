// The generated pictures and the ball scene's settings, read through Surface and IniFile.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "image/surface.h"
#include "settings/ini_file.h"

namespace {

std::string DataPath(const std::string& name) { return std::string(ZELTO_DATA_DIR) + "/" + name; }
uint32_t At(const Surface& s, int x, int y) { return s.pixels[y * s.width + x]; }

int Difference(uint32_t a, uint32_t b) {  // summed over the three channels
  return std::abs(int(a >> 16 & 255) - int(b >> 16 & 255)) + std::abs(int(a >> 8 & 255) - int(b >> 8 & 255)) +
         std::abs(int(a & 255) - int(b & 255));
}

// The seam across the wrap (last column to first, last row to first) must look like a
// step between neighbours inside the picture: no larger than the largest of those.
void ExpectSeamless(const Surface& s, const std::string& name, bool rowsOnly = false) {
  for (bool rows : {false, true}) {
    if (rowsOnly && !rows) continue;
    auto step = [&](int a, int b) {
      double sum = 0;
      for (int k = 0; k < 256; ++k) sum += rows ? Difference(At(s, k, a), At(s, k, b)) : Difference(At(s, a, k), At(s, b, k));
      return sum;
    };
    double largest = 0;
    for (int k = 0; k < 255; ++k) largest = std::max(largest, step(k, k + 1));
    EXPECT_LE(step(255, 0), largest * 1.25 + 512) << name << (rows ? " rows" : " columns");
  }
}

enum class Look { kAny, kTwoTone, kBlackRim, kBlackCorners, kSeamless, kSeamlessRows };

// Each picture, or the picture a settings section names, with its size rules and look.
// The scene opens the names in the settings file relative to the demo's folder.
TEST(ImageAssets, EveryPictureLoadsAndFitsItsScene) {
  IniFile settings(DataPath("boule/boule.ini").c_str());
  ASSERT_EQ(settings.Entries().size(), 5u);
  constexpr int kAny = 1 << 20;
  const struct {
    const char* name;
    int minWidth, maxWidth, minHeight, maxHeight, heightStep;
    Look look;
  } pictures[] = {
      {"particules/forme.bmp", 320, 320, 200, 200, 1, Look::kTwoTone},
      {"particules/forme2.bmp", 320, 320, 200, 200, 1, Look::kTwoTone},
      {"particules/forme3.bmp", 320, 320, 200, 200, 1, Look::kTwoTone},
      {"particules/light2.bmp", 16, 16, 16, 16, 1, Look::kBlackRim},
      {"zellogo.bmp", 1, 512, 1, 256, 1, Look::kBlackCorners},  // added over other pictures
      {"logofin.bmp", 1, 512, 1, 256, 1, Look::kBlackCorners},
      {"boule/under.bmp", 1, 512, 1, 256, 1, Look::kBlackCorners},
      {"boule/tex7c.bmp", 256, 256, 256, 256, 1, Look::kSeamless},
      {"zoom/texture1.bmp", 256, 256, 256, 256, 1, Look::kSeamless},
      {"rotozoom/texture.bmp", 256, 256, 256, 256, 1, Look::kSeamless},
      {"3d/env_neg.bmp", 256, 256, 255, kAny, 1, Look::kAny},
      {"boule/anim_cercle2.bmp", 1, 167, 4, kAny, 4, Look::kAny},  // three side by side with gaps
      {"rotozoom/bigfiltre2.bmp", 512, 512, 100, kAny, 1, Look::kAny},  // fixed offsets: 25 rows of 512
      {"rotozoom/bigfiltre.bmp", 64, 64, 640, kAny, 1, Look::kAny},     // 80 rows of 64
      {"[boule_text]", 256, 256, 256, 256, 1, Look::kSeamlessRows},  // columns fold back at both ends
      {"[anim_octet]", 1, 64, 30, kAny, 30, Look::kAny},  // 30 frames; two copies per corner at 0 and 64
      {"[boule_logo]", 1, 512, 1, 256, 1, Look::kAny},
  };
  for (const auto& rule : pictures) {
    std::string name = rule.name;
    if (name[0] == '[') {
      const char* value = settings.GetString(rule.name);
      name = value ? value : "";
      ASSERT_EQ(name.rfind("data/", 0), 0u) << rule.name << " names " << name;
      name = name.substr(5);
    }
    // Decoded first, so a bad file fails the test instead of ending the process in Load.
    DecodedBmp probe;
    const BmpStatus status = LoadBmpFile(DataPath(name).c_str(), &probe);
    ASSERT_EQ(status, BmpStatus::kLoaded) << name << ": " << BmpStatusText(status);
    ASSERT_EQ(probe.bitsPerPixel, 24) << name;
    const Surface s(DataPath(name).c_str());
    ASSERT_TRUE(s.width >= rule.minWidth && s.width <= rule.maxWidth && s.height >= rule.minHeight &&
                s.height <= rule.maxHeight && s.height % rule.heightStep == 0) << name << ": " << s.width << " x " << s.height;
    int lit = 0, rimLit = 0, grey = 0, topLitRow = s.height;
    for (int y = 0; y < s.height; ++y)
      for (int x = 0; x < s.width; ++x)
        if (const uint32_t pixel = At(s, x, y); pixel != 0) {
          ++lit, grey += pixel != 0xFFFFFF, topLitRow = std::min(topLitRow, y);
          rimLit += x == 0 || y == 0 || x == s.width - 1 || y == s.height - 1;
        }
    // A shape is stretched over the frame (row r to frame row r x 256 / 200) under the
    // group logo, whose lettering takes frame rows 0..75.
    EXPECT_TRUE(rule.look != Look::kTwoTone || (grey == 0 && lit >= 3000 && lit <= 6000 && topLitRow * 256 / 200 >= 76))
        << name << ": " << lit << " lit, " << grey << " neither black nor white, from row " << topLitRow;
    EXPECT_TRUE(rule.look != Look::kBlackRim || (rimLit == 0 && (At(s, 8, 8) & 0xFF) > 200)) << name;
    if (rule.look == Look::kBlackCorners) {
      EXPECT_EQ(std::pair(At(s, 0, 0), At(s, s.width - 1, s.height - 1)), std::pair(0u, 0u)) << name;
    }
    if (rule.look == Look::kSeamless || rule.look == Look::kSeamlessRows)
      ExpectSeamless(s, name, rule.look == Look::kSeamlessRows);
  }
  // The end logo's flashes add a strip over columns 448..511 of rows 0..79: nothing of the
  // logo may lie under it or close to it.
  const Surface logo(DataPath("logofin.bmp").c_str());
  for (int y = 0; y < std::min(80, logo.height); ++y)
    for (int x = 440; x < logo.width; ++x) ASSERT_LE(Difference(At(logo, x, y), 0), 24) << "logofin at " << x << "," << y;
  // The ball turns slowly under a far camera, and its corner ornaments pulse slowly: a loop
  // of the 30 frames in 2 to 8 seconds, well under the three flashes a second.
  const double speed = settings.GetFloat("[boule_vitesse]");
  EXPECT_TRUE(speed >= 0.1 && speed <= 0.2) << speed;
  const double cyclesPerSecond = settings.GetFloat("[anim_speed]") * speed / 30.0;
  EXPECT_TRUE(cyclesPerSecond >= 0.125 && cyclesPerSecond <= 0.5) << cyclesPerSecond;
}

// The rotozoom tile under the rays: a pixel shows the light gained between it and the ray
// centre; a step outwards a channel loses about a level and gains its own term (1 from 44,
// 2 from 87, 4 from 174), so it gains light only from 87 up, three levels from 174. The tile
// must start its light on a figure that gains fast (the letter, or the rays show a faint
// glow), on a ground that gains nothing, and no texel may gain in all three channels (or
// the rays add up to white).
TEST(ImageAssets, TheRotozoomTileGainsLightOnItsLetterAlone) {
  const Surface tile(DataPath("rotozoom/texture.bmp").c_str());
  ASSERT_EQ(tile.width * tile.height, 65536);
  int fast = 0, dark = 0, white = 0;
  for (int i = 0; i < 65536; ++i) {
    const uint32_t p = tile.pixels[i], r = p >> 16 & 255, g = p >> 8 & 255, b = p & 255;
    fast += r >= 174 && g >= 131;
    dark += std::max({r, g, b}) < 44;
    white += std::min({r, g, b}) >= 87;
  }
  EXPECT_GE(fast, 65536 / 10) << "texels that feed the rays fast";
  EXPECT_GE(dark, 65536 / 2) << "ground texels that feed them nothing";
  EXPECT_EQ(white, 0) << "texels that feed all three channels";
}

}  // namespace

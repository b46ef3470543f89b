// The generated pictures of the demo and the ball scene's settings file.
//
// MakeImages draws every image with the path the scenes read it from, and
// BallSettingsText gives boule.ini; the generator's main writes both under the data
// directory. Sizes follow what each scene requires: shapes 320 x 200, textures 256 x 256
// and seamless, the flash strips at their fixed frame offsets, every width a multiple of 4.
#pragma once

#include <string>
#include <vector>

#include "tools/assetgen/raster.h"

namespace assetgen {

struct ImageFile {
  std::string path;  // relative to the data directory, e.g. "particules/forme.bmp"
  Canvas canvas;
};

// Every image, in a fixed order. The three shapes are thresholded to pure black and
// white; MakeImages reports failure (false, reason in *error) if a shape's lit-pixel
// count falls outside 3,000..6,000, so a font change cannot slow the swarm silently.
bool MakeImages(std::vector<ImageFile>* images, std::string* error);

// The group's emblem, a gold Z in an orange ring centred on a 256 x 256 tile; the program's
// icons are drawn from it (the rotozoom texture is a brighter, thicker Z in a thin ring).
Canvas Emblem();

// The settings file's text (LF line ends, one trailing LF).
std::string BallSettingsText();

inline constexpr int kMinimumLitPixels = 3000;
inline constexpr int kMaximumLitPixels = 6000;

}  // namespace assetgen

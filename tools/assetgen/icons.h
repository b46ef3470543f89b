// The program's icons for the desktop: the group's emblem at the sizes desktops ask for.
#pragma once

#include <vector>

#include "tools/assetgen/raster.h"

namespace assetgen {

inline constexpr int kIconSizes[] = {48, 128, 256};

// The icon of `size` x `size` pixels (1 to 1024): the emblem's ring and letter, cropped to
// the ring and resampled by area, so each icon pixel is the mean of the art it covers.
Canvas MakeIcon(int size);

// `source`'s square of `side` pixels at (left, top), resampled by area to `size` x `size`;
// the square must lie inside `source`.
Canvas ResampleSquare(const Canvas& source, int left, int top, int side, int size);

}  // namespace assetgen

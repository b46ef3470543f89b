// The display model: the one place that holds the display rules every backend shares.
//
// Which modes exist, how large the primary surface and the back buffer are, what a fresh
// surface holds, where the 512 x 256 picture lands on each surface, and when a locked
// surface reaches the screen all live here, in memory of ours. A backend only supplies
// its primitives (platform/display_backend.h): open the output, size it, show a finished
// display image, and say where the desktop and the window's client area are.
//
// The display calls of platform/platform.h (OpenDisplay to ShowBackBuffer, the desktop rectangle
// and the client origin) are implemented here once, for every backend.
#pragma once

#include <cstdint>
#include <vector>

namespace platform {

// The frame code's picture, as every display image holds it.
inline constexpr int32_t kPictureWidth = 512;
inline constexpr int32_t kPictureHeight = 256;

// A full-screen display mode and where the picture sits in it (centred horizontally,
// 64 rows down in 512 x 384 and centred in 640 x 480). Every mode is 32 bits per pixel.
struct DisplayMode {
  int32_t width;
  int32_t height;
  int32_t pictureLeft;
  int32_t pictureTop;
};

// The only modes the display accepts.
inline constexpr DisplayMode kDisplayModes[] = {{512, 384, 0, 64}, {640, 480, 64, 112}};

// The mode of this size, or nullptr when the display does not offer it.
constexpr const DisplayMode* FindDisplayMode(int32_t width, int32_t height) {
  for (const DisplayMode& mode : kDisplayModes)
    if (mode.width == width && mode.height == height) return &mode;
  return nullptr;
}

// Without a display mode (on the desktop) the back buffer is as large as the larger mode.
inline constexpr int32_t kDesktopBackBufferWidth = 640;
inline constexpr int32_t kDesktopBackBufferHeight = 480;

// A finished display image, as it goes to the screen once per presented frame.
struct DisplayImage {
  // What the viewer sees: the whole mode in full screen; on the desktop, the window's
  // client area cut out of the desktop surface (black where it leaves the desktop).
  // 0x00RRGGBB, top row first, stride `width`.
  const uint32_t* pixels = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  // Where the 512 x 256 picture lies in `pixels` (it may reach past the edges).
  int32_t pictureLeft = 0;
  int32_t pictureTop = 0;
  // The whole surface that was presented, as the frame code wrote it; stride surfaceWidth.
  const uint32_t* surface = nullptr;
  int32_t surfaceWidth = 0;
  int32_t surfaceHeight = 0;
};

// The 512 x 256 picture of `image` (stride 512, top row first); pixels off the image are
// black. `picture` is resized to 512 x 256.
void CutPicture(const DisplayImage& image, std::vector<uint32_t>* picture);

// Forgets every surface, the mode and the output: the display as before OpenDisplay. A
// watcher set by WatchDisplayImages stays.
void ResetDisplayModel();

// Sees every display image just before the backend shows it (nullptr: none).
using DisplayImageWatcher = void (*)(const DisplayImage& image, void* context);
void WatchDisplayImages(DisplayImageWatcher watcher, void* context);

}  // namespace platform

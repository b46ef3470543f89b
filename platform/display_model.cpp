// The display model: surfaces in memory of ours, the accepted modes, and the presentation
// of a finished display image through the backend's primitives.
#include "platform/display_model.h"

#include <algorithm>

#include "platform/display_backend.h"
#include "platform/platform.h"

namespace platform {
namespace {

struct MemorySurface {
  std::vector<uint32_t> pixels;
  int32_t width = 0;
  int32_t height = 0;
  void Allocate(int32_t newWidth, int32_t newHeight) {
    width = newWidth;
    height = newHeight;
    pixels.assign(static_cast<size_t>(newWidth) * static_cast<size_t>(newHeight), BackendFreshPixel());
  }
};

struct DisplayState {
  bool opened = false;
  bool exclusive = false;
  const DisplayMode* mode = nullptr;
  MemorySurface primary, back;
  bool hasPrimary = false, hasBack = false, backAttached = false;
  std::vector<uint32_t> clientArea;  // the desktop's display image
  DisplayImageWatcher watcher = nullptr;
  void* watcherContext = nullptr;
};

DisplayState& TheDisplay() {
  static DisplayState* display = new DisplayState;  // outlives exit paths that still present
  return *display;
}

MemorySurface* SurfaceOf(ScreenBuffer surface) {
  DisplayState& d = TheDisplay();
  if (surface == ScreenBuffer::Primary) return d.hasPrimary ? &d.primary : nullptr;
  return d.backAttached ? &d.back : nullptr;
}

// Copies the rectangle of `width` x `height` at (left, top) of the surface into `out`,
// black where it leaves the surface.
void CutRectangle(const uint32_t* surface, int32_t surfaceWidth, int32_t surfaceHeight, int32_t left,
                  int32_t top, int32_t width, int32_t height, std::vector<uint32_t>* out) {
  // The columns that lie on the surface, the same for every row.
  const int64_t firstColumn = std::clamp<int64_t>(-int64_t{left}, 0, width);
  const int64_t endColumn = std::clamp<int64_t>(int64_t{surfaceWidth} - left, firstColumn, width);
  const bool covered = firstColumn == 0 && endColumn == width && top >= 0 && int64_t{top} + height <= surfaceHeight;
  if (covered)
    out->resize(static_cast<size_t>(width) * static_cast<size_t>(height));  // every pixel is copied below
  else
    out->assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
  for (int32_t row = 0; row < height; ++row) {
    const int64_t y = int64_t{top} + row;
    if (y < 0 || y >= surfaceHeight || firstColumn == endColumn) continue;
    const uint32_t* from = surface + y * surfaceWidth + (left + firstColumn);
    std::copy(from, from + (endColumn - firstColumn), out->data() + static_cast<size_t>(row) * width + firstColumn);
  }
}

// One frame goes to the screen: the whole surface in full screen, the client area's part
// of the desktop surface on the desktop.
void Present(const MemorySurface& surface) {
  DisplayState& d = TheDisplay();
  DisplayImage image;
  image.surface = surface.pixels.data();
  image.surfaceWidth = surface.width;
  image.surfaceHeight = surface.height;
  if (d.exclusive) {
    image.pixels = surface.pixels.data();
    image.width = surface.width;
    image.height = surface.height;
    if (d.mode) {
      image.pictureLeft = d.mode->pictureLeft;
      image.pictureTop = d.mode->pictureTop;
    }
  } else {
    int32_t originX = 0, originY = 0;
    BackendClientOrigin(&originX, &originY);
    CutRectangle(surface.pixels.data(), surface.width, surface.height, originX, originY, kPictureWidth,
                 kPictureHeight, &d.clientArea);
    image.pixels = d.clientArea.data();
    image.width = kPictureWidth;
    image.height = kPictureHeight;
  }
  if (d.watcher) d.watcher(image, d.watcherContext);
  BackendShowImage(image);
}

}  // namespace

void CutPicture(const DisplayImage& image, std::vector<uint32_t>* picture) {
  CutRectangle(image.pixels, image.width, image.height, image.pictureLeft, image.pictureTop, kPictureWidth,
               kPictureHeight, picture);
}

void ResetDisplayModel() {
  DisplayState& d = TheDisplay();
  const DisplayImageWatcher watcher = d.watcher;
  void* const context = d.watcherContext;
  d = DisplayState();
  d.watcher = watcher;
  d.watcherContext = context;
}

void WatchDisplayImages(DisplayImageWatcher watcher, void* context) {
  TheDisplay().watcher = watcher;
  TheDisplay().watcherContext = context;
}

// ---- The display calls of platform.h -------------------------------------------------------

bool OpenDisplay() {
  if (!BackendAllowsDisplayStep(DisplayStep::OpenDisplay) || !BackendOpenOutput()) return false;
  TheDisplay().opened = true;
  return true;
}

bool TakeScreen(WindowHandle window, bool exclusiveFullScreen) {
  DisplayState& d = TheDisplay();
  if (!BackendAllowsDisplayStep(DisplayStep::TakeScreen) || !d.opened) return false;
  if (!BackendTakeScreen(window, exclusiveFullScreen)) return false;
  d.exclusive = exclusiveFullScreen;
  return true;
}

bool ChooseScreenMode(int32_t width, int32_t height, int32_t bitsPerPixel) {
  DisplayState& d = TheDisplay();
  if (!BackendAllowsDisplayStep(DisplayStep::SetMode) || !d.exclusive || bitsPerPixel != 32) return false;
  const DisplayMode* mode = FindDisplayMode(width, height);
  if (!mode || !BackendSizeOutput(width, height)) return false;
  d.mode = mode;
  return true;
}

bool CreateScreenBuffers(bool withBackBuffer) {
  DisplayState& d = TheDisplay();
  if (!BackendAllowsDisplayStep(DisplayStep::CreateBuffers) || !d.opened) return false;
  if (d.exclusive && d.mode) {
    d.primary.Allocate(d.mode->width, d.mode->height);
  } else {
    // On the desktop the window's client area, the picture's size, is what the output shows.
    if (!d.exclusive && !BackendSizeOutput(kPictureWidth, kPictureHeight)) return false;
    const ScreenRectangle desktop = BackendDesktopArea();
    d.primary.Allocate(desktop.right, desktop.bottom);
  }
  d.hasPrimary = true;
  d.hasBack = withBackBuffer;
  if (withBackBuffer) {
    if (d.exclusive && d.mode)
      d.back.Allocate(d.mode->width, d.mode->height);
    else
      d.back.Allocate(kDesktopBackBufferWidth, kDesktopBackBufferHeight);
  }
  return true;
}

bool AttachBackBuffer() {
  DisplayState& d = TheDisplay();
  if (!BackendAllowsDisplayStep(DisplayStep::AttachBackBuffer) || !d.hasBack) return false;
  d.backAttached = true;
  return true;
}

bool LockBuffer(ScreenBuffer surface, LockedBuffer* locked) {
  *locked = LockedBuffer();
  if (!BackendAllowsDisplayStep(DisplayStep::LockBuffer)) return false;
  MemorySurface* memory = SurfaceOf(surface);
  if (!memory) return false;
  *locked = {memory->pixels.data(), memory->width * 4, memory->width, memory->height};
  return true;
}

bool UnlockBuffer(ScreenBuffer surface) {
  if (!BackendAllowsDisplayStep(DisplayStep::UnlockBuffer)) return false;
  DisplayState& d = TheDisplay();
  // The primary surface is what the screen shows: on the desktop, or without a back buffer,
  // unlocking it after a write presents it.
  if (surface == ScreenBuffer::Primary && d.hasPrimary && (!d.exclusive || !d.backAttached)) Present(d.primary);
  return true;
}

bool ShowBackBuffer() {
  if (!BackendAllowsDisplayStep(DisplayStep::ShowBackBuffer)) return false;
  DisplayState& d = TheDisplay();
  if (!d.backAttached) return false;
  Present(d.back);  // our own memory: nothing swaps, the back buffer keeps what it holds
  return true;
}

ScreenRectangle DesktopArea() {
  BackendAllowsDisplayStep(DisplayStep::DesktopArea);  // a refusal changes nothing: there is no result to fail
  return BackendDesktopArea();
}

void ClientAreaOrigin(WindowHandle, int32_t* x, int32_t* y) {
  BackendAllowsDisplayStep(DisplayStep::ClientOrigin);
  BackendClientOrigin(x, y);
}

}  // namespace platform

// What a backend supplies to the display model (platform/display_model.h): its primitives.
//
// Only backends and the display model include this header. Every function runs on the main
// thread; none throws.
#pragma once

#include <cstdint>

#include "platform/display_model.h"
#include "platform/platform.h"

namespace platform {

// The display steps a backend may refuse before the model runs them (the offline
// backend's failure scripts; a real backend allows them all).
enum class DisplayStep : uint8_t {
  OpenDisplay, TakeScreen, SetMode, CreateBuffers, AttachBackBuffer, LockBuffer,
  UnlockBuffer, ShowBackBuffer, DesktopArea, ClientOrigin
};
bool BackendAllowsDisplayStep(DisplayStep step);

// Opens the output the display images go to (a renderer on the window, the page's canvas).
// false, with one plain line on stderr where the reason is worth telling: nothing to draw on.
bool BackendOpenOutput();
// Takes the whole screen for `window` (exclusive) or stays on the desktop.
bool BackendTakeScreen(WindowHandle window, bool exclusive);
// Sizes the output for display images of width x height pixels.
bool BackendSizeOutput(int32_t width, int32_t height);
// Shows one finished display image; the pointers are valid only during the call.
void BackendShowImage(const DisplayImage& image);
// What every pixel of a fresh surface holds.
uint32_t BackendFreshPixel();
// The desktop's size and the screen position of the window's client area, in pixels.
ScreenRectangle BackendDesktopArea();
void BackendClientOrigin(int32_t* x, int32_t* y);

}  // namespace platform

// The three display switches: compile-time constants of the program, set from CMake
// options for the code that reads them (the display and the window set-up) and 1 when
// not given. FullScreen 0: a window on the desktop. PageFlip other than 1: frames go
// straight to the primary surface. Mode512x384 0: the 640 x 480 mode.
#pragma once

#include <cstdint>

#include "platform/display_model.h"

#ifndef ZELTO_FULLSCREEN
#define ZELTO_FULLSCREEN 1
#endif
#ifndef ZELTO_PAGEFLIP
#define ZELTO_PAGEFLIP 1
#endif
#ifndef ZELTO_MODE512X384
#define ZELTO_MODE512X384 1
#endif

constexpr int32_t FullScreen = ZELTO_FULLSCREEN;
constexpr int32_t PageFlip = ZELTO_PAGEFLIP;
constexpr int32_t Mode512x384 = ZELTO_MODE512X384;

// The full-screen mode the switches choose, and where the picture lands in it.
constexpr platform::DisplayMode kBuiltDisplayMode = *platform::FindDisplayMode(Mode512x384 ? 512 : 640, Mode512x384 ? 384 : 480);

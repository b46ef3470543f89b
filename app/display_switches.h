// The three display switches: compile-time constants of the program, set from CMake
// options for the code that reads them (the display and the window set-up) and 1 when
// not given.
#pragma once

#include <cstdint>

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

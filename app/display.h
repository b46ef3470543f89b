// Display and frame presentation: puts the finished frame buffer on the screen.
//
// The three display switches are compile-time constants set from CMake options.
// PresentFrame handles at most one pending window message (Enter writes a screen
// grab, Escape or closing the window ends the process with exit code 0 after the
// music has been shut down) and then shows the 512 x 256 picture.
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

void InitDirectDraw();

// frame: the 512 x 256 frame buffer, read only. Does not return on a quit request.
void PresentFrame(const uint32_t* frame);

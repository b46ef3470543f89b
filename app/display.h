// Display and frame presentation: puts the finished frame buffer on the screen.
//
// The three display switches are compile-time constants (platform/display_switches.h).
// PresentFrame handles at most one pending window message (Enter writes a screen
// grab, Escape or closing the window ends the process with exit code 0 after the
// music has been shut down) and then shows the 512 x 256 picture.
#pragma once

#include <cstdint>

#include "platform/platform.h"

// The program's only window, created by DemoMain; read by the display, the music set-up
// and FatalError. 0 before it exists and after it is destroyed.
extern platform::WindowHandle MainWindow;

// Sets up the display for MainWindow: display object, cooperative level, the full-screen
// mode, the surfaces, and one clear of the back buffer (its rows outside the picture stay
// black for good). A failed step ends the process through FatalError with "impossible de
// poser le ddraw!!\n", "... SetCooperativeLevel!!\n", "... fullscreen!!\n" or
// "... CreateSurface!!\n".
void InitDirectDraw();

// frame: the 512 x 256 frame buffer, read only. Handles at most one pending message, then
// copies the picture to rows 64..319 of the 512 x 384 back buffer (rows 112..367, columns
// 64..575 of 640 x 480; the client area on the desktop when windowed) and flips. A failed
// lock skips the copy for that frame. When the viewer paused, it returns only once the
// pause ends (app/viewer_controls.h). Does not return on a quit request: the music is shut
// down, the window destroyed and the process ends with the quit message's code (0).
void PresentFrame(const uint32_t* frame);

// The quit request's end: shuts the music down, destroys the window and ends the process
// with `exitCode`. Does not return.
[[noreturn]] void EndOnQuit(int32_t exitCode);

// The reduced-flashing mode: from now on PresentFrame shows each picture through a
// FlashLimiter (image/flash_limiter.h) for pictures shown `framesPerSecond` a second; the
// frame buffer itself, and so every grab, stays as the scene drew it. 0 turns it off.
void SetFlashLimit(int32_t framesPerSecond);

// The window procedure: Return writes a screen grab, Escape and the close request post the
// quit message, Space and M are the viewer's pause and mute (app/viewer_controls.h), other
// keys do nothing, anything else gets the default handling.
void WindowProc(platform::WindowHandle window, const platform::InputEvent& event);

// FatalError's box on this display (core/fatal_error.h), registered by DemoMain before
// anything can fail: destroys MainWindow if there is one, then shows the UTF-8 message in
// a box titled "FATAL ERROR" with no owner window and waits until the user dismisses it.
void CloseWindowAndShowError(const char* utf8Message);

// Screen grabs: the current frame as a numbered 24-bit BMP file.
//
// Demo::ScreenGrab (declared in app/demo.h) packs the frame buffer to 3-byte pixels and
// writes "grab_%d.bmp" where GrabPath (core/data_location.h) puts it: the working directory,
// or the viewer's pictures folder when the program is installed. Numbered from GrabCounter (1 in every run;
// it advances even when the file cannot be written). The file is 393274 bytes: a 14-byte
// file header, a 40-byte info header, four zero bytes, then 256 rows of 1536 bytes, bottom
// row first, each pixel blue, green, red.
#pragma once

#include <cstdint>

#include "image/bmp_writer.h"  // BMP_Save, PackRGB24

extern int32_t GrabCounter;

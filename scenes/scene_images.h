// Size checks for the images that the scenes read at fixed offsets and row widths.
//
// A scene that reads an image as rows of a fixed width, or by fixed frame offsets, checks
// it once right after loading it. An image of the wrong size ends the process through
// FatalError with a message that names the file and the size it needs, instead of
// letting the scene read outside the picture.
#pragma once

#include <cstdint>

class Surface;

// Passed as the width to accept any width.
constexpr int32_t kAnyWidth = -1;

// Ends the process unless width == requiredWidth (any width for kAnyWidth) and
// height >= minimumRows.
void RequireImageSize(const char* fileName, int32_t width, int32_t height, int32_t requiredWidth,
                      int32_t minimumRows);
void RequireImageSize(const Surface& image, const char* fileName, int32_t requiredWidth,
                      int32_t minimumRows);

// Ends the process unless the image holds at least minimumPixels pixels, in any layout.
void RequireImagePixels(const Surface& image, const char* fileName, int32_t minimumPixels);

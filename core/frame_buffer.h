// The frame buffer: the one 512 x 256 picture that every scene draws into.
//
// Pixels are 32-bit 0x00RRGGBB words (blue in the low byte, top byte 0), row-major,
// top row first, with a stride of 512 pixels (2048 bytes): 524288 bytes in all.
#pragma once

#include <cstdint>

constexpr int kFrameWidth = 512;
constexpr int kFrameHeight = 256;
constexpr int kFramePixels = kFrameWidth * kFrameHeight;  // 131072
constexpr int kFrameBytes = kFramePixels * 4;             // 524288

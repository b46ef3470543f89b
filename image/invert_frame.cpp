// InvertFrame: one subtraction per pixel.
#include "image/invert_frame.h"

#include "app/frame_buffer.h"

void InvertFrame(uint32_t* frame) {
  for (int i = 0; i < kFramePixels; ++i) frame[i] = 0x00FFFFFFu - frame[i];
}

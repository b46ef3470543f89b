// Screen grabs.
#include "app/screen_grab.h"

#include <cstdio>
#include <memory>

#include "app/demo.h"
#include "core/frame_buffer.h"
#include "image/bmp_writer.h"

int32_t GrabCounter = 1;

// 32-bit 0x00RRGGBB in, 24-bit B, G, R out; the top byte never reaches the output.
void PackRGB24(const uint32_t* source, uint8_t* destination, int32_t count) {
  for (int32_t i = 0; i < count; ++i) {
    const uint32_t pixel = source[i];
    destination[0] = static_cast<uint8_t>(pixel);
    destination[1] = static_cast<uint8_t>(pixel >> 8);
    destination[2] = static_cast<uint8_t>(pixel >> 16);
    destination += 3;
  }
}

void Demo::ScreenGrab() {
  std::unique_ptr<uint8_t[]> packed(new uint8_t[kFramePixels * 3]);
  PackRGB24(frameBuffer, packed.get(), kFramePixels);
  char name[32];
  std::snprintf(name, sizeof name, "grab_%d.bmp", static_cast<int>(GrabCounter));
  ++GrabCounter;
  BMP_Save(name, packed.get(), kFrameWidth, kFrameHeight, 24, nullptr);
}

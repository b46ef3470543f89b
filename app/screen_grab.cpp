// Screen grabs.
#include "app/screen_grab.h"

#include <cstdio>
#include <memory>

#include "app/demo.h"
#include "core/data_location.h"
#include "core/frame_buffer.h"
#include "image/bmp_writer.h"

int32_t GrabCounter = 1;

void Demo::ScreenGrab() {
  std::unique_ptr<uint8_t[]> packed(new uint8_t[kFramePixels * 3]);
  PackRGB24(frameBuffer.get(), packed.get(), kFramePixels);
  char name[32];
  std::snprintf(name, sizeof name, "grab_%d.bmp", static_cast<int>(GrabCounter));
  ++GrabCounter;
  BMP_Save(GrabPath(name).c_str(), packed.get(), kFrameWidth, kFrameHeight, 24, nullptr);
}

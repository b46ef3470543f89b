// SDL's own additive blit, wrapped for benchmarks that compare BlitAdditive with it.
//
// Wraps existing pixel buffers (no copy) as 32-bit XRGB surfaces and blits the source
// onto the frame with SDL_BLENDMODE_ADD through SDL_BlitSurface, which clips like
// BlitAdditive and saturates each channel. No SDL type appears in this header.
#pragma once

#include <cstdint>

class SdlAdditiveBlit {
 public:
  // source: width x height pixels, stride width; frame: 512 x 256, stride 512. Both
  // must outlive this object.
  SdlAdditiveBlit(const uint32_t* source, int32_t width, int32_t height, uint32_t* frame);
  ~SdlAdditiveBlit();
  SdlAdditiveBlit(const SdlAdditiveBlit&) = delete;
  SdlAdditiveBlit& operator=(const SdlAdditiveBlit&) = delete;

  // False when SDL could not wrap the buffers (the message is in SDL_GetError).
  bool Ready() const { return source_ != nullptr && frame_ != nullptr; }

  // Adds the source onto the frame with its top-left pixel at (x, y).
  void Blit(int32_t x, int32_t y);

 private:
  void* source_ = nullptr;  // SDL_Surface
  void* frame_ = nullptr;   // SDL_Surface
};

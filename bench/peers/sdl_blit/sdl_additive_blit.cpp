// SdlAdditiveBlit: two SDL surfaces over caller-owned pixels and one SDL_BlitSurface.
#include "bench/peers/sdl_blit/sdl_additive_blit.h"

#include <SDL.h>

namespace {

SDL_Surface* Wrap(const uint32_t* pixels, int32_t width, int32_t height) {
  // SDL does not write through the source surface of a blit; the cast only fits its API.
  return SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(pixels), width, height, 32,
                                            width * 4, SDL_PIXELFORMAT_RGB888);
}

}  // namespace

SdlAdditiveBlit::SdlAdditiveBlit(const uint32_t* source, int32_t width, int32_t height,
                                 uint32_t* frame) {
  SDL_Surface* sourceSurface = Wrap(source, width, height);
  SDL_Surface* frameSurface = Wrap(frame, 512, 256);
  if (sourceSurface != nullptr) SDL_SetSurfaceBlendMode(sourceSurface, SDL_BLENDMODE_ADD);
  source_ = sourceSurface;
  frame_ = frameSurface;
}

SdlAdditiveBlit::~SdlAdditiveBlit() {
  SDL_FreeSurface(static_cast<SDL_Surface*>(source_));
  SDL_FreeSurface(static_cast<SDL_Surface*>(frame_));
}

void SdlAdditiveBlit::Blit(int32_t x, int32_t y) {
  SDL_Rect where{x, y, 0, 0};
  SDL_BlitSurface(static_cast<SDL_Surface*>(source_), nullptr, static_cast<SDL_Surface*>(frame_), &where);
}

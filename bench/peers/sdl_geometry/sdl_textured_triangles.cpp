// SdlTexturedTriangles: SDL_RenderGeometry on a software renderer over the frame.
#include "bench/peers/sdl_geometry/sdl_textured_triangles.h"

#include <SDL.h>

#include <cstring>

SdlTexturedTriangles::SdlTexturedTriangles(const uint32_t* texture, int32_t textureHeight, uint32_t* frame)
    : textureHeight_(static_cast<float>(textureHeight)) {
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(frame, 512, 256, 32, 512 * 4, SDL_PIXELFORMAT_RGB888);
  if (surface == nullptr) return;
  surface_ = surface;
  SDL_Renderer* renderer = SDL_CreateSoftwareRenderer(surface);
  if (renderer == nullptr) return;
  renderer_ = renderer;
  // SDL only reads the pixels while it copies them into its texture.
  SDL_Surface* image = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(texture), 256, textureHeight, 32,
                                                          256 * 4, SDL_PIXELFORMAT_RGB888);
  if (image == nullptr) return;
  SDL_Texture* sdlTexture = SDL_CreateTextureFromSurface(renderer, image);
  SDL_FreeSurface(image);
  if (sdlTexture == nullptr) return;
  SDL_SetTextureBlendMode(sdlTexture, SDL_BLENDMODE_NONE);
  SDL_SetTextureScaleMode(sdlTexture, SDL_ScaleModeNearest);
  texture_ = sdlTexture;
}

SdlTexturedTriangles::~SdlTexturedTriangles() {
  if (texture_ != nullptr) SDL_DestroyTexture(static_cast<SDL_Texture*>(texture_));
  if (renderer_ != nullptr) SDL_DestroyRenderer(static_cast<SDL_Renderer*>(renderer_));
  SDL_FreeSurface(static_cast<SDL_Surface*>(surface_));
}

void SdlTexturedTriangles::SetTriangles(const std::vector<TexturedCorner>& corners) {
  vertexCount_ = static_cast<int32_t>(corners.size() / 3 * 3);
  vertices_.assign(static_cast<size_t>(vertexCount_) * sizeof(SDL_Vertex), 0);
  for (int32_t i = 0; i < vertexCount_; ++i) {
    SDL_Vertex vertex;
    vertex.position = {corners[i].x, corners[i].y};
    vertex.color = {255, 255, 255, 255};
    vertex.tex_coord = {corners[i].u / 256.0f, corners[i].v / textureHeight_};
    std::memcpy(vertices_.data() + i * sizeof(SDL_Vertex), &vertex, sizeof vertex);
  }
}

void SdlTexturedTriangles::Draw() {
  SDL_Renderer* renderer = static_cast<SDL_Renderer*>(renderer_);
  SDL_RenderGeometry(renderer, static_cast<SDL_Texture*>(texture_), reinterpret_cast<const SDL_Vertex*>(vertices_.data()),
                     vertexCount_, nullptr, 0);
  SDL_RenderFlush(renderer);
}

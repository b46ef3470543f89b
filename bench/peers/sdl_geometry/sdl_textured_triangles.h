// SDL's software renderer drawing textured triangles, wrapped for the benchmark that
// compares TextureTriangle with SDL_RenderGeometry.
//
// The frame is wrapped (no copy) as a 32-bit XRGB surface with a software renderer on
// it; the texture is copied once into an SDL texture sampled nearest-neighbour with no
// blending, so each pixel is a plain texel copy as in TextureTriangle. No SDL type
// appears in this header.
#pragma once

#include <cstdint>
#include <vector>

// A triangle corner: position in pixels, texture coordinates in texels.
struct TexturedCorner {
  float x, y, u, v;
};

class SdlTexturedTriangles {
 public:
  // texture: 256 x textureHeight pixels, stride 256, read once here; frame: 512 x 256,
  // stride 512, must outlive this object.
  SdlTexturedTriangles(const uint32_t* texture, int32_t textureHeight, uint32_t* frame);
  ~SdlTexturedTriangles();
  SdlTexturedTriangles(const SdlTexturedTriangles&) = delete;
  SdlTexturedTriangles& operator=(const SdlTexturedTriangles&) = delete;

  // False when SDL could not set up the renderer (the message is in SDL_GetError).
  bool Ready() const { return renderer_ != nullptr && texture_ != nullptr; }

  // Converts the triangles (three corners each) to SDL vertices once, outside timing.
  void SetTriangles(const std::vector<TexturedCorner>& corners);

  // Draws the triangles set last into the frame and waits until they are written.
  void Draw();

 private:
  void* surface_ = nullptr;   // SDL_Surface over the frame
  void* renderer_ = nullptr;  // SDL_Renderer (software)
  void* texture_ = nullptr;   // SDL_Texture
  std::vector<uint8_t> vertices_;  // SDL_Vertex array
  int32_t vertexCount_ = 0;
  float textureHeight_ = 256.0f;
};

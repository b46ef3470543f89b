// Size checks for scene images: one clear fatal message instead of a read out of bounds.
#include "scenes/scene_images.h"

#include <cstdio>
#include <string>

#include "core/fatal_error.h"
#include "image/surface.h"

namespace {

// Formats the whole message, whatever the length of the file name, and ends the process.
[[noreturn]] void FailImage(const char* fileName, const char* need, int32_t width, int32_t height) {
  const std::string name = fileName != nullptr ? fileName : "(null)";
  std::string text(name.size() + std::char_traits<char>::length(need) + 96, '\0');
  const int length = std::snprintf(text.data(), text.size(), "Image %s : il faut %s (taille lue : %d x %d)\n",
                                   name.c_str(), need, static_cast<int>(width), static_cast<int>(height));
  text.resize(length > 0 ? static_cast<size_t>(length) : 0);
  FatalError(text.c_str());
}

}  // namespace

void RequireImageSize(const char* fileName, int32_t width, int32_t height, int32_t requiredWidth,
                      int32_t minimumRows) {
  if ((requiredWidth == kAnyWidth || width == requiredWidth) && height >= minimumRows) return;
  char need[96];
  if (requiredWidth == kAnyWidth) {
    std::snprintf(need, sizeof need, "au moins %d lignes", static_cast<int>(minimumRows));
  } else {
    std::snprintf(need, sizeof need, "%d pixels de large et au moins %d lignes",
                  static_cast<int>(requiredWidth), static_cast<int>(minimumRows));
  }
  FailImage(fileName, need, width, height);
}

void RequireImageSize(const Surface& image, const char* fileName, int32_t requiredWidth,
                      int32_t minimumRows) {
  RequireImageSize(fileName, image.width, image.height, requiredWidth, minimumRows);
}

void RequireImagePixels(const Surface& image, const char* fileName, int32_t minimumPixels) {
  if (static_cast<int64_t>(image.width) * image.height >= minimumPixels) return;
  char need[64];
  std::snprintf(need, sizeof need, "au moins %d pixels", static_cast<int>(minimumPixels));
  FailImage(fileName, need, image.width, image.height);
}

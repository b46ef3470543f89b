// assetgen DATA_DIRECTORY: writes every file the demo reads under data/ (images, the ball
// scene's settings, the 3D object and the music), the same bytes on every run.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/assetgen/images.h"
#include "tools/assetgen/mesh.h"
#include "tools/assetgen/song.h"
#include "tools/xm/xm_writer.h"

namespace {

bool WriteBytes(const std::filesystem::path& path, const void* data, size_t size) {
  std::error_code ignored;
  std::filesystem::create_directories(path.parent_path(), ignored);
  FILE* file = std::fopen(path.string().c_str(), "wb");
  if (!file) return false;
  const bool written = std::fwrite(data, 1, size, file) == size;
  return std::fclose(file) == 0 && written;
}

int Fail(const std::string& what) {
  std::fprintf(stderr, "assetgen: %s\n", what.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DATA_DIRECTORY\n", argv[0]);
    return 2;
  }
  const std::filesystem::path root = argv[1];

  std::vector<assetgen::ImageFile> images;
  std::string error;
  if (!assetgen::MakeImages(&images, &error)) return Fail(error);
  for (const assetgen::ImageFile& image : images) {
    const std::vector<uint8_t> bytes = assetgen::EncodeBmp(image.canvas);
    if (!WriteBytes(root / image.path, bytes.data(), bytes.size())) return Fail("cannot write " + image.path);
  }

  const std::string settings = assetgen::BallSettingsText();
  if (!WriteBytes(root / "boule/boule.ini", settings.data(), settings.size())) return Fail("cannot write boule.ini");

  const std::vector<uint8_t> object = assetgen::EncodeLwob(assetgen::MakeRing());
  if (!WriteBytes(root / "3d/u_mec.lwo", object.data(), object.size())) return Fail("cannot write u_mec.lwo");

  const std::vector<uint8_t> music = xm::EncodeXm(assetgen::MakeSong(), &error);
  if (music.empty()) return Fail("module: " + error);
  if (!WriteBytes(root / "mowt.xm", music.data(), music.size())) return Fail("cannot write mowt.xm");
  return 0;
}

// assetgen DATA_DIRECTORY: writes every file the demo reads under data/ (images, the ball
// scene's settings, the 3D object and the music), the same bytes on every run.
// assetgen --icons ICON_DIRECTORY: writes the program's icons, zelto2k_SIZE.png.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/assetgen/data_files.h"
#include "tools/assetgen/icons.h"
#include "tools/assetgen/images.h"
#include "tools/assetgen/mesh.h"
#include "tools/assetgen/song.h"
#include "tools/capture/png_writer.h"
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

// Writes a file of data/ and notes its path, for the check against the build's list.
bool WriteDataFile(const std::filesystem::path& root, const std::string& path, const void* data, size_t size,
                   std::vector<std::string>* written) {
  written->push_back(path);
  return WriteBytes(root / path, data, size);
}

int Fail(const std::string& what) {
  std::fprintf(stderr, "assetgen: %s\n", what.c_str());
  return 1;
}

int WriteIcons(const std::filesystem::path& folder) {
  for (const int size : assetgen::kIconSizes) {
    const assetgen::Canvas icon = assetgen::MakeIcon(size);
    std::vector<uint32_t> pixels;
    pixels.reserve(static_cast<size_t>(size) * size);
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) {
        const assetgen::Colour& c = icon.At(x, y);
        pixels.push_back(static_cast<uint32_t>(assetgen::Quantise(c.r)) << 16 |
                         static_cast<uint32_t>(assetgen::Quantise(c.g)) << 8 | assetgen::Quantise(c.b));
      }
    const std::vector<uint8_t> png = EncodePng(pixels.data(), size, size);
    const std::string name = "zelto2k_" + std::to_string(size) + ".png";
    if (!WriteBytes(folder / name, png.data(), png.size())) return Fail("cannot write " + name);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--icons") return WriteIcons(argv[2]);
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DATA_DIRECTORY\n       %s --icons ICON_DIRECTORY\n", argv[0], argv[0]);
    return 2;
  }
  const std::filesystem::path root = argv[1];

  std::vector<std::string> written;
  std::vector<assetgen::ImageFile> images;
  std::string error;
  if (!assetgen::MakeImages(&images, &error)) return Fail(error);
  for (const assetgen::ImageFile& image : images) {
    const std::vector<uint8_t> bytes = assetgen::EncodeBmp(image.canvas);
    if (!WriteDataFile(root, image.path, bytes.data(), bytes.size(), &written)) return Fail("cannot write " + image.path);
  }

  const std::string settings = assetgen::BallSettingsText();
  if (!WriteDataFile(root, "boule/boule.ini", settings.data(), settings.size(), &written))
    return Fail("cannot write boule.ini");

  const std::vector<uint8_t> object = assetgen::EncodeLwob(assetgen::MakeMushroom());
  if (!WriteDataFile(root, "3d/u_mec.lwo", object.data(), object.size(), &written)) return Fail("cannot write u_mec.lwo");

  const std::vector<uint8_t> music = xm::EncodeXm(assetgen::MakeSong(), &error);
  if (music.empty()) return Fail("module: " + error);
  if (!WriteDataFile(root, "mowt.xm", music.data(), music.size(), &written)) return Fail("cannot write mowt.xm");

  // The build only knows the files of its list: one written beside it would go unnoticed
  // when missing, one listed but not written would make the build run the generator forever.
  std::vector<std::string> listed = assetgen::DataFiles();
  std::sort(listed.begin(), listed.end());
  std::sort(written.begin(), written.end());
  if (written != listed) return Fail("the files written differ from tools/assetgen/data_files.txt");
  return 0;
}

// The build's list of data files, handed over by CMake as one blank-separated string.
#include "tools/assetgen/data_files.h"

#include <sstream>

namespace assetgen {

const std::vector<std::string>& DataFiles() {
  static const std::vector<std::string> files = [] {
    std::vector<std::string> list;
    std::istringstream text(ZELTO_DATA_FILES);
    for (std::string path; text >> path;) list.push_back(path);
    return list;
  }();
  return files;
}

}  // namespace assetgen

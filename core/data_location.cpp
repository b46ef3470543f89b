// Where the demo's files live: the installed layout found from the program's own location.
#include "core/data_location.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace {

constexpr std::string_view kProgramFolder = "/lib/games/zelto2k";
constexpr std::string_view kDataFolder = "/share/games/zelto2k";
constexpr std::string_view kDataPrefix = "data/";
constexpr std::string_view kGrabFolderName = "Zelto2k";
// A user-dirs file is a few hundred bytes; anything far larger is not one.
constexpr long kUserDirsMaxBytes = 64 * 1024;

bool IsDirectory(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_directory(path, error);
}

std::string ReadSmallFile(const std::string& path) {
  std::string text;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return text;
  char buffer[4096];
  size_t count = 0;
  while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0 &&
         text.size() < static_cast<size_t>(kUserDirsMaxBytes)) {
    text.append(buffer, count);
  }
  std::fclose(file);
  return text;
}

std::string EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

std::string HomeFolder() {
  std::string home = EnvironmentValue("HOME");
  if (!home.empty()) return home;
  // getpwuid_r with a fixed buffer: the demo runs no other thread that reads the database,
  // but the reentrant form costs nothing.
  passwd entry{};
  passwd* found = nullptr;
  char buffer[4096];
  if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr &&
      found->pw_dir != nullptr) {
    home = found->pw_dir;
  }
  return home;
}

std::string ExecutablePath() {
#if defined(__linux__) && !defined(__EMSCRIPTEN__)
  char buffer[4096];
  const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer);
  if (length > 0 && static_cast<size_t>(length) < sizeof buffer) return std::string(buffer, static_cast<size_t>(length));
#endif
  return "";
}

const DataLocation& ProcessLocation() {
  static const DataLocation location =
      FindDataLocation(ExecutablePath(), HomeFolder(), EnvironmentValue("XDG_CONFIG_HOME"));
  return location;
}

}  // namespace

std::string PicturesFolderFromUserDirs(std::string_view userDirsText, std::string_view home) {
  std::string folder = std::string(home) + "/Pictures";
  constexpr std::string_view kKey = "XDG_PICTURES_DIR";
  constexpr std::string_view kHomeVariable = "$HOME";
  size_t lineStart = 0;
  while (lineStart < userDirsText.size()) {
    size_t lineEnd = userDirsText.find('\n', lineStart);
    if (lineEnd == std::string_view::npos) lineEnd = userDirsText.size();
    std::string_view line = userDirsText.substr(lineStart, lineEnd - lineStart);
    lineStart = lineEnd + 1;

    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    if (line.substr(0, kKey.size()) != kKey) continue;
    line.remove_prefix(kKey.size());
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    if (line.empty() || line.front() != '=') continue;
    line.remove_prefix(1);
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    if (line.empty() || line.front() != '"') continue;
    line.remove_prefix(1);

    std::string value;
    if (line.substr(0, kHomeVariable.size()) == kHomeVariable &&
        (line.size() == kHomeVariable.size() || line[kHomeVariable.size()] == '/' ||
         line[kHomeVariable.size()] == '"')) {
      value = home;
      line.remove_prefix(kHomeVariable.size());
    } else if (line.empty() || line.front() != '/') {
      continue;  // only "$HOME/..." and absolute paths are valid
    }
    bool closed = false;
    for (size_t index = 0; index < line.size(); ++index) {
      if (line[index] == '"') {
        closed = true;
        break;
      }
      if (line[index] == '\\' && index + 1 < line.size()) ++index;
      value.push_back(line[index]);
    }
    if (closed && !value.empty()) folder = value;
  }
  return folder;
}

DataLocation FindDataLocation(std::string_view executablePath, std::string_view home,
                              std::string_view configHome) {
  DataLocation location;
  const size_t slash = executablePath.rfind('/');
  if (slash == std::string_view::npos) return location;
  const std::string_view folder = executablePath.substr(0, slash);
  if (folder.size() < kProgramFolder.size() ||
      folder.substr(folder.size() - kProgramFolder.size()) != kProgramFolder) {
    return location;
  }
  const std::string dataRoot =
      std::string(folder.substr(0, folder.size() - kProgramFolder.size())) + std::string(kDataFolder);
  if (!IsDirectory(dataRoot + "/data")) return location;

  std::string configFolder(configHome);
  if (configFolder.empty() || configFolder.front() != '/') configFolder = std::string(home) + "/.config";
  location.dataRoot = dataRoot;
  if (home.empty()) return location;
  location.grabFolder = PicturesFolderFromUserDirs(ReadSmallFile(configFolder + "/user-dirs.dirs"), home) + "/" +
                        std::string(kGrabFolderName);
  return location;
}

std::string MapDataName(const DataLocation& location, std::string_view name) {
  if (location.dataRoot.empty() || name.substr(0, kDataPrefix.size()) != kDataPrefix) return std::string(name);
  return location.dataRoot + "/" + std::string(name);
}

std::string DataPath(std::string_view name) { return MapDataName(ProcessLocation(), name); }

std::string GrabPath(std::string_view fileName) {
  const DataLocation& location = ProcessLocation();
  if (location.grabFolder.empty()) return std::string(fileName);
  std::error_code error;
  std::filesystem::create_directories(location.grabFolder, error);
  return location.grabFolder + "/" + std::string(fileName);
}

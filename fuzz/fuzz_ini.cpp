// Fuzzes the settings file: ParseIniText on the bytes as text, then IniFile::Load on the
// same bytes as a file (which must agree) and the look-ups the ball scene makes.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_file.h"
#include "settings/ini_file.h"

namespace {

constexpr char kValidFile[] = "[a]\nb\n";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<IniEntry> entries;
  int32_t failedLine = -1;
  const IniStatus status = ParseIniText(text, &entries, &failedLine);
  Check(IniStatusText(status) != nullptr);
  if (status == IniStatus::kLoaded) {
    Check(failedLine == 0);
    for (size_t i = 0; i < entries.size(); ++i) {
      Check(entries[i].index == static_cast<int32_t>(i));
      Check(entries[i].name.size() <= kIniMaxLineLength && entries[i].value.size() <= kIniMaxLineLength);
    }
  } else {
    Check(entries.empty() && failedLine >= 0);
  }

  // The constructor ends the process on a bad file by design, so the object is made from
  // a valid file and then Load reads the input through the file path.
  const char* fileName =
      FuzzFileWithContents(reinterpret_cast<const uint8_t*>(kValidFile), sizeof kValidFile - 1);
  IniFile settings(fileName);
  FuzzFileWithContents(data, size);
  const IniStatus fileStatus = settings.Load(fileName);
  if (size <= kIniMaxFileBytes) {
    Check(fileStatus == status);
    Check(settings.Entries().size() == entries.size());
  } else {
    Check(fileStatus == IniStatus::kTooLarge);
  }
  // Every entry is found by its own name (the first of equal names wins).
  for (const IniEntry& entry : settings.Entries()) {
    const char* value = settings.GetString(entry.name.c_str());
    Check(value != nullptr);
    (void)settings.GetFloat(entry.name.c_str());
  }
  Check(settings.GetString("[boule_vitesse]\n") == nullptr || status == IniStatus::kLoaded);
  (void)settings.GetFloat("[boule_vitesse]");
  (void)settings.GetFloat("[anim_speed]");
  return 0;
}

// Every file under data/ damaged in turn: missing, empty, cut in half, and with its header
// fields set to extremes. The whole demo runs on the offline backend in a child process for
// each damaged file and must either play to its end quietly (exit 0) or stop with the file's
// failure exit code and a message that names the file or says what is wrong with it; never a
// signal, a hang or a sanitizer report. Every run is deterministic, so each damage has one
// outcome, the one written beside it.
//
// The song is replaced by a tiny fast module (tests/robustness/fast_module.h) and the
// offline clock runs at 10 frames per second, so a whole run is about 16 frames (a quarter
// of a second; a few seconds under the sanitizers).
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/exit_codes.h"
#include "tests/robustness/fast_module.h"
#include "tests/test_io.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using Damage = std::function<bool(Bytes*)>;  // false: the damage does not apply to this file

constexpr int kFramesPerSecond = 10;

// A damage and its outcome. The LightWave reader stops with 2 when it cannot open the file
// and 1 when it rejects it; the other readers stop through FatalError.
struct Variant {
  std::string name;
  int exit;               // 0: the demo plays to its end, quietly
  Damage damage;          // null: the file is removed
  std::string says = {};  // failing: a text of the message; empty: the message names the file
  bool longSong = false;  // a much longer song: left to the build without sanitizers
};

// An unsigned field of `width` bytes, little-endian unless `big`.
uint32_t Get(const Bytes& b, size_t at, int width, bool big = false) {
  uint32_t value = 0;
  for (int i = 0; i < width; ++i) value |= uint32_t{b[at + i]} << 8 * (big ? width - 1 - i : i);
  return value;
}
void Put(Bytes* b, size_t at, uint32_t value, int width, bool big = false) {
  for (int i = 0; i < width; ++i) (*b)[at + i] = static_cast<uint8_t>(value >> 8 * (big ? width - 1 - i : i));
}
// Sets the field at `at` to `value`, or to what `value` makes of the file; too short a file is left out.
Damage Field(size_t at, std::function<uint32_t(const Bytes&)> value, int width = 4, bool big = false) {
  return [=](Bytes* b) { return b->size() >= at + width && (Put(b, at, value(*b), width, big), true); };
}
Damage Field(size_t at, uint32_t value, int width = 4, bool big = false) {
  return Field(at, [value](const Bytes&) { return value; }, width, big);
}

// Removed, emptied and cut in half, with their exit codes.
std::vector<Variant> Common(int missing, int empty, int half, std::string halfSays = {}) {
  return {{"missing", missing, nullptr},
          {"empty", empty, [](Bytes* b) { b->clear(); return true; }},
          {"cut in half", half, [](Bytes* b) { b->resize(b->size() / 2); return true; }, halfSays}};
}

// BMP: 14-byte file header then the 40-byte info header, little-endian.
std::vector<Variant> ImageVariants(const Bytes&) {
  return {
      {"width 0", kExitFatalSeen, Field(18, 0)},
      {"width negative", kExitFatalSeen, Field(18, 0xFFFFFFFCu)},
      {"width huge", kExitFatalSeen, Field(18, 0x7FFFFFFCu)},
      {"height 0", kExitFatalSeen, Field(22, 0)},
      {"height most negative", kExitFatalSeen, Field(22, 0x80000000u)},
      {"height huge", kExitFatalSeen, Field(22, 0x7FFFFFFFu)},
      {"pixel offset past the end", kExitFatalSeen, Field(10, 0xFFFFFFF0u)},
      {"pixel offset at the end", kExitFatalSeen, Field(10, [](const Bytes& b) { return static_cast<uint32_t>(b.size()); })},
      {"bits per pixel 0", kExitFatalSeen, Field(28, 0, 2)},
      {"compression huge", kExitFatalSeen, Field(30, 0xFFFFFFFFu)},
      // The same picture stored top-down: still a valid image of the same size.
      {"height negated", kExitNormal, Field(22, [](const Bytes& b) { return 0u - Get(b, 22, 4); })},
      // Fields the reader does not use.
      {"file size and image size 0", kExitNormal,
       [](Bytes* b) { return b->size() >= 54 && (Put(b, 2, 0, 4), Put(b, 34, 0, 4), true); }},
  };
}

// A LightWave object: "FORM", its size, "LWOB", then chunks of a tag and a size (big-endian).
std::vector<Variant> ObjectVariants(const Bytes& original) {
  std::vector<Variant> variants = {
      // An empty FORM is an object with nothing in it: it plays, drawing nothing.
      {"FORM size 0", kExitNormal, Field(4, 0, 4, true)},
      {"FORM size negative", kExitObjectUnusable, Field(4, 0x80000000u, 4, true)},
      {"FORM size huge", kExitObjectUnusable, Field(4, 0xFFFFFFFFu, 4, true)},
      {"FORM type not LWOB", kExitObjectUnusable, Field(8, 0x4C574F32u, 4, true)},  // "LWO2"
  };
  for (size_t at = 12; at + 8 <= original.size(); at += 8 + size_t{Get(original, at + 4, 4, true)}) {
    const std::string tag(reinterpret_cast<const char*>(original.data() + at), 4);
    // A chunk of size 0 lets its data be read as chunk headers, whose sizes run past the end.
    const uint32_t onePast = static_cast<uint32_t>(original.size() - at - 8 + 1);
    const std::pair<const char*, uint32_t> sizes[] = {
        {"0", 0}, {"negative", 0x80000000u}, {"huge", 0xFFFFFFFFu}, {"one past the end", onePast}};
    for (const auto& [what, size] : sizes)
      variants.push_back({tag + " chunk size " + what, kExitObjectUnusable, Field(at + 4, size, 4, true),
                          size == 0 ? "a chunk runs past the end of the file" : ""});
    // The first triangle naming one point twice: no area, no normal.
    const auto firstPoint = [at](const Bytes& b) { return Get(b, at + 10, 2); };
    if (tag == "POLS" && Get(original, at + 4, 4, true) >= 10)
      variants.push_back({"a triangle with no area", kExitObjectUnusable, Field(at + 12, firstPoint, 2)});
  }
  return variants;
}

// The settings file: a section line then its value line. Rewrites every line, told whether
// it is a value.
using Line = const std::string&;
Damage EachLine(std::function<std::string(Line line, bool isValue)> change) {
  return [=](Bytes* b) {
    const std::string text(b->begin(), b->end());
    std::string out;
    bool isValue = false;
    for (size_t at = 0; at < text.size();) {
      const size_t end = std::min(text.find_first_of("\r\n", at), text.size());
      const size_t next = std::min(text.find('\n', at), text.size() - 1) + 1;
      const std::string line = text.substr(at, end - at);
      out += change(line, isValue) + text.substr(end, next - end);
      isValue = !isValue && line.starts_with("[");
      at = next;
    }
    b->assign(out.begin(), out.end());
    return true;
  };
}
// Every value that is a number, or every one that is not (a file name), set to `to`.
Damage Values(bool numbers, const std::string& to) {
  return EachLine([=](Line line, bool value) {
    char* end = nullptr;
    std::strtod(line.c_str(), &end);
    return value && (!line.empty() && end != line.c_str()) == numbers ? to : line;
  });
}

std::vector<Variant> SettingsVariants(const Bytes&) {
  std::vector<Variant> variants = {
      {"a value line starting with '['", kExitFatalSeen, EachLine([](Line l, bool value) { return value ? "[" + l : l; })},
      {"section names changed", kExitFatalSeen,
       EachLine([](Line l, bool) { return l.starts_with("[") ? "[x" + l.substr(1) : l; })},
      {"a line too long", kExitFatalSeen, EachLine([](Line l, bool value) { return value ? l + std::string(2000, ' ') : l; })},
      // File names that lead nowhere, or to a file that is not an image.
      {"file names emptied", kExitFatalSeen, Values(false, "")},
      {"file names pointing at the module", kExitFatalSeen, Values(false, "data/mowt.xm")},
  };
  // Numbers at the edges of what a double holds: the scene still plays.
  for (std::string number : {"0", "-1e308", "1e308", "nan", "inf", "1e-320"})
    variants.push_back({"numbers set to " + number, kExitNormal, Values(true, number)});
  return variants;
}

// XM: the 60-byte preamble, then the header whose size is at 60; song length at 64,
// restart position 66, channels 68, patterns 70, instruments 72, speed 76, tempo 78.
// (A huge header size is left out: the module still loads as a song several times longer,
// which plays, but slowly under the sanitizers.)
std::vector<Variant> ModuleVariants(const Bytes&) {
  // The music library refuses the file: the demo's own line names it, the player's the call.
  const std::string refused = "data/mowt.xm: missing, unreadable or not a playable XM module\n"
                              "MIDAS ERREUR : MIDASloadModule \n";
  return {
      {"header size 0", kExitNormal, Field(60, 0), "", true},
      // Fewer positions than the scenes wait for: refused at start-up, never a demo that waits.
      {"song length 0", kExitFatalSeen, Field(64, 0, 2)},
      {"song length shorter than the demo", kExitFatalSeen, Field(64, 50, 2)},
      {"song length huge", kExitFatalSeen, Field(64, 0xFFFF, 2), refused},
      {"restart position huge", kExitNormal, Field(66, 0xFFFF, 2)},
      {"channels 0", kExitFatalSeen, Field(68, 0, 2), refused},
      {"channels huge", kExitFatalSeen, Field(68, 0xFFFF, 2), refused},
      {"patterns huge", kExitFatalSeen, Field(70, 0xFFFF, 2), refused},
      {"instruments huge", kExitFatalSeen, Field(72, 0xFFFF, 2), refused},
      {"speed 0 and tempo 0", kExitNormal, Field(76, 0, 4)},
      // The first pattern's header: its length at 0, its packed size at 7.
      {"first pattern sizes huge", kExitNormal, [](Bytes* b) {
         const size_t pattern = b->size() < 64 ? b->size() : 60 + size_t{Get(*b, 60, 4)};
         return pattern + 9 <= b->size() && (Put(b, pattern, 0xFFFFFFFFu, 4), Put(b, pattern + 7, 0xFFFF, 2), true);
       }, "", true},
  };
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// Every run is several times slower: each image gets a third of the header variants, in
// turn, so that every variant still meets several images.
constexpr bool kUnderSanitizers = true;
#else
constexpr bool kUnderSanitizers = false;
#endif

// A working directory with a copy of the generated data and the fast module.
class Tampering : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    work_ = fs::temp_directory_path() / ("zelto2k-tamper-" + std::to_string(getpid()));
    fs::remove_all(work_);
    fs::create_directories(work_);
    fs::copy(ZELTO_TEST_DATA_DIR, work_ / "data", fs::copy_options::recursive);
    std::string error;
    ASSERT_TRUE(xm::WriteXm((work_ / "data/mowt.xm").string(), FastDemoModule(kFramesPerSecond), &error))
        << error;
  }
  static void TearDownTestSuite() { fs::remove_all(work_); }

  // The demo's exit status with its output; 124: still running after two minutes (killed),
  // above 128: ended by a signal.
  static std::pair<int, std::string> RunDemo() {
    const std::string command = "cd '" + work_.string() + "' && exec timeout -k 5 120 '" ZELTO_OFFLINE_DEMO "' " +
                                std::to_string(kFramesPerSecond) + " 2>&1";
    int status = -1;
    const std::string output = CommandOutput(command, &status);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), output};
  }

  // Runs the demo with the common variants and then the file's own of every data file named
  // *`extension`, putting each file back. The file's own variants are dealt out `share` ways.
  static void CheckAll(const char* extension, const std::vector<Variant>& common,
                       std::vector<Variant> (*own)(const Bytes&), size_t share = 1) {
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(work_ / "data"))
      if (entry.path().extension() == extension) names.push_back(fs::relative(entry.path(), work_).generic_string());
    std::sort(names.begin(), names.end());
    ASSERT_FALSE(names.empty());
    for (size_t file = 0; file < names.size(); ++file) {
      const fs::path path = work_ / names[file];
      const Bytes original = ReadFileBytes(path);
      std::vector<Variant> variants = common;
      const std::vector<Variant> specific = own(original);
      for (size_t i = 0; i < specific.size(); ++i)
        if ((i + file) % share == 0) variants.push_back(specific[i]);
      for (const Variant& variant : variants) {
        if (variant.longSong && kUnderSanitizers) continue;
        Bytes damaged = original;
        if (variant.damage != nullptr && !variant.damage(&damaged)) continue;
        variant.damage == nullptr ? (void)fs::remove(path) : WriteFileBytes(path, damaged);
        const auto [status, output] = RunDemo();
        WriteFileBytes(path, original);
        SCOPED_TRACE(names[file] + " " + variant.name + ": exit " + std::to_string(status) + "\n" +
                     output.substr(0, 2000));
        EXPECT_EQ(output.find("Sanitizer"), std::string::npos);
        EXPECT_EQ(output.find("runtime error"), std::string::npos);
        EXPECT_EQ(status, variant.exit);
        if (variant.exit == 0) EXPECT_EQ(output, "");
        else EXPECT_NE(output.find(variant.says.empty() ? names[file] : variant.says), std::string::npos);
      }
    }
  }

  static inline fs::path work_;
};

// The untouched data: the whole demo plays to its end, quietly.
TEST_F(Tampering, TheWholeDemoPlaysOnTheUntouchedData) {
  EXPECT_EQ(RunDemo(), std::make_pair(0, std::string()));
}
TEST_F(Tampering, Images) {
  CheckAll(".bmp", Common(kExitFatalSeen, kExitFatalSeen, kExitFatalSeen), ImageVariants, kUnderSanitizers ? 3 : 1);
}
TEST_F(Tampering, Object) { CheckAll(".lwo", Common(kExitObjectMissing, kExitObjectUnusable, kExitObjectUnusable), ObjectVariants); }
// The first half of the settings file ends in the middle of a section name, with no value line.
TEST_F(Tampering, Settings) {
  CheckAll(".ini", Common(kExitFatalSeen, kExitFatalSeen, kExitFatalSeen, "section sans ligne de valeur"), SettingsVariants);
}
// The first half of the module still plays.
TEST_F(Tampering, Module) { CheckAll(".xm", Common(kExitFatalSeen, kExitFatalSeen, kExitNormal), ModuleVariants); }

}  // namespace

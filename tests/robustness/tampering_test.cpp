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
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tests/robustness/fast_module.h"
#include "tests/test_io.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using Damage = std::function<bool(Bytes*)>;  // false: the damage does not apply to this file

constexpr int kFramesPerSecond = 10;
constexpr int kFatalErrorStatus = 9999 & 0xFF;  // FatalError's 9999 as a parent sees it

enum class Kind { Image, Object, Settings, Module };
enum class Expect { Fails, Plays };
struct Variant {
  std::string name;
  Expect expect;
  Damage damage;          // null: the file is removed
  bool longSong = false;  // a much longer song: left to the build without sanitizers
  std::string says = {};  // failing: a text of the message; empty: the message names the file
};

Kind KindOf(const std::string& name) {
  return name.ends_with(".lwo")  ? Kind::Object
         : name.ends_with(".ini") ? Kind::Settings
         : name.ends_with(".xm")  ? Kind::Module
                                  : Kind::Image;
}

// An unsigned field of `width` bytes, little-endian unless `big`.
uint32_t Get(const Bytes& b, size_t at, int width, bool big = false) {
  uint32_t value = 0;
  for (int i = 0; i < width; ++i) value |= uint32_t{b[at + i]} << 8 * (big ? width - 1 - i : i);
  return value;
}
void Put(Bytes* b, size_t at, uint32_t value, int width, bool big = false) {
  for (int i = 0; i < width; ++i) (*b)[at + i] = static_cast<uint8_t>(value >> 8 * (big ? width - 1 - i : i));
}
Damage Field(size_t at, uint32_t value, int width = 4, bool big = false) {
  return [=](Bytes* b) { return b->size() >= at + width && (Put(b, at, value, width, big), true); };
}

std::vector<Variant> CommonVariants(Kind kind) {
  // The first half of the module still plays; the settings file's first half ends in the
  // middle of a file name.
  const Variant half =
      kind == Kind::Module     ? Variant{"cut in half", Expect::Plays, nullptr}
      : kind == Kind::Settings ? Variant{"cut in half", Expect::Fails, nullptr, false, "data/boule/boule_tex.bm !!"}
                               : Variant{"cut in half", Expect::Fails, nullptr};
  return {{"missing", Expect::Fails, nullptr},
          {"empty", Expect::Fails, [](Bytes* b) { b->clear(); return true; }},
          {half.name, half.expect, [](Bytes* b) { b->resize(b->size() / 2); return true; }, false, half.says}};
}

// BMP: 14-byte file header then the 40-byte info header, little-endian.
std::vector<Variant> ImageVariants() {
  return {
      {"width 0", Expect::Fails, Field(18, 0)},
      {"width negative", Expect::Fails, Field(18, 0xFFFFFFFCu)},
      {"width huge", Expect::Fails, Field(18, 0x7FFFFFFCu)},
      {"height 0", Expect::Fails, Field(22, 0)},
      {"height most negative", Expect::Fails, Field(22, 0x80000000u)},
      {"height huge", Expect::Fails, Field(22, 0x7FFFFFFFu)},
      {"pixel offset past the end", Expect::Fails, Field(10, 0xFFFFFFF0u)},
      {"pixel offset at the end", Expect::Fails,
       [](Bytes* b) { return b->size() >= 14 && (Put(b, 10, static_cast<uint32_t>(b->size()), 4), true); }},
      {"bits per pixel 0", Expect::Fails, Field(28, 0, 2)},
      {"compression huge", Expect::Fails, Field(30, 0xFFFFFFFFu)},
      // The same picture stored top-down: still a valid image of the same size.
      {"height negated", Expect::Plays,
       [](Bytes* b) { return b->size() >= 26 && (Put(b, 22, 0u - Get(*b, 22, 4), 4), true); }},
      // Fields the reader does not use.
      {"file size and image size 0", Expect::Plays,
       [](Bytes* b) { return b->size() >= 54 && (Put(b, 2, 0, 4), Put(b, 34, 0, 4), true); }},
  };
}

// The offsets of the chunk headers of a LightWave object (big-endian), in file order.
std::vector<size_t> ChunkOffsets(const Bytes& b) {
  std::vector<size_t> offsets;
  for (size_t at = 12; at + 8 <= b.size(); at += 8 + size_t{Get(b, at + 4, 4, true)}) offsets.push_back(at);
  return offsets;
}

std::vector<Variant> ObjectVariants(const Bytes& original) {
  std::vector<Variant> variants = {
      // An empty FORM is an object with nothing in it: it plays, drawing nothing.
      {"FORM size 0", Expect::Plays, Field(4, 0, 4, true)},
      {"FORM size negative", Expect::Fails, Field(4, 0x80000000u, 4, true)},
      {"FORM size huge", Expect::Fails, Field(4, 0xFFFFFFFFu, 4, true)},
      {"FORM type not LWOB", Expect::Fails, Field(8, 0x4C574F32u, 4, true)},  // "LWO2"
  };
  for (size_t at : ChunkOffsets(original)) {
    const std::string tag(reinterpret_cast<const char*>(original.data() + at), 4);
    // A chunk of size 0 lets its data be read as chunk headers, whose sizes run past the end.
    variants.push_back({tag + " chunk size 0", Expect::Fails, Field(at + 4, 0, 4, true), false,
                        "a chunk runs past the end of the file"});
    variants.push_back({tag + " chunk size negative", Expect::Fails, Field(at + 4, 0x80000000u, 4, true)});
    variants.push_back({tag + " chunk size huge", Expect::Fails, Field(at + 4, 0xFFFFFFFFu, 4, true)});
    variants.push_back({tag + " chunk size one past the end", Expect::Fails, [at](Bytes* b) {
                          return Put(b, at + 4, static_cast<uint32_t>(b->size() - at - 8 + 1), 4, true), true;
                        }});
  }
  // A triangle naming the last point twice: no area, no normal.
  variants.push_back({"a triangle with no area", Expect::Fails, [](Bytes* b) {
                        for (size_t at : ChunkOffsets(*b)) {
                          if (std::memcmp(b->data() + at, "POLS", 4) != 0 || Get(*b, at + 4, 4, true) < 10) continue;
                          Put(b, at + 12, Get(*b, at + 10, 2), 2);
                          return true;
                        }
                        return false;
                      }});
  return variants;
}

// The settings file: a section line then its value line. Rewrites every value line.
Damage EachValue(std::function<std::string(const std::string&)> change) {
  return [=](Bytes* b) {
    const std::string text(b->begin(), b->end());
    std::string out;
    bool isValue = false;
    for (size_t at = 0; at < text.size();) {
      const size_t end = std::min(text.find_first_of("\r\n", at), text.size());
      const size_t next = std::min(text.find('\n', at), text.size() - 1) + 1;
      const std::string line = text.substr(at, end - at);
      out += (isValue ? change(line) : line) + text.substr(end, next - end);
      isValue = !isValue && line.starts_with("[");
      at = next;
    }
    b->assign(out.begin(), out.end());
    return true;
  };
}
bool IsNumber(const std::string& text) {
  char* end = nullptr;
  std::strtod(text.c_str(), &end);
  return !text.empty() && end != text.c_str();
}

std::vector<Variant> SettingsVariants() {
  std::vector<Variant> variants = {
      {"a value line starting with '['", Expect::Fails, EachValue([](const std::string& v) { return "[" + v; })},
      {"section names changed", Expect::Fails, [](Bytes* b) {
         Bytes out;
         for (size_t i = 0; i < b->size(); ++i) {
           out.push_back((*b)[i]);
           if ((*b)[i] == '[' && (i == 0 || (*b)[i - 1] == '\n')) out.push_back('x');
         }
         return b->swap(out), true;
       }},
      {"a line too long", Expect::Fails, EachValue([](const std::string& v) { return v + std::string(2000, ' '); })},
      // File names that lead nowhere, or to a file that is not an image.
      {"file names emptied", Expect::Fails,
       EachValue([](const std::string& v) { return IsNumber(v) ? v : std::string(); })},
      {"file names pointing at the module", Expect::Fails,
       EachValue([](const std::string& v) { return IsNumber(v) ? v : std::string("data/mowt.xm"); })},
  };
  // Numbers at the edges of what a double holds: the scene still plays.
  for (std::string number : {"0", "-1e308", "1e308", "nan", "inf", "1e-320"}) {
    variants.push_back({"numbers set to " + number, Expect::Plays,
                        EachValue([number](const std::string& v) { return IsNumber(v) ? number : v; })});
  }
  return variants;
}

// XM: the 60-byte preamble, then the header whose size is at 60; song length at 64,
// restart position 66, channels 68, patterns 70, instruments 72, speed 76, tempo 78.
// (A huge header size is left out: the module still loads as a song several times longer,
// which plays, but slowly under the sanitizers.)
std::vector<Variant> ModuleVariants() {
  // The music library refuses the file: the demo's own line names it, the player's the call.
  const std::string refused = "data/mowt.xm: missing, unreadable or not a playable XM module\n"
                              "MIDAS ERREUR : MIDASloadModule \n";
  return {
      {"header size 0", Expect::Plays, Field(60, 0), true},
      // Fewer positions than the scenes wait for: refused at start-up, never a demo that waits.
      {"song length 0", Expect::Fails, Field(64, 0, 2)},
      {"song length shorter than the demo", Expect::Fails, Field(64, 50, 2)},
      {"song length huge", Expect::Fails, Field(64, 0xFFFF, 2), false, refused},
      {"restart position huge", Expect::Plays, Field(66, 0xFFFF, 2)},
      {"channels 0", Expect::Fails, Field(68, 0, 2), false, refused},
      {"channels huge", Expect::Fails, Field(68, 0xFFFF, 2), false, refused},
      {"patterns huge", Expect::Fails, Field(70, 0xFFFF, 2), false, refused},
      {"instruments huge", Expect::Fails, Field(72, 0xFFFF, 2), false, refused},
      {"speed 0 and tempo 0", Expect::Plays, Field(76, 0, 4)},
      {"first pattern sizes huge", Expect::Plays, [](Bytes* b) {
         if (b->size() < 64) return false;
         const size_t pattern = 60 + size_t{Get(*b, 60, 4)};
         if (pattern + 9 > b->size()) return false;
         return Put(b, pattern, 0xFFFFFFFFu, 4), Put(b, pattern + 7, 0xFFFF, 2), true;
       }, true},
  };
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// Every run is several times slower: each image gets a third of the header variants, in
// turn, so that every variant still meets several images.
constexpr bool kUnderSanitizers = true;
#else
constexpr bool kUnderSanitizers = false;
#endif
constexpr size_t kImageVariantShare = kUnderSanitizers ? 3 : 1;

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

  // Runs the demo with every variant of every data file of `kind`, putting each file back.
  static void CheckAll(Kind kind) {
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(work_ / "data")) {
      const std::string name = fs::relative(entry.path(), work_).generic_string();
      if (entry.is_regular_file() && KindOf(name) == kind) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    ASSERT_FALSE(names.empty());
    for (size_t file = 0; file < names.size(); ++file) {
      const fs::path path = work_ / names[file];
      const Bytes original = ReadFileBytes(path);
      std::vector<Variant> variants = CommonVariants(kind);
      const std::vector<Variant> specific = kind == Kind::Object     ? ObjectVariants(original)
                                            : kind == Kind::Settings ? SettingsVariants()
                                            : kind == Kind::Module   ? ModuleVariants()
                                                                     : ImageVariants();
      for (size_t i = 0; i < specific.size(); ++i) {
        if (kind != Kind::Image || (i + file) % kImageVariantShare == 0) variants.push_back(specific[i]);
      }
      for (const Variant& variant : variants) {
        if (variant.longSong && kUnderSanitizers) continue;
        Bytes damaged = original;
        if (variant.damage != nullptr && !variant.damage(&damaged)) continue;
        variant.damage == nullptr ? (void)fs::remove(path) : WriteFileBytes(path, damaged);
        const auto [status, output] = RunDemo();
        WriteFileBytes(path, original);
        Judge(kind, names[file], variant, status, output);
      }
    }
  }

  static void Judge(Kind kind, const std::string& name, const Variant& variant, int status, const std::string& output) {
    SCOPED_TRACE(name + " " + variant.name + ": exit " + std::to_string(status) + "\n" + output.substr(0, 2000));
    EXPECT_EQ(output.find("Sanitizer"), std::string::npos);
    EXPECT_EQ(output.find("runtime error"), std::string::npos);
    if (variant.expect == Expect::Plays) {
      EXPECT_EQ(status, 0);
      EXPECT_EQ(output, "");
      return;
    }
    // The LightWave reader stops with 2 when it cannot open the file and 1 when it rejects
    // it; the others stop through FatalError.
    EXPECT_EQ(status, kind != Kind::Object ? kFatalErrorStatus : variant.damage == nullptr ? 2 : 1);
    EXPECT_NE(output.find(variant.says.empty() ? name : variant.says), std::string::npos);
  }

  static inline fs::path work_;
};

// The untouched data: the whole demo plays to its end, quietly.
TEST_F(Tampering, TheWholeDemoPlaysOnTheUntouchedData) {
  EXPECT_EQ(RunDemo(), std::make_pair(0, std::string()));
}
TEST_F(Tampering, Images) { CheckAll(Kind::Image); }
TEST_F(Tampering, Object) { CheckAll(Kind::Object); }
TEST_F(Tampering, Settings) { CheckAll(Kind::Settings); }
TEST_F(Tampering, Module) { CheckAll(Kind::Module); }

}  // namespace

// Every file under data/ damaged in turn: missing, empty, cut in half, and with its header
// fields set to extremes. The whole demo runs on the offline backend in a child process for
// each damaged file and must either play to its end (exit 0) or stop with its failure exit
// code and a message that names the file; never a signal, a hang or a sanitizer report.
//
// The song is replaced by a tiny fast module (tests/robustness/fast_module.h) and the
// offline clock runs at 10 frames per second, so a whole run is about 16 frames (a quarter
// of a second; a few seconds under the sanitizers).
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "tests/robustness/child_run.h"
#include "tests/robustness/fast_module.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

constexpr int kFramesPerSecond = 10;
// Far beyond a healthy run (about a second, a few under the sanitizers).
constexpr double kLimitSeconds = 120.0;
constexpr int kFatalErrorStatus = 9999 & 0xFF;  // FatalError's 9999 as a parent sees it

enum class Kind { Image, Object, Settings, Module };

Kind KindOf(const std::string& name) {
  if (name.ends_with(".lwo")) return Kind::Object;
  if (name.ends_with(".ini")) return Kind::Settings;
  if (name.ends_with(".xm")) return Kind::Module;
  return Kind::Image;
}

// What a damaged file may lead to.
enum class Expect {
  Fails,         // the demo stops with the file's failure exit code and names the file
  PlaysOrFails,  // either, when the damage leaves a file that may still be usable
  Plays,         // the damage touches nothing the demo reads
};

struct Variant {
  std::string name;
  Expect expect;
  // Damages the bytes (never called for the "missing" variant); false: does not apply.
  std::function<bool(Bytes*)> damage;
  // Leads to a much longer song: left to the build without sanitizers, where it is quick.
  bool longSong = false;
};

void PutLittle32(Bytes* bytes, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) (*bytes)[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}
void PutLittle16(Bytes* bytes, size_t offset, uint16_t value) {
  (*bytes)[offset] = static_cast<uint8_t>(value);
  (*bytes)[offset + 1] = static_cast<uint8_t>(value >> 8);
}
void PutBig32(Bytes* bytes, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) (*bytes)[offset + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}
uint32_t GetBig32(const Bytes& bytes, size_t offset) {
  return (uint32_t{bytes[offset]} << 24) | (uint32_t{bytes[offset + 1]} << 16) |
         (uint32_t{bytes[offset + 2]} << 8) | bytes[offset + 3];
}
uint32_t GetLittle32(const Bytes& bytes, size_t offset) {
  return bytes[offset] | (uint32_t{bytes[offset + 1]} << 8) | (uint32_t{bytes[offset + 2]} << 16) |
         (uint32_t{bytes[offset + 3]} << 24);
}

// A field write, for files long enough to hold the field.
std::function<bool(Bytes*)> Little32(size_t offset, uint32_t value) {
  return [=](Bytes* b) { return b->size() >= offset + 4 && (PutLittle32(b, offset, value), true); };
}
std::function<bool(Bytes*)> Little16(size_t offset, uint16_t value) {
  return [=](Bytes* b) { return b->size() >= offset + 2 && (PutLittle16(b, offset, value), true); };
}

std::vector<Variant> CommonVariants(Kind kind) {
  // A module cut in half may still hold a playable song; the other files cannot lose half
  // their bytes and stay whole.
  const Expect half = kind == Kind::Module || kind == Kind::Settings ? Expect::PlaysOrFails : Expect::Fails;
  return {
      {"missing", Expect::Fails, nullptr},
      {"empty", Expect::Fails, [](Bytes* b) { b->clear(); return true; }},
      {"cut in half", half, [](Bytes* b) { b->resize(b->size() / 2); return true; }},
  };
}

// BMP: 14-byte file header then the 40-byte info header, little-endian.
std::vector<Variant> ImageVariants() {
  return {
      {"width 0", Expect::Fails, Little32(18, 0)},
      {"width negative", Expect::Fails, Little32(18, 0xFFFFFFFCu)},
      {"width huge", Expect::Fails, Little32(18, 0x7FFFFFFCu)},
      {"height 0", Expect::Fails, Little32(22, 0)},
      {"height most negative", Expect::Fails, Little32(22, 0x80000000u)},
      {"height huge", Expect::Fails, Little32(22, 0x7FFFFFFFu)},
      {"pixel offset past the end", Expect::Fails, Little32(10, 0xFFFFFFF0u)},
      {"pixel offset at the end", Expect::Fails,
       [](Bytes* b) { return b->size() >= 14 && (PutLittle32(b, 10, static_cast<uint32_t>(b->size())), true); }},
      {"bits per pixel 0", Expect::Fails, Little16(28, 0)},
      {"compression huge", Expect::Fails, Little32(30, 0xFFFFFFFFu)},
      // The same picture stored top-down: still a valid image of the same size.
      {"height negated", Expect::Plays,
       [](Bytes* b) {
         return b->size() >= 26 && (PutLittle32(b, 22, 0u - GetLittle32(*b, 22)), true);
       }},
      // Fields the reader does not use.
      {"file size and image size 0", Expect::Plays,
       [](Bytes* b) { return b->size() >= 54 && (PutLittle32(b, 2, 0), PutLittle32(b, 34, 0), true); }},
  };
}

// The offsets of the chunk headers of a LightWave object, in file order.
std::vector<size_t> ChunkOffsets(const Bytes& bytes) {
  std::vector<size_t> offsets;
  for (size_t at = 12; at + 8 <= bytes.size(); at += 8 + size_t{GetBig32(bytes, at + 4)}) offsets.push_back(at);
  return offsets;
}

std::vector<Variant> ObjectVariants(const Bytes& original) {
  std::vector<Variant> variants = {
      // An empty FORM is an object with nothing in it: it may play (nothing drawn).
      {"FORM size 0", Expect::PlaysOrFails,
       [](Bytes* b) { return b->size() >= 8 && (PutBig32(b, 4, 0), true); }},
      {"FORM size negative", Expect::Fails,
       [](Bytes* b) { return b->size() >= 8 && (PutBig32(b, 4, 0x80000000u), true); }},
      {"FORM size huge", Expect::Fails,
       [](Bytes* b) { return b->size() >= 8 && (PutBig32(b, 4, 0xFFFFFFFFu), true); }},
      {"FORM type not LWOB", Expect::Fails,
       [](Bytes* b) { return b->size() >= 12 && (std::memcpy(b->data() + 8, "LWO2", 4), true); }},
  };
  for (size_t at : ChunkOffsets(original)) {
    const std::string tag(reinterpret_cast<const char*>(original.data() + at), 4);
    for (const auto& [what, size] : std::vector<std::pair<std::string, uint32_t>>{
             {"0", 0u}, {"negative", 0x80000000u}, {"huge", 0xFFFFFFFFu}, {"one past the end", 0u}}) {
      const bool pastEnd = what == "one past the end";
      const uint32_t statedSize = size;  // a copy: lambdas cannot capture structured bindings everywhere
      // A PNTS or POLS chunk of size 0 leaves points unused or triangles without points,
      // so the demo stops. Another chunk of size 0 lets its data be read as chunks: they
      // may happen to fit, or not.
      const Expect expect = tag == "PNTS" || tag == "POLS" || what != "0" ? Expect::Fails : Expect::PlaysOrFails;
      variants.push_back({tag + " chunk size " + what, expect, [=](Bytes* b) {
                            const uint32_t value = pastEnd ? static_cast<uint32_t>(b->size() - at - 8 + 1) : statedSize;
                            PutBig32(b, at + 4, value);
                            return true;
                          }});
    }
  }
  // A triangle naming the last point twice: no area, no normal.
  variants.push_back({"a triangle with no area", Expect::Fails, [](Bytes* b) {
                        for (size_t at : ChunkOffsets(*b)) {
                          if (std::memcmp(b->data() + at, "POLS", 4) != 0 || GetBig32(*b, at + 4) < 10) continue;
                          (*b)[at + 12] = (*b)[at + 10];
                          (*b)[at + 13] = (*b)[at + 11];
                          return true;
                        }
                        return false;
                      }});
  return variants;
}

// The settings file: lines of text. Each damage is applied to every value line at once.
std::vector<std::string> Lines(const Bytes& bytes) {
  std::vector<std::string> lines;
  std::string line;
  for (uint8_t byte : bytes) {
    line.push_back(static_cast<char>(byte));
    if (byte == '\n') lines.push_back(std::move(line)), line.clear();
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}
Bytes Join(const std::vector<std::string>& lines) {
  Bytes bytes;
  for (const std::string& line : lines) bytes.insert(bytes.end(), line.begin(), line.end());
  return bytes;
}
// Rewrites the value line after every section line: `change(value)` without its line end.
std::function<bool(Bytes*)> EachValue(std::function<std::string(const std::string&)> change) {
  return [=](Bytes* b) {
    std::vector<std::string> lines = Lines(*b);
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
      if (lines[i].empty() || lines[i][0] != '[') continue;
      std::string& value = lines[i + 1];
      const size_t end = value.find_first_of("\r\n");
      const std::string ending = end == std::string::npos ? "" : value.substr(end);
      value = change(value.substr(0, end)) + ending;
      ++i;
    }
    *b = Join(lines);
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
         std::vector<std::string> lines = Lines(*b);
         for (std::string& line : lines) {
           if (!line.empty() && line[0] == '[') line.insert(1, "x");
         }
         *b = Join(lines);
         return true;
       }},
      {"a line too long", Expect::Fails, EachValue([](const std::string& v) { return v + std::string(2000, ' '); })},
  };
  // Numbers at the edges of what a double holds; the scene must still play or say why not.
  for (const char* number : {"0", "-1e308", "1e308", "nan", "inf", "1e-320"}) {
    variants.push_back({std::string("numbers set to ") + number, Expect::PlaysOrFails,
                        EachValue([number](const std::string& v) { return IsNumber(v) ? std::string(number) : v; })});
  }
  // File names that lead nowhere, or to a file that is not an image.
  variants.push_back({"file names emptied", Expect::Fails,
                      EachValue([](const std::string& v) { return IsNumber(v) ? v : std::string(); })});
  variants.push_back({"file names pointing at the module", Expect::Fails,
                      EachValue([](const std::string& v) { return IsNumber(v) ? v : std::string("data/mowt.xm"); })});
  return variants;
}

// XM: the 60-byte preamble, then the header whose size is at 60; song length at 64,
// restart position 66, channels 68, patterns 70, instruments 72, speed 76, tempo 78.
std::vector<Variant> ModuleVariants() {
  std::vector<Variant> variants = {
      {"header size 0", Expect::PlaysOrFails, Little32(60, 0), true},
      // (A huge header size is left out: the module still loads, as a song several
      // times longer, which plays but slowly under the sanitizers.)
      // Fewer positions than the scenes wait for: refused at start-up, never a demo that waits.
      {"song length 0", Expect::Fails, Little16(64, 0)},
      {"song length shorter than the demo", Expect::Fails, Little16(64, 50)},
      {"song length huge", Expect::PlaysOrFails, Little16(64, 0xFFFF)},
      {"restart position huge", Expect::PlaysOrFails, Little16(66, 0xFFFF)},
      {"channels 0", Expect::PlaysOrFails, Little16(68, 0)},
      {"channels huge", Expect::PlaysOrFails, Little16(68, 0xFFFF)},
      {"patterns huge", Expect::PlaysOrFails, Little16(70, 0xFFFF)},
      {"instruments huge", Expect::PlaysOrFails, Little16(72, 0xFFFF)},
      {"speed 0 and tempo 0", Expect::PlaysOrFails, [](Bytes* b) {
         return b->size() >= 80 && (PutLittle16(b, 76, 0), PutLittle16(b, 78, 0), true);
       }},
      {"first pattern sizes huge", Expect::PlaysOrFails, [](Bytes* b) {
         if (b->size() < 64) return false;
         const size_t pattern = 60 + size_t{GetLittle32(*b, 60)};
         if (pattern + 9 > b->size()) return false;
         PutLittle32(b, pattern, 0xFFFFFFFFu);
         PutLittle16(b, pattern + 7, 0xFFFF);
         return true;
       }, true},
  };
  return variants;
}

Bytes ReadAll(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}
void WriteAll(const fs::path& path, const Bytes& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// How a failing run must identify the file: its name, or for the module the music
// start-up's fixed message (there is one module and its message is documented).
bool NamesFile(const std::string& output, const std::string& name) {
  if (output.find(name) != std::string::npos) return true;
  return KindOf(name) == Kind::Module && output.find("MIDAS ERREUR : MIDASloadModule") != std::string::npos;
}

// The exit codes that stop the demo on a bad file of this kind: the LightWave reader's 1
// to 3 (2: cannot open, 3: short read), FatalError's for the others.
bool IsFailureStatus(Kind kind, int status) {
  return kind == Kind::Object ? status >= 1 && status <= 3 : status == kFatalErrorStatus;
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// Under the sanitizers every run is several times slower: each image gets a third of the
// header variants, in turn, so that every variant still meets several images.
constexpr int kImageVariantShare = 3;
constexpr bool kUnderSanitizers = true;
#else
constexpr int kImageVariantShare = 1;
constexpr bool kUnderSanitizers = false;
#endif

// A working directory with a copy of the generated data and the fast module.
class TamperingData : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    work_ = new fs::path(fs::temp_directory_path() / ("zelto2k-tamper-" + std::to_string(getpid())));
    fs::remove_all(*work_);
    fs::create_directories(*work_);
    fs::copy(ZELTO_TEST_DATA_DIR, *work_ / "data", fs::copy_options::recursive);
    std::string error;
    ASSERT_TRUE(xm::WriteXm((*work_ / "data/mowt.xm").string(), FastDemoModule(kFramesPerSecond), &error))
        << error;
  }
  static void TearDownTestSuite() {
    fs::remove_all(*work_);
    delete work_;
  }

  // The data files of `kind`, by name relative to the working directory ("data/...").
  static std::vector<std::string> FilesOf(Kind kind) {
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(*work_ / "data")) {
      if (!entry.is_regular_file()) continue;
      const std::string name = fs::relative(entry.path(), *work_).generic_string();
      if (KindOf(name) == kind) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  static ChildOutcome RunDemo() {
    return RunProgram({ZELTO_OFFLINE_DEMO, std::to_string(kFramesPerSecond)}, work_->string(), kLimitSeconds);
  }

  // Runs the demo with `name` damaged by `variant`, then puts the file back.
  static void Check(const std::string& name, const Variant& variant) {
    const fs::path path = *work_ / name;
    const Bytes original = ReadAll(path);
    if (variant.damage == nullptr) {
      fs::remove(path);
    } else {
      Bytes damaged = original;
      if (!variant.damage(&damaged)) return;
      WriteAll(path, damaged);
    }
    const ChildOutcome run = RunDemo();
    WriteAll(path, original);

    const std::string what = name + " " + variant.name + ": ";
    if (run.seconds > 10.0) std::printf("slow: %s%.1f s\n", what.c_str(), run.seconds);
    const std::string shown = run.output.substr(0, 2000);
    EXPECT_FALSE(run.timedOut) << what << "still running after " << kLimitSeconds << " s\n" << shown;
    if (run.timedOut) return;
    EXPECT_TRUE(run.exited) << what << "ended by signal " << run.signal << "\n" << shown;
    EXPECT_EQ(run.output.find("Sanitizer"), std::string::npos) << what << shown;
    EXPECT_EQ(run.output.find("runtime error"), std::string::npos) << what << shown;
    const bool failed = IsFailureStatus(KindOf(name), run.exitCode);
    switch (variant.expect) {
      case Expect::Fails:
        EXPECT_TRUE(failed) << what << "exit " << run.exitCode << "\n" << shown;
        break;
      case Expect::PlaysOrFails:
        EXPECT_TRUE(run.exitCode == 0 || failed) << what << "exit " << run.exitCode << "\n" << shown;
        break;
      case Expect::Plays:
        EXPECT_EQ(run.exitCode, 0) << what << shown;
        break;
    }
    if (run.exitCode != 0) {
      EXPECT_TRUE(NamesFile(run.output, name)) << what << "no message names the file\n" << shown;
    }
  }

  static fs::path* work_;
};

fs::path* TamperingData::work_ = nullptr;

// The untouched data: the whole demo plays to its end, quietly.
TEST_F(TamperingData, TheWholeDemoPlaysOnTheUntouchedData) {
  const ChildOutcome run = RunDemo();
  EXPECT_TRUE(run.exited) << run.output;
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_EQ(run.output, "");
}

class Tampering : public TamperingData, public testing::WithParamInterface<Kind> {};

TEST_P(Tampering, EveryDamagedFileEitherPlaysOrStopsWithAMessageNamingIt) {
  const Kind kind = GetParam();
  const std::vector<std::string> names = FilesOf(kind);
  ASSERT_FALSE(names.empty());
  for (size_t file = 0; file < names.size(); ++file) {
    const std::string& name = names[file];
    std::vector<Variant> variants = CommonVariants(kind);
    std::vector<Variant> specific;
    switch (kind) {
      case Kind::Image: {
        const std::vector<Variant> all = ImageVariants();
        for (size_t i = 0; i < all.size(); ++i) {
          if (static_cast<int>((i + file) % kImageVariantShare) == 0) specific.push_back(all[i]);
        }
        break;
      }
      case Kind::Object: specific = ObjectVariants(ReadAll(*work_ / name)); break;
      case Kind::Settings: specific = SettingsVariants(); break;
      case Kind::Module: specific = ModuleVariants(); break;
    }
    variants.insert(variants.end(), specific.begin(), specific.end());
    for (const Variant& variant : variants) {
      if (!(variant.longSong && kUnderSanitizers)) Check(name, variant);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(DataFiles, Tampering,
                         testing::Values(Kind::Image, Kind::Object, Kind::Settings, Kind::Module),
                         [](const testing::TestParamInfo<Kind>& info) {
                           switch (info.param) {
                             case Kind::Image: return "Images";
                             case Kind::Object: return "Object";
                             case Kind::Settings: return "Settings";
                             case Kind::Module: return "Module";
                           }
                           return "Unknown";
                         });

}  // namespace

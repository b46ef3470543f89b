// The BMP reader and Surface: hand-made headers for the failure paths, files written by
// ImageMagick for the layouts that real tools produce.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <iterator>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "image/bmp_reader.h"
#include "image/surface.h"

namespace {

void Put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  b[at] = v & 0xFF;
  b[at + 1] = (v >> 8) & 0xFF;
}
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = (v >> (8 * i)) & 0xFF;
}
uint32_t Get32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

// A classic 54-byte-header 24-bit file; `pixels` are the stored bytes, in file order.
std::vector<uint8_t> MakeBmp(int32_t width, int32_t height, uint32_t bitsPerPixel,
                             const std::vector<uint8_t>& pixels, uint32_t compression = 0) {
  std::vector<uint8_t> b(54, 0);
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 2, static_cast<uint32_t>(54 + pixels.size()));
  Put32(b, 10, 54);
  Put32(b, 14, 40);
  Put32(b, 18, static_cast<uint32_t>(width));
  Put32(b, 22, static_cast<uint32_t>(height));
  Put16(b, 26, 1);
  Put16(b, 28, bitsPerPixel);
  Put32(b, 30, compression);
  b.insert(b.end(), pixels.begin(), pixels.end());
  return b;
}

// 4 x 2: first stored row all blue, second all red.
std::vector<uint8_t> BlueThenRedRows() {
  std::vector<uint8_t> p;
  for (int i = 0; i < 4; ++i) p.insert(p.end(), {0xFF, 0x00, 0x00});
  for (int i = 0; i < 4; ++i) p.insert(p.end(), {0x00, 0x00, 0xFF});
  return p;
}

BmpStatus Decode(const std::vector<uint8_t>& file, DecodedBmp* out) {
  return DecodeBmp(file.data(), file.size(), out);
}

void WriteFile(const std::string& name, const std::vector<uint8_t>& bytes) {
  std::ofstream(name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> ReadFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::vector<uint32_t> SurfacePixels(const Surface& s) {
  return std::vector<uint32_t>(s.pixels, s.pixels + s.width * s.height);
}

TEST(BmpReader, BottomUpAndTopDownGiveTheSameTopRowFirstImage) {
  for (int32_t height : {2, -2}) {
    std::vector<uint8_t> rows = BlueThenRedRows();
    if (height < 0) std::rotate(rows.begin(), rows.begin() + 12, rows.end());  // red stored first
    WriteFile("rows.bmp", MakeBmp(4, height, 24, rows));
    Surface surface("rows.bmp");
    EXPECT_EQ(surface.width, 4);
    EXPECT_EQ(surface.height, 2);
    EXPECT_EQ(surface.depth, 32);
    EXPECT_EQ(surface.palette, nullptr);
    const std::vector<uint32_t> red(4, 0x00FF0000u), blue(4, 0x000000FFu);
    const std::vector<uint32_t> pixels = SurfacePixels(surface);
    EXPECT_EQ(std::vector<uint32_t>(pixels.begin(), pixels.begin() + 4), red) << height;
    EXPECT_EQ(std::vector<uint32_t>(pixels.begin() + 4, pixels.end()), blue) << height;
  }
}

TEST(BmpReader, HistoricalStatusesInTheirCheckOrder) {
  DecodedBmp out;
  std::vector<uint8_t> file = MakeBmp(4, 2, 24, BlueThenRedRows());
  file[0] = 'X';
  EXPECT_EQ(Decode(file, &out), kBmpNotBmp);
  EXPECT_EQ(Decode(MakeBmp(6, 2, 24, std::vector<uint8_t>(36)), &out), kBmpWidthNotMultipleOf4);
  EXPECT_EQ(Decode(MakeBmp(8, 2, 8, std::vector<uint8_t>(16), 1), &out), kBmpCompressed);
  // A bad depth is reported before anything else, whatever the compression and width.
  EXPECT_EQ(Decode(MakeBmp(6, 2, 16, {}, 3), &out), kBmpBadDepth);
  EXPECT_EQ(Decode(MakeBmp(4, 2, 32, {}, 0), &out), kBmpBadDepth);
  EXPECT_EQ(out.pixels, nullptr);
  EXPECT_EQ(Decode(std::vector<uint8_t>{'B', 'M', 0}, &out), kBmpNotBmp);  // header cut short
}

TEST(BmpReader, ImpossibleHeadersAreRefusedBeforeAnyAllocation) {
  DecodedBmp out;
  const std::vector<uint8_t> pixels = BlueThenRedRows();
  for (auto [width, height] : std::vector<std::pair<int32_t, int32_t>>{
           {0, 2}, {-4, 2}, {4, 0}, {4, INT_MIN}, {16388, 1}, {4, 16385}, {INT_MIN, 2},
           {1 << 28, 1 << 28}}) {
    EXPECT_EQ(Decode(MakeBmp(width, height, 24, pixels), &out), kBmpDamaged) << width << "x" << height;
  }
  std::vector<uint8_t> file = MakeBmp(4, 2, 24, pixels);
  file.pop_back();  // one pixel byte short
  EXPECT_EQ(Decode(file, &out), kBmpDamaged);
  file = MakeBmp(4, 2, 24, pixels);
  Put32(file, 10, 0xFFFFFFF0u);  // pixel offset far past the end, and one that wraps
  EXPECT_EQ(Decode(file, &out), kBmpDamaged);
  Put32(file, 10, 55);
  EXPECT_EQ(Decode(file, &out), kBmpDamaged);
  // An 8-bit file whose palette would run past the end, or whose info header is too small.
  file = MakeBmp(4, 1, 8, {0, 1, 2, 3});
  EXPECT_EQ(Decode(file, &out), kBmpDamaged);
  Put32(file, 46, 1);  // one palette entry: fits once the header says so
  file.insert(file.begin() + 54, {0x10, 0x20, 0x30, 0});
  Put32(file, 10, 58);
  EXPECT_EQ(Decode(file, &out), kBmpLoaded);
  Put32(file, 14, 12);
  EXPECT_EQ(Decode(file, &out), kBmpDamaged);
}

TEST(BmpReader, LoadRawHandsOverBuffersOrNothing) {
  WriteFile("raw.bmp", MakeBmp(4, 2, 24, BlueThenRedRows()));
  uint8_t* pixels = nullptr;
  uint8_t* palette = reinterpret_cast<uint8_t*>(&pixels);  // must be overwritten
  int32_t width = 0, height = 0, bits = 0;
  ASSERT_EQ(BMP_LoadRaw("raw.bmp", &pixels, &width, &height, &bits, &palette), 0);
  EXPECT_EQ(width, 4);
  EXPECT_EQ(height, 2);
  EXPECT_EQ(bits, 24);
  EXPECT_EQ(palette, nullptr);
  uint32_t words[8];
  ConvertBuffer24To32(pixels, words, 8);
  EXPECT_EQ(words[0], 0x00FF0000u);
  EXPECT_EQ(words[7], 0x000000FFu);
  delete[] pixels;
  EXPECT_EQ(BMP_LoadRaw("no_such_file.bmp", &pixels, &width, &height, &bits, &palette), 1);
  EXPECT_EQ(pixels, nullptr);
  EXPECT_EQ(palette, nullptr);
}

TEST(BmpReaderDeathTest, FailedLoadsEndTheProgramNamingTheFile) {
  WriteFile("width6.bmp", MakeBmp(6, 2, 24, std::vector<uint8_t>(36)));
  EXPECT_EXIT(Surface("width6.bmp"), testing::ExitedWithCode(9999 & 0xFF),
              "Impossible de charger l'Surface : width6.bmp !!");
  EXPECT_EXIT(Surface("missing.bmp"), testing::ExitedWithCode(9999 & 0xFF), "missing.bmp !!");
  std::vector<uint8_t> cut = MakeBmp(4, 2, 24, BlueThenRedRows());
  cut.resize(60);
  WriteFile("cut.bmp", cut);
  EXPECT_EXIT(Surface("cut.bmp"), testing::ExitedWithCode(9999 & 0xFF), "cut.bmp !!");
  EXPECT_EXIT(Surface(nullptr), testing::ExitedWithCode(9999 & 0xFF), "Surface");
}

// --- Files written by ImageMagick ---------------------------------------------------

constexpr int kWidth = 8, kHeight = 4;

// A picture of 32 distinct colours, written as a PPM for ImageMagick to convert.
uint32_t Expected(int x, int y) {
  return static_cast<uint32_t>((x * 37 + y * 11) % 256) << 16 |
         static_cast<uint32_t>((x * 5 + y * 70) % 256) << 8 | static_cast<uint32_t>((x * 90 + y * 3) % 256);
}

std::string Convert(const std::string& options, const std::string& output) {
  std::string ppm = "P6 8 4 255\n";
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const uint32_t p = Expected(x, y);
      ppm += {static_cast<char>(p >> 16), static_cast<char>(p >> 8), static_cast<char>(p)};
    }
  }
  // One source per output: ctest runs the tests of this folder side by side.
  const std::string file = output.substr(output.find(':') + 1);
  WriteFile(file + ".ppm", std::vector<uint8_t>(ppm.begin(), ppm.end()));
  const std::string command = "convert " + file + ".ppm " + options + " " + output;
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  return file;
}

void ExpectPicture(const std::string& file, int32_t fileDepth) {
  SCOPED_TRACE(file);
  Surface raw;
  ASSERT_EQ(raw.BMP_Load(file.c_str()), 0);
  EXPECT_EQ(raw.depth, fileDepth);
  Surface surface(file.c_str());
  ASSERT_EQ(surface.width, kWidth);
  ASSERT_EQ(surface.height, kHeight);
  EXPECT_EQ(surface.depth, 32);
  EXPECT_EQ(surface.palette, nullptr);  // an 8-bit file's palette is used up and freed
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) EXPECT_EQ(surface.pixels[y * kWidth + x], Expected(x, y)) << x << "," << y;
  }
}

TEST(BmpReaderImageMagick, TwentyFourBitClassicAndLargeHeaders) {
  ExpectPicture(Convert("-type TrueColor", "BMP3:im_bmp3.bmp"), 24);
  const std::string large = Convert("-type TrueColor", "BMP:im_large.bmp");
  const std::vector<uint8_t> bytes = ReadFile(large);
  ASSERT_GT(Get32(bytes, 14), 40u);  // a later info header, pixels past offset 54
  ExpectPicture(large, 24);
}

TEST(BmpReaderImageMagick, EightBitPaletteFiles) {
  ExpectPicture(Convert("-type Palette -compress None", "BMP3:im_pal3.bmp"), 8);
  ExpectPicture(Convert("-type Palette -compress None", "BMP:im_pal.bmp"), 8);  // palette after a 124-byte header
  Surface surface;
  EXPECT_EQ(surface.BMP_Load(Convert("-type Palette", "BMP3:im_rle.bmp").c_str()), kBmpCompressed);
}

TEST(BmpReaderImageMagick, TopDownCopyAndGapBeforePixels) {
  const std::vector<uint8_t> original = ReadFile(Convert("-type TrueColor", "BMP3:im_base.bmp"));
  const size_t offset = Get32(original, 10), rowBytes = kWidth * 3;
  // Top-down: the same rows in the opposite order, with a negative height.
  std::vector<uint8_t> topDown(original.begin(), original.begin() + static_cast<long>(offset));
  for (int row = kHeight - 1; row >= 0; --row) {
    auto start = original.begin() + static_cast<long>(offset + row * rowBytes);
    topDown.insert(topDown.end(), start, start + static_cast<long>(rowBytes));
  }
  Put32(topDown, 22, static_cast<uint32_t>(-kHeight));
  WriteFile("top_down.bmp", topDown);
  ExpectPicture("top_down.bmp", 24);
  // 100 junk bytes between the headers and the pixels; the offset says where they start.
  std::vector<uint8_t> gap = original;
  gap.insert(gap.begin() + static_cast<long>(offset), 100, 0xAB);
  Put32(gap, 10, static_cast<uint32_t>(offset + 100));
  WriteFile("gap.bmp", gap);
  ExpectPicture("gap.bmp", 24);
}

}  // namespace

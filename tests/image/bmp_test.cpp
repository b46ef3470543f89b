// The BMP reader and Surface: hand-made headers for the failure paths, files written by
// ImageMagick for the layouts that real tools produce.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "core/exit_codes.h"
#include "image/bmp_reader.h"
#include "image/surface.h"
#include "tests/test_io.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Put32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.at(at + i) = (v >> (8 * i)) & 0xFF;  // at(): GCC 12 -O3 sees a false overflow in []
}

// A classic 54-byte-header file; `pixels` are the stored bytes, in file order.
Bytes MakeBmp(int32_t width, int32_t height, uint8_t bitsPerPixel, const Bytes& pixels, uint32_t compression = 0) {
  // Sized once and copied into: GCC 12 at -O3 reports a false -Warray-bounds for an insert
  // at the end of the 54-byte vector.
  Bytes b(54 + pixels.size(), 0);
  b[0] = 'B', b[1] = 'M', b[26] = 1, b[28] = bitsPerPixel;
  const std::pair<size_t, uint32_t> fields[] = {
      {10, 54}, {14, 40}, {18, static_cast<uint32_t>(width)}, {22, static_cast<uint32_t>(height)}, {30, compression}};
  for (auto [at, value] : fields) Put32(b, at, value);
  std::copy(pixels.begin(), pixels.end(), b.begin() + 54);
  return b;
}
// 4 x 2 pixels: first stored row all blue, second all red.
const Bytes kBlueThenRed = {255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 255};

BmpStatus Decode(const Bytes& file) {
  DecodedBmp out;
  return DecodeBmp(file.data(), file.size(), &out);
}

TEST(BmpReader, StatusesInTheirCheckOrderAndImpossibleHeaders) {
  Bytes notBmp = MakeBmp(4, 2, 24, kBlueThenRed), shortByOne = notBmp, farOffset = notBmp, wrapOffset = notBmp;
  notBmp[0] = 'X';
  shortByOne.pop_back();
  Put32(farOffset, 10, 55);
  Put32(wrapOffset, 10, 0xFFFFFFF0u);
  // 8 bits: 256 palette entries would run past the end; one entry, as the header says, fits.
  Bytes palette = MakeBmp(4, 1, 8, {0, 1, 2, 3}), onePalette = palette;
  Put32(onePalette, 46, 1);
  onePalette.insert(onePalette.begin() + 54, {0x10, 0x20, 0x30, 0});
  Put32(onePalette, 10, 58);
  Bytes tinyInfo = onePalette;
  Put32(tinyInfo, 14, 12);
  std::vector<std::pair<Bytes, BmpStatus>> cases = {
      {notBmp, BmpStatus::kNotBmp}, {{'B', 'M', 0}, BmpStatus::kNotBmp}, {MakeBmp(6, 2, 24, Bytes(36)), BmpStatus::kWidthNotMultipleOf4},
      {MakeBmp(8, 2, 8, Bytes(16), 1), BmpStatus::kCompressed}, {MakeBmp(6, 2, 16, {}, 3), BmpStatus::kBadDepth},
      {MakeBmp(4, 2, 32, {}), BmpStatus::kBadDepth}, {shortByOne, BmpStatus::kDamaged}, {farOffset, BmpStatus::kDamaged},
      {wrapOffset, BmpStatus::kDamaged}, {palette, BmpStatus::kDamaged}, {onePalette, BmpStatus::kLoaded}, {tinyInfo, BmpStatus::kDamaged}};
  for (auto [width, height] : std::vector<std::pair<int32_t, int32_t>>{
           {0, 2}, {-4, 2}, {INT_MIN, 2}, {4, 0}, {4, INT_MIN}, {16388, 1}, {4, 16385}, {1 << 28, 1 << 28}})
    cases.push_back({MakeBmp(width, height, 24, kBlueThenRed), BmpStatus::kDamaged});  // impossible sizes
  for (size_t i = 0; i < cases.size(); ++i) {
    const BmpStatus status = Decode(cases[i].first);
    EXPECT_EQ(status, cases[i].second) << "case " << i << ": " << BmpStatusText(status);
  }
}

TEST(BmpReader, ASurfaceHoldsTheDecodedPictureOrNothing) {
  WriteFileBytes("loaded.bmp", MakeBmp(4, 2, 24, kBlueThenRed));
  WriteFileBytes("width6.bmp", MakeBmp(6, 2, 24, Bytes(36)));
  Surface surface;
  ASSERT_EQ(surface.BMP_Load("loaded.bmp"), BmpStatus::kLoaded);
  EXPECT_EQ(std::vector<int32_t>({surface.width, surface.height, surface.depth}), std::vector<int32_t>({4, 2, 32}));
  EXPECT_EQ(surface.pixels.size(), 8u);
  // A failed load replaces what the surface held: no pixels of the previous picture
  // remain under the new header's size, and a missing file says it is no BMP.
  EXPECT_EQ(surface.BMP_Load("width6.bmp"), BmpStatus::kWidthNotMultipleOf4);
  EXPECT_TRUE(surface.pixels.empty());
  EXPECT_EQ(std::pair(surface.width, surface.depth), std::pair(6, 0));
  DecodedBmp decoded;
  EXPECT_EQ(LoadBmpFile("no_such_file.bmp", &decoded), BmpStatus::kNotBmp);
  EXPECT_EQ(decoded.pixels, nullptr);
  EXPECT_TRUE(Surface(decoded).pixels.empty());
}

// Missing and damaged files of the demo's own data: see Tampering.Images.
TEST(BmpReaderDeathTest, FailedLoadsEndTheProgramNamingTheFile) {
  WriteFileBytes("width6.bmp", MakeBmp(6, 2, 24, Bytes(36)));
  EXPECT_EXIT(Surface("width6.bmp"), testing::ExitedWithCode(kExitFatalSeen), "Impossible de charger l'Surface : width6.bmp !!");
  EXPECT_EXIT(Surface(nullptr), testing::ExitedWithCode(kExitFatalSeen), "Surface");
}

// --- Files written by ImageMagick: 8 x 4 pixels of 32 distinct colours ---------------

uint32_t Expected(int i) {
  const int x = i % 8, y = i / 8;
  return static_cast<uint32_t>((x * 37 + y * 11) % 256) << 16 | static_cast<uint32_t>((x * 5 + y * 70) % 256) << 8 |
         static_cast<uint32_t>((x * 90 + y * 3) % 256);
}

// Writes the picture as a PPM and has ImageMagick convert it; returns the file name.
std::string Convert(const std::string& options, const std::string& output) {
  std::string ppm = "P6 8 4 255\n";
  for (int i = 0; i < 32; ++i) ppm += {char(Expected(i) >> 16), char(Expected(i) >> 8), char(Expected(i))};
  const std::string file = output.substr(output.find(':') + 1);  // one source per output: tests run side by side
  WriteFileBytes(file + ".ppm", Bytes(ppm.begin(), ppm.end()));
  const std::string command = "convert " + file + ".ppm " + options + " " + output;
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  return file;
}

void ExpectPicture(const std::string& file, int32_t fileDepth) {
  SCOPED_TRACE(file);
  DecodedBmp decoded;
  ASSERT_EQ(LoadBmpFile(file.c_str(), &decoded), BmpStatus::kLoaded);
  EXPECT_EQ(decoded.bitsPerPixel, fileDepth);
  Surface surface(file.c_str());
  ASSERT_EQ(std::pair(surface.width, surface.height), std::pair(8, 4));
  EXPECT_EQ(surface.depth, 32);
  for (int i = 0; i < 32; ++i) EXPECT_EQ(surface.pixels[i], Expected(i)) << i;
}

TEST(BmpReaderImageMagick, ClassicLargeHeaderAndPaletteFiles) {
  ExpectPicture(Convert("-type TrueColor", "BMP3:im_bmp3.bmp"), 24);
  ExpectPicture(Convert("-type TrueColor", "BMP:im_large.bmp"), 24);  // a later info header, pixels past 54
  ExpectPicture(Convert("-type Palette -compress None", "BMP3:im_pal3.bmp"), 8);
  ExpectPicture(Convert("-type Palette -compress None", "BMP:im_pal.bmp"), 8);  // palette after a 124-byte header
  Surface surface;
  EXPECT_EQ(surface.BMP_Load(Convert("-type Palette", "BMP3:im_rle.bmp").c_str()), BmpStatus::kCompressed);
}

TEST(BmpReaderImageMagick, TopDownCopyAndGapBeforePixels) {
  const Bytes original = ReadFileBytes(Convert("-type TrueColor", "BMP3:im_base.bmp"));
  const long offset = original[10] | original[11] << 8, rowBytes = 8 * 3;
  // Top-down: the same rows in the opposite order, with a negative height.
  Bytes topDown(original.begin(), original.begin() + offset);
  for (long row = 3; row >= 0; --row)
    topDown.insert(topDown.end(), original.begin() + offset + row * rowBytes, original.begin() + offset + (row + 1) * rowBytes);
  Put32(topDown, 22, static_cast<uint32_t>(-4));
  WriteFileBytes("im_top_down.bmp", topDown);
  ExpectPicture("im_top_down.bmp", 24);
  // 100 junk bytes between the headers and the pixels; the offset says where they start.
  Bytes gap = original;
  gap.insert(gap.begin() + offset, 100, 0xAB);
  Put32(gap, 10, static_cast<uint32_t>(offset + 100));
  WriteFileBytes("im_gap.bmp", gap);
  ExpectPicture("im_gap.bmp", 24);
}

}  // namespace

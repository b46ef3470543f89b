// The demo frame's small pieces: the generator, the grab packing and BMP writer, text
// conversion for fatal messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "app/demo.h"
#include "app/fatal_error.h"
#include "app/frame_buffer.h"
#include "app/random.h"
#include "app/screen_grab.h"
#include "tests/app/harness.h"

namespace {

// The grab file of a 512 x 256 picture, written out by hand from the layout.
std::vector<uint8_t> ExpectedGrab(const uint32_t* picture) {
  std::vector<uint8_t> bytes = {
      'B', 'M', 0x3A, 0x00, 0x06, 0x00,  // 393274 bytes
      0, 0, 0, 0,                        // reserved
      58, 0, 0, 0,                       // pixel data offset
      40, 0, 0, 0,                       // info header size
      0x00, 0x02, 0, 0,                  // width 512
      0x00, 0x01, 0, 0,                  // height 256, bottom-up
      1, 0, 24, 0,                       // planes, bits per pixel
      0, 0, 0, 0, 0, 0, 0, 0,            // no compression, image size 0
      0xD0, 0x07, 0, 0, 0xD0, 0x07, 0, 0,  // 2000 pixels per metre
      0, 0, 0, 0, 0, 0, 0, 0,            // colours used, important
      0, 0, 0, 0};                       // the gap
  for (int row = kFrameHeight - 1; row >= 0; --row)
    for (int x = 0; x < kFrameWidth; ++x) {
      const uint32_t pixel = picture[row * kFrameWidth + x];
      bytes.push_back(static_cast<uint8_t>(pixel));
      bytes.push_back(static_cast<uint8_t>(pixel >> 8));
      bytes.push_back(static_cast<uint8_t>(pixel >> 16));
    }
  return bytes;
}

TEST(Random, FirstValuesFollowTheFormulaFromSeedOne) {
  // seed 1 -> 1 * 214013 + 2531011 = 2745024 = 0x0029E2C0, (>> 16) & 0x7FFF = 41; and on.
  zelto::SeedRandom(1);
  const int expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464};
  for (int value : expected) EXPECT_EQ(zelto::rand(), value);
  // The particles scene draws 800 numbers before its first frame; the next one is fixed too.
  zelto::SeedRandom(1);
  for (int i = 0; i < 800; ++i) zelto::rand();
  EXPECT_EQ(zelto::rand(), 4536);
  zelto::SeedRandom(1);
}

TEST(PackRGB24, StoresBlueGreenRedAndDropsTheTopByte) {
  const uint32_t source[3] = {0x00123456u, 0xFF123456u, 0x00ABCDEFu};
  uint8_t out[10];
  std::fill(std::begin(out), std::end(out), 0xEE);
  PackRGB24(source, out, 3);
  const uint8_t expected[9] = {0x56, 0x34, 0x12, 0x56, 0x34, 0x12, 0xEF, 0xCD, 0xAB};
  EXPECT_TRUE(std::equal(expected, expected + 9, out));
  EXPECT_EQ(out[9], 0xEE);  // nothing past the last pixel
  PackRGB24(source, out, 0);
  PackRGB24(source, out, -5);
  EXPECT_EQ(out[0], 0x56);
}

TEST(ScreenGrab, WritesNumberedFilesWithTheExactLayout) {
  WorkDirectory work;
  ResetDemoState();
  TheDemo = new Demo();
  for (int i = 0; i < kFramePixels; ++i)
    TheDemo->frameBuffer[i] = static_cast<uint32_t>(i * 2654435761u) ^ 0xFF000000u;
  TheDemo->frameBuffer[0] = 0xAB123456u;  // top-left, with a top byte that must vanish
  TheDemo->ScreenGrab();
  const std::vector<uint8_t> first = ReadFileBytes("grab_1.bmp");
  ASSERT_EQ(first.size(), 393274u);
  EXPECT_EQ(first, ExpectedGrab(TheDemo->frameBuffer));
  EXPECT_EQ(first[391738], 0x56);  // the top-left pixel is on the last row of the file
  EXPECT_EQ(first[391739], 0x34);
  EXPECT_EQ(first[391740], 0x12);
  EXPECT_EQ(first[54] | first[55] | first[56] | first[57], 0);

  // A file of the next name from an earlier run is replaced.
  { std::ofstream stale("grab_2.bmp"); stale << "old"; }
  TheDemo->frameBuffer[0] = 0;
  TheDemo->ScreenGrab();
  EXPECT_EQ(ReadFileBytes("grab_2.bmp"), ExpectedGrab(TheDemo->frameBuffer));
  EXPECT_EQ(GrabCounter, 3);
  ResetDemoState();
}

TEST(ScreenGrab, AnUnwritableGrabIsDroppedAndTheNumberStillAdvances) {
  WorkDirectory work;
  ResetDemoState();
  TheDemo = new Demo();
  std::fill(TheDemo->frameBuffer, TheDemo->frameBuffer + kFramePixels, 0x00102030u);
  std::filesystem::create_directory("grab_1.bmp");  // even root cannot open a directory as a file
  TheDemo->ScreenGrab();
  TheDemo->ScreenGrab();
  EXPECT_TRUE(std::filesystem::is_directory("grab_1.bmp"));
  EXPECT_EQ(ReadFileBytes("grab_2.bmp").size(), 393274u);
  ResetDemoState();
}

TEST(BmpSave, HeaderSizesFollowTheDepthAndBadInputWritesNothing) {
  WorkDirectory work;
  const uint8_t pixels[4 * 3 * 2] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12,
                                     13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24};
  uint8_t palette[1024];
  for (int i = 0; i < 1024; ++i) palette[i] = static_cast<uint8_t>(i * 7);

  ASSERT_EQ(BMP_Save("eight.bmp", pixels, 4, 2, 8, palette), kBmpSaved);
  std::vector<uint8_t> eight = ReadFileBytes("eight.bmp");
  ASSERT_EQ(eight.size(), 54u + 1024u + 8u);
  EXPECT_EQ(eight[10], 0x36);  // 1078 = 0x436
  EXPECT_EQ(eight[11], 0x04);
  EXPECT_TRUE(std::equal(palette, palette + 1024, eight.begin() + 54));
  // Rows bottom-up: row 1 (bytes 4..7) first.
  EXPECT_EQ(eight[1078], 5);
  EXPECT_EQ(eight[1082], 1);

  ASSERT_EQ(BMP_Save("sixteen.bmp", pixels, 3, 2, 16, nullptr), kBmpSaved);
  std::vector<uint8_t> sixteen = ReadFileBytes("sixteen.bmp");
  ASSERT_EQ(sixteen.size(), 58u + 12u);  // rows of 6 bytes, not padded
  EXPECT_EQ(sixteen[2], 70);
  EXPECT_EQ(sixteen[28], 16);
  EXPECT_EQ(sixteen[58], 7);

  EXPECT_EQ(BMP_Save("none.bmp", pixels, 4, 2, 32, nullptr), kBmpUnsupportedDepth);
  EXPECT_EQ(BMP_Save("none.bmp", pixels, 0, 2, 24, nullptr), kBmpInvalidSize);
  EXPECT_EQ(BMP_Save("none.bmp", pixels, 65536, 65536, 24, nullptr), kBmpInvalidSize);
  EXPECT_FALSE(FileExists("none.bmp"));
  EXPECT_EQ(BMP_Save("no-such-folder/x.bmp", pixels, 4, 2, 24, nullptr), kBmpWriteFailed);
}

TEST(FatalText, Windows1252BecomesUtf8OnTheWayOut) {
  EXPECT_EQ(Windows1252ToUtf8("vis\xE9" "e"), "vis\xC3\xA9" "e");
  EXPECT_EQ(Windows1252ToUtf8("\x80"), "\xE2\x82\xAC");
  EXPECT_EQ(Windows1252ToUtf8("\x81"), "\xEF\xBF\xBD");
  EXPECT_EQ(Windows1252ToUtf8("MIDAS ERREUR : MIDASinit \n"), "MIDAS ERREUR : MIDASinit \n");
}

}  // namespace

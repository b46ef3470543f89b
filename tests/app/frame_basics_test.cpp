// The demo frame's small pieces: the grab packing and BMP writer, text conversion for fatal
// messages. (The shared generator is followed draw by draw in WholeDemo.)
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "app/demo.h"
#include "app/screen_grab.h"
#include "core/fatal_error.h"
#include "core/frame_buffer.h"
#include "tests/app/harness.h"

namespace {

// The grab file of a 512 x 256 picture, written out by hand from the layout.
std::vector<uint8_t> ExpectedGrab(const uint32_t* picture) {
  // "BM", 393274 bytes, reserved, pixels at 58; a 40-byte info header: 512 x 256 stored
  // bottom-up, 1 plane, 24 bits, no compression, image size 0, 2000 pixels per metre both
  // ways, no colour counts; then a four-byte gap of zeros.
  std::vector<uint8_t> bytes = {'B', 'M', 0x3A, 0x00, 0x06, 0x00, 0, 0, 0, 0, 58, 0, 0, 0, 40, 0, 0, 0,
                                0x00, 0x02, 0, 0, 0x00, 0x01, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                0xD0, 0x07, 0, 0, 0xD0, 0x07, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  for (int row = kFrameHeight - 1; row >= 0; --row)
    for (const uint32_t* pixel = picture + row * kFrameWidth; pixel < picture + (row + 1) * kFrameWidth; ++pixel)
      bytes.insert(bytes.end(), {uint8_t(*pixel), uint8_t(*pixel >> 8), uint8_t(*pixel >> 16)});
  return bytes;
}

TEST(ScreenGrab, WritesNumberedFilesWithTheExactLayoutAndDropsAnUnwritableOne) {
  WorkDirectory work;
  ResetDemoState();
  TheDemo = new Demo();
  for (int i = 0; i < kFramePixels; ++i)
    TheDemo->frameBuffer[i] = static_cast<uint32_t>(i * 2654435761u) ^ 0xFF000000u;
  TheDemo->frameBuffer[0] = 0xAB123456u;  // top-left, with a top byte that must vanish
  std::filesystem::create_directory("grab_2.bmp");  // even root cannot open a directory as a file
  { std::ofstream stale("grab_3.bmp"); stale << "old"; }  // from an earlier run: replaced
  for (int i = 0; i < 3; ++i) TheDemo->ScreenGrab();
  const std::vector<uint8_t> first = ReadFileBytes("grab_1.bmp");
  EXPECT_EQ(first, ExpectedGrab(TheDemo->frameBuffer.get()));
  EXPECT_TRUE(std::filesystem::is_directory("grab_2.bmp"));
  EXPECT_EQ(ReadFileBytes("grab_3.bmp"), first);
  EXPECT_EQ(GrabCounter, 4);
  ResetDemoState();
}

TEST(BmpSave, ThePaletteComesBeforeTheRowsAndBadInputWritesNothing) {
  WorkDirectory work;
  const uint8_t pixels[4 * 3 * 2] = {1, 2, 3, 4, 5, 6, 7, 8};  // 4 x 2 at 8 bits; 24 bits reads all
  uint8_t palette[1024];
  for (int i = 0; i < 1024; ++i) palette[i] = static_cast<uint8_t>(i * 7);

  ASSERT_EQ(BMP_Save("eight.bmp", pixels, 4, 2, 8, palette), BmpSaveStatus::kSaved);
  std::vector<uint8_t> eight = ReadFileBytes("eight.bmp");
  ASSERT_EQ(eight.size(), 54u + 1024u + 8u);
  EXPECT_EQ(eight[10] | eight[11] << 8, 1078);  // pixel data after the palette
  EXPECT_TRUE(std::equal(palette, palette + 1024, eight.begin() + 54));
  // Rows bottom-up: row 1 (bytes 4..7) first.
  EXPECT_EQ(std::vector<uint8_t>(eight.begin() + 1078, eight.end()), (std::vector<uint8_t>{5, 6, 7, 8, 1, 2, 3, 4}));

  EXPECT_EQ(BMP_Save("none.bmp", pixels, 4, 2, 32, nullptr), BmpSaveStatus::kUnsupportedDepth);
  EXPECT_EQ(BMP_Save("none.bmp", pixels, 0, 2, 24, nullptr), BmpSaveStatus::kInvalidSize);
  EXPECT_EQ(BMP_Save("none.bmp", pixels, 65536, 65536, 24, nullptr), BmpSaveStatus::kInvalidSize);
  EXPECT_FALSE(std::filesystem::exists("none.bmp"));
  EXPECT_EQ(BMP_Save("no-such-folder/x.bmp", pixels, 4, 2, 24, nullptr), BmpSaveStatus::kWriteFailed);
}

TEST(FatalText, Windows1252BecomesUtf8OnTheWayOut) {
  EXPECT_EQ(Windows1252ToUtf8("vis\xE9" "e"), "vis\xC3\xA9" "e");
  EXPECT_EQ(Windows1252ToUtf8("\x80"), "\xE2\x82\xAC");
  EXPECT_EQ(Windows1252ToUtf8("\x81"), "\xEF\xBF\xBD");
  EXPECT_EQ(Windows1252ToUtf8("MIDAS ERREUR : MIDASinit \n"), "MIDAS ERREUR : MIDASinit \n");
}

}  // namespace

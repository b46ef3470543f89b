// The capture's parts on their own: options, exact times, the PNG and WAV writers, the song
// timeline, the upscale and the report.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "tests/capture/capture_test_support.h"
#include "tools/capture/capture_options.h"
#include "tools/capture/capture_output.h"
#include "tools/capture/render_report.h"
#include "tools/capture/song_timeline.h"
#include "tools/capture/png_writer.h"
#include "tools/capture/wav_writer.h"
#include "tools/xm/xm_writer.h"

namespace {

namespace fs = std::filesystem;

bool Parse(std::vector<const char*> arguments, CaptureOptions* options, std::string* error) {
  arguments.insert(arguments.begin(), "zelto2k-capture");
  error->clear();
  return ParseCaptureOptions(static_cast<int>(arguments.size()), arguments.data(), options, error);
}

TEST(CaptureOptions, DefaultsFollowTheOutputAndMistakesAreRefused) {
  // Good points ("44", "0.2s", "10f") are proven by the whole captures landing on the right frames.
  CapturePoint point;
  std::string error;
  ASSERT_TRUE(ParseCapturePoint("44:16", &point, &error));
  EXPECT_EQ(std::tuple(point.kind, point.order, point.row), std::tuple(CapturePoint::Kind::Song, 44, 16));
  for (const char* bad : {"", "256", "4:256", "-1", "12.5", "1e3s", "s", ".s", "3.s", "12 s", "0x10f",
                          "f", "44:", ":3", "1.0000000001s", "86401s"})
    EXPECT_FALSE(ParseCapturePoint(bad, &point, &error)) << bad;
  ParseCapturePoint("12.5", &point, &error);
  EXPECT_NE(error.find("12.5s"), std::string::npos) << "a number without a unit says how to write a time";

  CaptureOptions options;
  ASSERT_TRUE(Parse({}, &options, &error));
  EXPECT_EQ(std::tuple(options.out, options.scale, options.preset), std::tuple("zelto2k.mp4", 2, "veryfast"));
  EXPECT_EQ(options.to.kind, CapturePoint::Kind::DemoEnd);
  ASSERT_TRUE(Parse({"--quality", "best"}, &options, &error));
  EXPECT_EQ(std::pair(options.scale, options.preset), std::pair(4, std::string("medium")));
  ASSERT_TRUE(Parse({"--quality=best", "--preset", "fast", "--scale", "3"}, &options, &error));
  EXPECT_EQ(std::pair(options.scale, options.preset), std::pair(3, std::string("fast")));
  ASSERT_TRUE(Parse({"--out=frames/", "--fps", "120000/2002"}, &options, &error));
  EXPECT_EQ(std::pair(options.kind, options.scale), std::pair(OutputKind::Folder, 1));
  EXPECT_EQ(std::pair(options.fpsNumerator, options.fpsDenominator), std::pair(60000, 1001));  // reduced, so ffmpeg and the clock agree
  ASSERT_TRUE(Parse({"--out", "x.MKV", "--scale", "2", "--from", "20", "--to", "28"}, &options, &error));
  EXPECT_EQ(std::pair(options.kind, options.scale), std::pair(OutputKind::Mkv, 2));
  const std::vector<std::vector<const char*>> mistakes = {
      {"--nope"}, {"x.mp4"}, {"--out"}, {"--out", "x.avi"}, {"--fps", "0"}, {"--fps", "1/2"},
      {"--fps", "1001/1"}, {"--fps", "60/0"}, {"--fps", "-60"}, {"--scale", "0"}, {"--scale", "9"},
      {"--crf", "52"}, {"--preset", "fastest"}, {"--out", "f/", "--crf", "20"},
      {"--out", "f.mkv", "--preset", "fast"}, {"--help=yes"}, {"--from", "1.5"}, {"--quality", "good"},
      {"--out", "f.mkv", "--quality", "best"}};
  for (const std::vector<const char*>& arguments : mistakes)
    EXPECT_FALSE(Parse(arguments, &options, &error) || error.empty()) << arguments[0];
}

TEST(FrameAtSeconds, IsTheFirstFrameAtOrAfterTheTimeExactly) {
  // seconds, fps numerator and denominator, frame: 179.82 frames round up, exactly 60 does
  // not, and a day at a million fps does not overflow.
  const int64_t cases[6][5] = {{3, 1, 60, 1, 180}, {3, 1, 60000, 1001, 180}, {1001, 1000, 60000, 1001, 60},
                               {1, 2, 30, 1, 15}, {0, 1, 60, 1, 0}, {86400000000000, 1000000000, 1000000, 1000, 86400000}};
  for (const auto& c : cases) EXPECT_EQ(FrameAtSeconds({c[0], c[1]}, c[2], c[3]), c[4]) << c[0] << "/" << c[1];
}

// Pixels for the PNG round trips: noise, so that the compressor finds no match and the
// filters no pattern, with rows copied from `period` rows above when period > 0.
std::vector<uint32_t> NoiseRows(int32_t width, int32_t height, int32_t period) {
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
  for (size_t i = 0; i < pixels.size(); ++i) {
    const size_t row = i / static_cast<size_t>(width);
    pixels[i] = period > 0 && row >= static_cast<size_t>(period) ? pixels[i - static_cast<size_t>(period) * width]
                                                                   : static_cast<uint32_t>(i * 2654435761u) & 0x00FFFFFFu;
  }
  return pixels;
}

TEST(PngWriter, StoredAndCompressedPicturesDecodeToTheirPixels) {
  // 1 + 3 * 21845 = 65536 bytes a row: the first stored block ends one byte before the
  // first row. Rows of 512 pixels are 1537 bytes: a copy 21 rows up lies 32277 bytes back,
  // inside the compressor's 32 KB window, and 22 rows up (33814) just outside it.
  struct Case {
    int32_t width, height, period;
  };
  const Case cases[] = {{1, 1, 0}, {3, 2, 0}, {21845, 1, 0}, {512, 256, 0}, {512, 60, 21}, {512, 60, 22}, {300, 40, 1}};
  const std::string file = "png_writer.png";
  std::string error;
  for (const PngPacking packing : {PngPacking::kStored, PngPacking::kCompressed}) {
    for (const Case& c : cases) {
      const std::vector<uint32_t> pixels = NoiseRows(c.width, c.height, c.period);
      ASSERT_TRUE(WritePngFile(file, pixels.data(), c.width, c.height, &error, packing)) << error;
      const std::string read = DecodePictures(file);
      ASSERT_EQ(read.size(), pixels.size() * 4) << c.width << "x" << c.height << " period " << c.period;
      EXPECT_EQ(std::memcmp(read.data(), pixels.data(), read.size()), 0)
          << c.width << "x" << c.height << " period " << c.period << (packing == PngPacking::kStored ? " stored" : "");
    }
  }
  fs::remove(file);

  // Flat areas, gradients and repeats are what the documentation's pictures are made of.
  std::vector<uint32_t> gradient(512 * 256);
  for (size_t i = 0; i < gradient.size(); ++i) gradient[i] = static_cast<uint32_t>((i / 512) * 0x010101 + (i % 512) / 8);
  EXPECT_LT(EncodePng(gradient.data(), 512, 256, PngPacking::kCompressed).size() * 20,
            EncodePng(gradient.data(), 512, 256).size());
  const std::vector<uint32_t> repeats = NoiseRows(512, 60, 21);
  EXPECT_LT(EncodePng(repeats.data(), 512, 60, PngPacking::kCompressed).size() * 2, EncodePng(repeats.data(), 512, 60).size());

  const uint32_t withTopByte = 0xFF123456u, withoutIt = 0x00123456u;
  EXPECT_EQ(EncodePng(&withTopByte, 1, 1), EncodePng(&withoutIt, 1, 1));
  EXPECT_EQ(EncodePng(&withTopByte, 1, 1, PngPacking::kCompressed), EncodePng(&withoutIt, 1, 1, PngPacking::kCompressed));
  EXPECT_FALSE(WritePngFile("/nonexistent-folder/x.png", &withTopByte, 1, 1, &error));
  EXPECT_NE(error.find("/nonexistent-folder/x.png"), std::string::npos);
}

TEST(WavWriter, HeaderAlwaysDescribesTheSamplesWritten) {
  const std::string file = "wav_writer.wav";
  std::string error;
  std::vector<int16_t> samples(2 * 30000);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int16_t>(i * 37 - 30000);
  WavWriter writer;
  ASSERT_TRUE(writer.Open(file, &error) && writer.Append(samples.data(), 30000, &error));
  ASSERT_TRUE(writer.Append(samples.data(), 30000, &error));  // past a second: sizes rewritten
  std::fflush(nullptr);
  EXPECT_GE(ReadCaptureWav(file).size(), 2u * 48000) << "a writer stopped here leaves a whole file";
  ASSERT_TRUE(writer.Append(samples.data(), 1, &error) && writer.Close(&error));
  const std::vector<int16_t> read = ReadCaptureWav(file);
  ASSERT_EQ(read.size(), 2u * 60001);
  EXPECT_EQ(read[0], -30000);
  EXPECT_EQ(read[2 * 60000 + 1], samples[1]);
  WavWriter unopened;
  EXPECT_FALSE(unopened.Append(samples.data(), 1, &error));
  EXPECT_FALSE(unopened.Open("/nonexistent-folder/audio.wav", &error));
  fs::remove(file);
}

TEST(SongTimeline, FindsTheEndOrSaysTheSongNeverGetsThere) {
  std::string error;
  ASSERT_TRUE(xm::WriteXm("timeline_whole.xm", xm::MakeTestModule(kSongPositionsNeeded, 1, 2, 125)) &&
              xm::WriteXm("timeline_short.xm", xm::MakeTestModule(50, 1, 2, 125)));
  SongTimeline timeline;
  ASSERT_TRUE(BuildSongTimeline("timeline_whole.xm", 60000, 1001, 100000, &timeline, &error));
  ASSERT_GT(timeline.demoFrames, 0);
  EXPECT_EQ(FirstFrameAtSong(timeline, kDemoEndOrder, 0), timeline.demoFrames);
  // 40 ms an order: order 44 is heard 1.76 s in, and seen the frame after the one that plays it.
  EXPECT_NEAR(static_cast<double>(FirstFrameAtSong(timeline, 44, 0)), 1.76 * 60000 / 1001 + 1, 1.0);
  EXPECT_EQ(FirstFrameAtSong(timeline, 44, 1), FirstFrameAtSong(timeline, 45, 0)) << "a 1-row order has no row 1";

  // 50 orders then a loop: the end logo would wait for its end order for ever.
  ASSERT_TRUE(BuildSongTimeline("timeline_short.xm", 60, 1, 2000, &timeline, &error));
  EXPECT_EQ(timeline.demoFrames, -1);
  EXPECT_EQ(FirstFrameAtSong(timeline, 60, 0), -1);
  EXPECT_FALSE(BuildSongTimeline("none.xm", 60, 1, 10, &timeline, &error) || error.find("none.xm") == std::string::npos);
  fs::remove("timeline_whole.xm");
  fs::remove("timeline_short.xm");
}

TEST(ScaleNearest, EverySourcePixelBecomesAWholeBlock) {
  const uint32_t source[6] = {1, 2, 3, 4, 5, 6};  // 3 x 2
  std::vector<uint32_t> scaled(9 * 6);
  ScaleNearest(source, 3, 2, 3, scaled.data());
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 9; ++x) EXPECT_EQ(scaled[static_cast<size_t>(y * 9 + x)], source[(y / 3) * 3 + x / 3]);
}

TEST(RenderReport, MedianAndWorstPerSceneAndSpeeds) {
  RenderReport report;
  for (double ms : {2.0, 1.0, 9.0}) report.Add(SceneAt(20), ms / 1000.0);
  // 120 frames at 60 fps rendered and written: 2 s of demo rendered in 0.5 s, written in 4 s.
  const std::string text = report.Format({120, 120, 60, 1, 0.5, 4.0});
  EXPECT_NE(text.find("ball                  3       2.00       9.00"), std::string::npos) << text;
  EXPECT_EQ(text.find("particles"), std::string::npos) << "scenes without frames are left out";
  EXPECT_NE(text.find("4.00x real time"), std::string::npos) << text;
  EXPECT_NE(text.find("0.50x real time"), std::string::npos) << text;
}

}  // namespace

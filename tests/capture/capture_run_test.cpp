// Whole captures, compared with what the demo presents on the offline backend in-process:
// the same frames, the same audio, starting and stopping on the right frames, a valid
// .mp4 and a lossless .mkv, clear failures, and a clean stop on Ctrl-C or a dying demo.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <tuple>

#include "app/demo.h"
#include "app/music.h"
#include "core/exit_codes.h"
#include "platform/offline.h"
#include "scenes/scene_table.h"
#include "tests/capture/capture_test_support.h"

namespace {

namespace fs = std::filesystem;

constexpr size_t kPixels = 512 * 256;

// What the demo presents at 30 fps with the test module, run in this process: every picture,
// the song position the scene saw while drawing it, and where each frame's audio starts.
std::vector<std::vector<uint32_t>> Pictures;
std::vector<int32_t> Positions;
std::vector<int16_t> Audio;
std::vector<size_t> AudioStarts;
std::string Folder;

std::string Path(const std::string& name) { return (fs::path(Folder) / name).string(); }

int64_t FirstFrameAtOrder(int32_t order) {
  return std::find_if(Positions.begin(), Positions.end(), [&](int32_t at) { return at >= order; }) - Positions.begin();
}
std::vector<int16_t> AudioOf(size_t first, size_t end) {
  return std::vector<int16_t>(Audio.begin() + static_cast<ptrdiff_t>(AudioStarts[first]),
                              Audio.begin() + static_cast<ptrdiff_t>(AudioStarts[end]));
}

std::vector<int16_t> Wav(const std::string& folder) { return ReadCaptureWav(folder + "/audio.wav"); }

// The pictures and sound of `input` (a lossless video, or a folder's frames and WAV) equal
// the reference frames from `first` on and their audio.
void ExpectReferenceFrames(const std::string& input, size_t first, size_t count) {
  const std::vector<int16_t> audio = AudioOf(first, first + count);
  const bool folder = fs::is_directory(input);
  if (folder) {
    ASSERT_EQ(static_cast<size_t>(CountFrames(input)), count);
    EXPECT_EQ(Wav(input), audio);
  } else {
    EXPECT_EQ(CommandOutput("ffmpeg -v error -i '" + input + "' -f s16le -"),
              std::string(reinterpret_cast<const char*>(audio.data()), audio.size() * 2));
  }
  const std::string pixels = DecodePictures(folder ? input + "/frame_%06d.png" : input);
  ASSERT_EQ(pixels.size(), count * kPixels * 4) << input;
  for (size_t frame = 0; frame < count; ++frame)
    ASSERT_EQ(std::memcmp(pixels.data() + frame * kPixels * 4, Pictures[first + frame].data(), kPixels * 4), 0)
        << "frame " << first + frame;
}

// Runs a capture in the demo folder that must succeed.
bool Captured(const std::vector<std::string>& arguments) {
  const ProgramResult result = RunCapture(Folder, arguments);
  EXPECT_EQ(result.exitCode, 0) << result.errorOutput;
  return result.exitCode == 0;
}

class CaptureRun : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    Folder = (fs::temp_directory_path() / "zelto2k-capture-run-XXXXXX").string();
    ASSERT_TRUE(mkdtemp(Folder.data()));
    // One-row orders of 40 ms: the whole demo in under four seconds.
    MakeDemoFolder(Folder, kSongPositionsNeeded, 1, 2, 125);
    const fs::path previous = fs::current_path();
    fs::current_path(Folder);
    platform::OfflineSettings settings;
    settings.fpsNumerator = 30;
    settings.frameSink = [](const platform::OfflineFrame& frame) {
      Pictures.emplace_back(frame.picture, frame.picture + kPixels);
      Positions.push_back(MusicPosition.load());
    };
    settings.audioSink = [](const int16_t* samples, int32_t frames) {  // once a frame
      AudioStarts.push_back(Audio.size());
      Audio.insert(Audio.end(), samples, samples + 2 * frames);
    };
    platform::OfflineReset(settings);
    EXPECT_EQ(DemoMain(), 0);
    AudioStarts.push_back(Audio.size());
    ResetDemoState();
    fs::current_path(previous);
  }
  static void TearDownTestSuite() { fs::remove_all(Folder); }
};

TEST_F(CaptureRun, AWholeCaptureIsTheDemoFrameForFrameAndTimesCutItExactly) {
  // The demo returns from main here (no --to): the exit handlers run after the capture
  // is gone, and must not touch it.
  ASSERT_GE(Pictures.size(), 90u);
  const ProgramResult result = RunCapture(Folder, {"--out", "whole/", "--fps", "30"});
  ASSERT_EQ(result.exitCode, 0) << result.errorOutput;
  EXPECT_EQ(result.errorOutput, "") << "no warning: the song timeline matched the demo";
  ExpectReferenceFrames(Path("whole"), 0, Pictures.size());

  // 30000/1001 fps: 1601.6 sample frames a frame, from 1 s (frame 30) to 3 s (frame 90).
  ASSERT_TRUE(Captured({"--out", "ntsc/", "--fps", "30000/1001", "--from", "1s", "--to", "3s"}));
  EXPECT_EQ(CountFrames(Path("ntsc")), 60);
  // floor(90 * 48000 * 1001 / 30000) - floor(30 * 48000 * 1001 / 30000)
  EXPECT_EQ(Wav(Path("ntsc")).size(), 2u * (144144 - 48048));
}

TEST_F(CaptureRun, FromAndToLandOnTheRightFrames) {
  // From a fifth of a second (frame 6) to the end of the particles scene.
  const int64_t object = FirstFrameAtOrder(12);
  ASSERT_GT(object, 7);
  ASSERT_TRUE(Captured({"--out", "range/", "--fps", "30", "--from", "0.2s", "--to", "12"}));
  ExpectReferenceFrames(Path("range"), 6, static_cast<size_t>(object - 6));

  // The end logo's first two frames, into the same folder: the longer capture's frames go.
  const int64_t endLogo = FirstFrameAtOrder(44);
  ASSERT_GT(endLogo, 0);
  ASSERT_TRUE(Captured({"--out", "range/", "--fps", "30", "--from", "44", "--to", std::to_string(endLogo + 2) + "f"}));
  ExpectReferenceFrames(Path("range"), endLogo, 2);
}

TEST_F(CaptureRun, Mp4PassesFfprobeAndMkvIsLossless) {
  ASSERT_TRUE(Captured({"--out", "short.mp4", "--fps", "30", "--scale", "2", "--to", "2s", "--preset", "ultrafast"}));
  EXPECT_FALSE(fs::exists(Path("short.mp4.parts")));
  // Video, audio and the file all last exactly two seconds (60 frames at 30/1, 94 AAC frames).
  EXPECT_EQ(CommandOutput("ffprobe -v error -count_frames -show_entries stream=codec_name,width,height,pix_fmt,r_frame_rate,"
                  "nb_read_frames,duration:format=duration -of csv=p=0 " + Path("short.mp4")),
            "h264,1024,512,yuv420p,30/1,2.000000,60\naac,0/0,2.000000,94\n2.000000\n");
  // Fast start: the index comes before the media data.
  EXPECT_LT(ReadText(Path("short.mp4")).find("moov"), ReadText(Path("short.mp4")).find("mdat"));

  ASSERT_TRUE(Captured({"--out", "exact.mkv", "--fps", "30", "--to", "10f"}));
  ExpectReferenceFrames(Path("exact.mkv"), 0, 10);
}

TEST_F(CaptureRun, FailuresSayWhatWentWrongWithTheirExitCode) {
  std::fclose(std::fopen(Path("plain-file").c_str(), "w"));
  fs::create_directories(Path("no-music"));
  // Folder, arguments, PATH, exit code and a text the message must hold. Without ffmpeg the
  // message points to the output that needs none, and that output still works.
  const std::vector<std::tuple<std::string, std::vector<std::string>, const char*, int, const char*>> failures = {
      {Folder, {"--fps", "sixty"}, nullptr, 2, "sixty"},
      {Folder, {"--out", "late/", "--from", "96:1"}, nullptr, 2, "96:1"},  // past the end: refused before running
      {Folder, {"--out", "plain-file/frames/", "--to", "1f"}, nullptr, 3, "plain-file"},
      {Folder, {"--out", "plain-file/video.mp4", "--to", "1f"}, nullptr, 3, "plain-file"},
      {Folder, {"--out", "nowhere.mp4", "--to", "1f"}, "/nonexistent", 4, "ffmpeg"},
      {Folder, {"--out", "nowhere.mp4", "--to", "1f"}, "/nonexistent", 4, "PNG"},
      {Folder, {"--out", "without-ffmpeg/", "--to", "2f"}, "/nonexistent", 0, ""},
      {Path("no-music"), {"--out", "x/"}, nullptr, 1, "data/mowt.xm"}};
  for (const auto& [folder, arguments, path, code, text] : failures) {
    const ProgramResult result = RunCapture(folder, arguments, path);
    EXPECT_EQ(result.exitCode, code) << arguments[1];
    EXPECT_NE(result.errorOutput.find(text), std::string::npos) << result.errorOutput;
  }
}

TEST_F(CaptureRun, CtrlCKeepsAWholeCaptureOfWhatWasDone) {
  const std::string slow = Path("slow");
  MakeDemoFolder(slow, 97, 64, 6, 125);  // 7.7 s an order
  const std::string frames = slow + "/frames";
  // Ctrl-C while the capture would run for minutes: it ends by itself with 130.
  const auto sixFrames = [&] { return fs::exists(frames + "/frame_000005.png"); };
  EXPECT_EQ(RunCapture(slow, {"--out", "frames/", "--fps", "30"}, nullptr, sixFrames).exitCode, 130);
  const int count = CountFrames(frames);
  ASSERT_GE(count, 5);
  EXPECT_EQ(DecodePictures(frames + "/frame_%06d.png").size(), count * kPixels * 4) << "the last PNG is whole";
  EXPECT_EQ(Wav(frames).size(), 2u * 1600 * static_cast<size_t>(count)) << "the audio of every frame kept";

  const std::string wav = slow + "/video.mp4.parts/audio.wav";
  const auto oneSecond = [&] { return fs::exists(wav) && fs::file_size(wav) > 48000 * 4; };
  EXPECT_EQ(RunCapture(slow, {"--out", "video.mp4", "--fps", "30", "--scale", "1", "--preset", "ultrafast"}, nullptr, oneSecond).exitCode, 130);
  EXPECT_FALSE(fs::exists(slow + "/video.mp4.parts"));
  EXPECT_GE(std::atoi(CommandOutput("ffprobe -v error -count_frames -show_entries stream=nb_read_frames -of csv=p=0 " + slow +
                            "/video.mp4").c_str()), 30);
}

TEST_F(CaptureRun, ADemoThatDiesMidwayLeavesNoHalfMadeFile) {
  // Without the end logo's picture the rotozoom scene cannot start: the demo ends the
  // process from inside, in the middle of the capture.
  const std::string broken = Path("broken");
  MakeDemoFolder(broken, 97, 1, 2, 125);
  fs::remove(broken + "/data/logofin.bmp");
  ProgramResult result = RunCapture(broken, {"--out", "frames/", "--fps", "30"});
  EXPECT_EQ(result.exitCode, kExitFatalSeen) << result.errorOutput;
  const int frames = CountFrames(broken + "/frames");
  EXPECT_GT(frames, 30);
  EXPECT_EQ(Wav(broken + "/frames").size(), 2u * 1600 * static_cast<size_t>(frames)) << "the WAV is closed whole";
  result = RunCapture(broken, {"--out", "video.mp4", "--fps", "30", "--scale", "1", "--preset", "ultrafast"});
  EXPECT_EQ(result.exitCode, kExitFatalSeen) << result.errorOutput;
  EXPECT_FALSE(fs::exists(broken + "/video.mp4.parts")) << "no encoder left running, no parts left";
  EXPECT_FALSE(fs::exists(broken + "/video.mp4"));
}

}  // namespace

// Whole captures, compared with what the demo presents on the offline backend in-process:
// the same frames, the same audio, starting and stopping on the right frames, a valid
// .mp4 and a lossless .mkv, clear failures, and a clean stop on Ctrl-C.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <filesystem>
#include <thread>

#include "app/demo.h"
#include "app/music.h"
#include "platform/offline.h"
#include "tests/capture/capture_test_support.h"
#include "tools/capture/child_program.h"

namespace {

namespace fs = std::filesystem;

constexpr size_t kPixels = 512 * 256;

// What the demo presents at 30 fps with the test module: every picture, the song position
// the scene saw while drawing it, and the frame's audio.
struct Reference {
  std::vector<std::vector<uint32_t>> pictures;
  std::vector<int32_t> positions;
  std::vector<std::vector<int16_t>> audio;

  int64_t FirstFrameAtOrder(int32_t order) const {
    for (size_t i = 0; i < positions.size(); ++i)
      if (positions[i] >= order) return static_cast<int64_t>(i);
    return -1;
  }
  std::vector<int16_t> AudioOf(int64_t first, int64_t end) const {
    std::vector<int16_t> samples;
    for (int64_t i = first; i < end; ++i)
      samples.insert(samples.end(), audio[static_cast<size_t>(i)].begin(), audio[static_cast<size_t>(i)].end());
    return samples;
  }
};

std::string Folder;
Reference* TheReference = nullptr;

std::string Shell(const std::string& command) {
  std::string output;
  if (std::FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, got);
    pclose(pipe);
  }
  return output;
}

bool HaveFfmpeg() { return !Shell("command -v ffmpeg && command -v ffprobe").empty(); }

class CaptureRun : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string pattern = (fs::temp_directory_path() / "zelto2k-capture-run-XXXXXX").string();
    ASSERT_TRUE(mkdtemp(pattern.data()));
    Folder = pattern;
    // 97 one-row orders of 40 ms: the whole demo in under four seconds.
    MakeDemoFolder(Folder, 97, 1, 2, 125);
  }

  // The demo run in this process, once, by the tests that compare with it.
  static const Reference& Demo() {
    if (TheReference) return *TheReference;
    TheReference = new Reference;
    const fs::path previous = fs::current_path();
    fs::current_path(Folder);
    platform::OfflineSettings settings;
    settings.fpsNumerator = 30;
    settings.frameSink = [](const platform::OfflineFrame& frame) {
      TheReference->pictures.emplace_back(frame.picture, frame.picture + kPixels);
      TheReference->positions.push_back(MusicPosition.load());
    };
    settings.audioSink = [](const int16_t* samples, int32_t frames) {
      TheReference->audio.emplace_back(samples, samples + 2 * frames);
    };
    platform::OfflineReset(settings);
    EXPECT_EQ(DemoMain(), 0);
    ResetDemoState();
    fs::current_path(previous);
    return *TheReference;
  }
  static void TearDownTestSuite() {
    delete TheReference;
    TheReference = nullptr;
    fs::remove_all(Folder);
  }

  static std::string Path(const std::string& name) { return (fs::path(Folder) / name).string(); }

  // Every frame_*.png of `folder` equals the reference frames from `first` on.
  static void ExpectReferenceFrames(const std::string& folder, int64_t first, int count) {
    ASSERT_EQ(CountFrames(folder), count);
    for (int i = 0; i < count; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "/frame_%06d.png", i);
      int32_t width = 0, height = 0;
      std::vector<uint32_t> pixels;
      std::string error;
      ASSERT_TRUE(ReadCapturePng(folder + name, &width, &height, &pixels, &error)) << name << ": " << error;
      ASSERT_EQ(width, 512);
      ASSERT_EQ(height, 256);
      ASSERT_EQ(pixels, Demo().pictures[static_cast<size_t>(first + i)]) << "frame " << first + i;
    }
  }

  static std::vector<int16_t> Wav(const std::string& folder) {
    std::vector<int16_t> samples;
    std::string error;
    EXPECT_TRUE(ReadCaptureWav(folder + "/audio.wav", &samples, &error)) << error;
    return samples;
  }
};

TEST_F(CaptureRun, ThreeSecondsToPngAndWavAreTheDemoByteForByte) {
  ASSERT_GE(Demo().pictures.size(), 90u);
  for (const char* name : {"a", "b"}) {
    const ProgramResult result = RunCapture(Folder, {"--out", std::string(name) + "/", "--fps", "30", "--to", "3s"});
    ASSERT_EQ(result.exitCode, 0) << result.errorOutput;
    EXPECT_EQ(result.errorOutput, "") << "no warning: the song timeline matched the demo";
  }
  for (const fs::directory_entry& entry : fs::directory_iterator(Path("a")))
    ASSERT_EQ(ReadBytes(entry.path().string()), ReadBytes(Path("b/" + entry.path().filename().string())))
        << entry.path().filename();
  ExpectReferenceFrames(Path("a"), 0, 90);
  const std::vector<int16_t> audio = Wav(Path("a"));
  EXPECT_EQ(audio.size(), 2u * 144000);
  EXPECT_EQ(audio, Demo().AudioOf(0, 90));
}

TEST_F(CaptureRun, RationalRateAudioAddsUpWithoutDrift) {
  // 30000/1001 fps: 1601.6 sample frames a frame. From 1 s (frame 30) to 3 s (frame 90).
  const ProgramResult result = RunCapture(Folder, {"--out", "ntsc/", "--fps", "30000/1001", "--from", "1s", "--to", "3s"});
  ASSERT_EQ(result.exitCode, 0) << result.errorOutput;
  EXPECT_EQ(CountFrames(Path("ntsc")), 60);
  // floor(90 * 48000 * 1001 / 30000) - floor(30 * 48000 * 1001 / 30000)
  EXPECT_EQ(Wav(Path("ntsc")).size(), 2u * (144144 - 48048));
}

TEST_F(CaptureRun, FromAndToLandOnTheRightFrames) {
  // From a fifth of a second (frame 6) to the end of the particles scene.
  const int64_t object = Demo().FirstFrameAtOrder(12);
  ASSERT_GT(object, 7);
  ProgramResult result = RunCapture(Folder, {"--out", "range/", "--fps", "30", "--from", "0.2s", "--to", "12"});
  ASSERT_EQ(result.exitCode, 0) << result.errorOutput;
  ExpectReferenceFrames(Path("range"), 6, static_cast<int>(object - 6));
  EXPECT_EQ(Wav(Path("range")), Demo().AudioOf(6, object));

  // The end logo's first two frames, into the same folder: the longer capture's frames go.
  const int64_t endLogo = Demo().FirstFrameAtOrder(44);
  ASSERT_GT(endLogo, 0);
  result = RunCapture(Folder, {"--out", "range/", "--fps", "30", "--from", "44", "--to",
                               std::to_string(endLogo + 2) + "f"});
  ASSERT_EQ(result.exitCode, 0) << result.errorOutput;
  ExpectReferenceFrames(Path("range"), endLogo, 2);
  EXPECT_EQ(Wav(Path("range")), Demo().AudioOf(endLogo, endLogo + 2));

  // Past the end: refused before anything runs.
  result = RunCapture(Folder, {"--out", "late/", "--fps", "30", "--from", "96:1"});
  EXPECT_EQ(result.exitCode, 2);
  EXPECT_NE(result.errorOutput.find("96:1"), std::string::npos) << result.errorOutput;
}

TEST_F(CaptureRun, Mp4PassesFfprobeWithMatchingStreams) {
  if (!HaveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed";
  const ProgramResult result = RunCapture(Folder, {"--out", "short.mp4", "--fps", "30", "--scale", "2", "--to", "2s",
                                                   "--preset", "ultrafast"});
  ASSERT_EQ(result.exitCode, 0) << result.errorOutput;
  EXPECT_FALSE(fs::exists(Path("short.mp4.parts")));
  const std::string probe = Shell("ffprobe -v error -count_frames -show_entries "
                                  "stream=codec_type,codec_name,width,height,pix_fmt,r_frame_rate,nb_read_frames,"
                                  "duration:format=duration -of default=noprint_wrappers=1 " + Path("short.mp4"));
  for (const char* expected : {"codec_name=h264", "width=1024", "height=512", "pix_fmt=yuv420p",
                               "r_frame_rate=30/1", "nb_read_frames=60", "codec_name=aac"})
    EXPECT_NE(probe.find(std::string(expected) + "\n"), std::string::npos) << expected << " in\n" << probe;
  // Both streams and the file last exactly two seconds.
  size_t durations = 0;
  for (size_t at = probe.find("duration="); at != std::string::npos; at = probe.find("duration=", at + 1)) {
    EXPECT_NEAR(std::atof(probe.c_str() + at + 9), 2.0, 0.001) << probe;
    ++durations;
  }
  EXPECT_EQ(durations, 3u) << probe;
  // Fast start: the index comes before the media data.
  const std::vector<uint8_t> bytes = ReadBytes(Path("short.mp4"));
  const std::string text(bytes.begin(), bytes.end());
  EXPECT_LT(text.find("moov"), text.find("mdat"));
}

TEST_F(CaptureRun, MkvIsLosslessPictureAndSound) {
  if (!HaveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed";
  const ProgramResult result = RunCapture(Folder, {"--out", "exact.mkv", "--fps", "30", "--to", "10f"});
  ASSERT_EQ(result.exitCode, 0) << result.errorOutput;
  const std::string pixels = Shell("ffmpeg -v error -i " + Path("exact.mkv") + " -f rawvideo -pix_fmt bgr0 -");
  ASSERT_EQ(pixels.size(), 10 * kPixels * 4);
  for (size_t frame = 0; frame < 10; ++frame)
    EXPECT_EQ(std::memcmp(pixels.data() + frame * kPixels * 4, Demo().pictures[frame].data(), kPixels * 4), 0)
        << "frame " << frame;
  const std::string sound = Shell("ffmpeg -v error -i " + Path("exact.mkv") + " -f s16le -");
  const std::vector<int16_t> expected = Demo().AudioOf(0, 10);
  ASSERT_EQ(sound.size(), expected.size() * 2);
  EXPECT_EQ(std::memcmp(sound.data(), expected.data(), sound.size()), 0);
}

TEST_F(CaptureRun, FailuresSayWhatWentWrongWithTheirExitCode) {
  ProgramResult result = RunCapture(Folder, {"--fps", "sixty"});
  EXPECT_EQ(result.exitCode, 2);
  EXPECT_NE(result.errorOutput.find("sixty"), std::string::npos) << result.errorOutput;

  std::FILE* file = std::fopen(Path("plain-file").c_str(), "w");
  ASSERT_TRUE(file);
  std::fclose(file);
  for (const char* out : {"plain-file/frames/", "plain-file/video.mp4"}) {
    result = RunCapture(Folder, {"--out", out, "--to", "1f"});
    EXPECT_EQ(result.exitCode, 3) << out << ": " << result.errorOutput;
    EXPECT_NE(result.errorOutput.find("plain-file"), std::string::npos) << result.errorOutput;
  }

  result = RunCapture(Folder, {"--out", "nowhere.mp4", "--to", "1f"}, "/nonexistent");
  EXPECT_EQ(result.exitCode, 4);
  EXPECT_NE(result.errorOutput.find("ffmpeg"), std::string::npos) << result.errorOutput;
  EXPECT_NE(result.errorOutput.find("PNG"), std::string::npos) << "points to the output that needs no ffmpeg";
  result = RunCapture(Folder, {"--out", "without-ffmpeg/", "--to", "2f"}, "/nonexistent");
  EXPECT_EQ(result.exitCode, 0) << result.errorOutput;

  const std::string empty = Path("no-music");
  fs::create_directories(empty);
  result = RunCapture(empty, {"--out", "x/"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.errorOutput.find("data/mowt.xm"), std::string::npos) << result.errorOutput;
}

// Starts a capture of a demo that would run for minutes, waits until `ready` holds, then
// sends Ctrl-C's signal: the capture must end by itself with 130.
int InterruptWhen(const std::string& folder, const std::vector<std::string>& arguments,
                  const std::function<bool()>& ready) {
  std::vector<std::string> command = {ZELTO_CAPTURE_PROGRAM};
  command.insert(command.end(), arguments.begin(), arguments.end());
  const fs::path previous = fs::current_path();
  fs::current_path(folder);
  ChildProgram program;
  std::string error;
  const bool started = program.Start(command, false, "interrupted.log", &error);
  fs::current_path(previous);
  if (!started) return -2;
  for (int wait = 0; wait < 1200 && !ready(); ++wait) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  kill(program.pid(), SIGINT);
  return program.Wait();
}

TEST_F(CaptureRun, CtrlCKeepsAWholeCaptureOfWhatWasDone) {
  const std::string slow = Path("slow");
  MakeDemoFolder(slow, 97, 64, 6, 125);  // 7.7 s an order
  const std::string frames = slow + "/frames";
  EXPECT_EQ(InterruptWhen(slow, {"--out", "frames/", "--fps", "30"},
                          [&] { return fs::exists(frames + "/frame_000005.png"); }),
            130);
  const int count = CountFrames(frames);
  ASSERT_GE(count, 5);
  int32_t width, height;
  std::vector<uint32_t> pixels;
  std::string error;
  char last[32];
  std::snprintf(last, sizeof last, "/frame_%06d.png", count - 1);
  EXPECT_TRUE(ReadCapturePng(frames + last, &width, &height, &pixels, &error)) << error;
  EXPECT_EQ(Wav(frames).size(), 2u * 1600 * static_cast<size_t>(count)) << "the audio of every frame kept";

  if (!HaveFfmpeg()) return;
  const std::string wav = slow + "/video.mp4.parts/audio.wav";
  EXPECT_EQ(InterruptWhen(slow, {"--out", "video.mp4", "--fps", "30", "--scale", "1", "--preset", "ultrafast"},
                          [&] { return fs::exists(wav) && fs::file_size(wav) > 48000 * 4; }),
            130);
  EXPECT_FALSE(fs::exists(slow + "/video.mp4.parts"));
  const std::string probe = Shell("ffprobe -v error -count_frames -show_entries stream=nb_read_frames,duration "
                                  "-of default=noprint_wrappers=1 " + slow + "/video.mp4");
  const size_t framesAt = probe.find("nb_read_frames=");
  ASSERT_NE(framesAt, std::string::npos) << probe;
  EXPECT_GE(std::atoi(probe.c_str() + framesAt + 15), 30) << probe;
}

}  // namespace

namespace {

TEST_F(CaptureRun, ADemoThatDiesMidwayLeavesNoHalfMadeFile) {
  // Without the end logo's picture the rotozoom scene cannot start: the demo ends the
  // process from inside, in the middle of the capture.
  const std::string broken = Path("broken");
  MakeDemoFolder(broken, 97, 1, 2, 125);
  fs::remove(broken + "/data/logofin.bmp");
  ProgramResult result = RunCapture(broken, {"--out", "frames/", "--fps", "30"});
  EXPECT_EQ(result.exitCode, 9999 & 0xFF) << result.errorOutput;
  const int frames = CountFrames(broken + "/frames");
  EXPECT_GT(frames, 30);
  EXPECT_EQ(Wav(broken + "/frames").size(), 2u * 1600 * static_cast<size_t>(frames)) << "the WAV is closed whole";
  if (!HaveFfmpeg()) return;
  result = RunCapture(broken, {"--out", "video.mp4", "--fps", "30", "--scale", "1", "--preset", "ultrafast"});
  EXPECT_EQ(result.exitCode, 9999 & 0xFF) << result.errorOutput;
  EXPECT_FALSE(fs::exists(broken + "/video.mp4.parts")) << "no encoder left running, no parts left";
  EXPECT_FALSE(fs::exists(broken + "/video.mp4"));
}

}  // namespace

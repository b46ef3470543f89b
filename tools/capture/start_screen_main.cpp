// zelto2k-start-screen FOLDER: what the page's start screen shows of the demo before it has
// run, made from the demo itself: FOLDER/still.png, a real frame (the first one drawn once
// the music reaches kStillOrder, in the ball scene), and FOLDER/about.json with the demo's
// length in seconds, read from the song. Runs where data/ is (the build folder).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/demo.h"
#include "platform/offline.h"
#include "tools/capture/png_writer.h"
#include "tools/capture/song_timeline.h"

namespace {

constexpr int32_t kFramesPerSecond = 60;
constexpr int32_t kStillOrder = 24;
constexpr int64_t kMostFrames = int64_t{3600} * kFramesPerSecond;

int Fail(const std::string& reason) {
  std::fprintf(stderr, "zelto2k-start-screen: %s\n", reason.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  const std::string folder = argv[1];
  SongTimeline timeline;
  std::string error;
  if (!BuildSongTimeline("data/mowt.xm", kFramesPerSecond, 1, kMostFrames, &timeline, &error)) return Fail(error);
  if (timeline.demoFrames < 0) return Fail("the music never reaches the demo's end");
  int64_t stillFrame = -1;
  for (size_t n = 0; n < timeline.seen.size() && stillFrame < 0; ++n)
    if (timeline.seen[n].order >= kStillOrder) stillFrame = static_cast<int64_t>(n);
  if (stillFrame < 0) return Fail("the music never reaches order " + std::to_string(kStillOrder));

  const std::string about = folder + "/about.json";
  std::FILE* file = std::fopen(about.c_str(), "wb");
  if (!file) return Fail("cannot write " + about);
  std::fprintf(file, "{\"seconds\": %.3f}\n", static_cast<double>(timeline.demoFrames) / kFramesPerSecond);
  if (std::fclose(file) != 0) return Fail("cannot write " + about);

  // The demo plays on the offline backend up to the still, which is written as it is
  // presented; Escape then ends the program there, as it would for a viewer.
  platform::OfflineSettings settings;
  settings.frameSink = [&](const platform::OfflineFrame& frame) {
    if (frame.index != stillFrame) return;
    std::string reason;
    if (WritePngFile(folder + "/still.png", frame.picture, 512, 256, &reason)) return;
    std::fprintf(stderr, "zelto2k-start-screen: %s\n", reason.c_str());
    std::_Exit(1);  // the demo's own end would report 0
  };
  platform::OfflineReset(settings);
  platform::OfflineScriptMessage(stillFrame + 1, platform::OfflineMessage::Escape);
  DemoMain();
  return Fail("the demo ended before its still");
}

// The whole demo on the offline backend, one line per presented frame: its index, the song
// position the scene will read next, and the frame's hash (tests/frame_hash.h).
//
// Built natively and with emcc (run under Node.js), and by every compiler CI tries, so that
// two lists can be compared line by line. Usage: zelto2k_frames [--warm-up] [frames per
// second [frame of an Enter]], in a folder that holds data/; the Enter writes grab_1.bmp
// there, for the browser test to compare. With --warm-up first, the pixel routines'
// warm-up (scenes/warm_up.h) runs before the demo, as on the page; the frames must not change.
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/demo.h"
#include "app/music.h"
#include "scenes/warm_up.h"
#include "platform/offline.h"
#include "tests/frame_hash.h"

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--warm-up") == 0) {
    WarmUpPixelRoutines();
    --argc;
    ++argv;
  }
  platform::OfflineSettings settings;
  settings.fpsNumerator = argc > 1 ? std::atoi(argv[1]) : 10;
  settings.frameSink = [](const platform::OfflineFrame& frame) {
    std::printf("%" PRId64 " %d %016" PRIx64 "\n", frame.index, MusicPosition.load(), FrameHash(frame.picture));
  };
  platform::OfflineReset(settings);
  if (argc > 2) platform::OfflineScriptMessage(std::atoi(argv[2]), platform::OfflineMessage::Return);
  return DemoMain();
}

// The whole demo on the offline backend, one line per presented frame: its index, the song
// position the scene will read next, and the FNV-1a hash of the picture's pixel words.
//
// Built natively and with emcc (run under Node.js), and by every compiler CI tries, so that
// two lists can be compared line by line. Usage: zelto2k_frames [frames per second [frame of
// an Enter]], in a folder that holds data/; the Enter writes grab_1.bmp there, for the
// browser test to compare.
#include <cinttypes>
#include <cstdio>
#include <cstdlib>

#include "app/demo.h"
#include "app/music.h"
#include "core/frame_buffer.h"
#include "platform/offline.h"

int main(int argc, char** argv) {
  platform::OfflineSettings settings;
  settings.fpsNumerator = argc > 1 ? std::atoi(argv[1]) : 10;
  settings.frameSink = [](const platform::OfflineFrame& frame) {
    uint64_t hash = 1469598103934665603ull;
    for (int i = 0; i < kFramePixels; ++i) hash = (hash ^ frame.picture[i]) * 1099511628211ull;
    std::printf("%" PRId64 " %d %016" PRIx64 "\n", frame.index, MusicPosition.load(), hash);
  };
  platform::OfflineReset(settings);
  if (argc > 2) platform::OfflineScriptMessage(std::atoi(argv[2]), platform::OfflineMessage::Return);
  return DemoMain();
}

// demo_frame_hashes: runs the whole demo on the offline backend and prints one line per
// presented frame (index, song position, FNV-1a hash of the pixels), so that two builds,
// say one from each compiler, can be compared frame by frame with diff.
//
// Usage: demo_frame_hashes <folder holding data/> [frames per second, default 10]
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "app/demo.h"
#include "app/music.h"
#include "core/frame_buffer.h"
#include "platform/offline.h"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fputs("usage: demo_frame_hashes <folder holding data/> [frames per second]\n", stderr);
    return 2;
  }
  const int framesPerSecond = argc == 3 ? std::atoi(argv[2]) : 10;
  if (framesPerSecond <= 0 || framesPerSecond > 1000) {
    std::fputs("demo_frame_hashes: frames per second must be 1 to 1000\n", stderr);
    return 2;
  }
  std::error_code error;
  std::filesystem::current_path(argv[1], error);
  if (error) {
    std::fprintf(stderr, "demo_frame_hashes: cannot enter %s\n", argv[1]);
    return 2;
  }
  platform::OfflineSettings settings;
  settings.fpsNumerator = framesPerSecond;
  settings.frameSink = [](const platform::OfflineFrame& frame) {
    uint64_t hash = 1469598103934665603ull;
    for (int i = 0; i < kFramePixels; ++i) hash = (hash ^ frame.picture[i]) * 1099511628211ull;
    std::printf("%lld %d %016llx\n", static_cast<long long>(frame.index), MusicPosition.load(),
                static_cast<unsigned long long>(hash));
  };
  platform::OfflineReset(settings);
  const int code = DemoMain();
  std::fflush(stdout);
  return code;
}

// zelto2k_flip_pace: opens the real-time backend's full-screen display as the demo does,
// flips for a warm-up (3 s unless given), then counts the flips of the next seconds (3
// unless given) and the processor time they took. Prints "ready" when counting starts,
// then "<frames> <seconds> <cpu seconds>".
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "platform/platform.h"

namespace {

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

bool FlipOne(int64_t frame) {
  platform::Message message;
  while (platform::PeekMessage(&message))
    if (message.kind == platform::MessageKind::Quit) return false;
  platform::LockedSurface locked;
  if (!platform::Lock(platform::Surface::BackBuffer, &locked)) return false;
  for (int32_t y = 0; y < locked.height; ++y)
    for (int32_t x = 0; x < locked.width; ++x)
      locked.pixels[y * (locked.pitch / 4) + x] = static_cast<uint32_t>(frame * 4 + x) & 0xFF;
  platform::Unlock(platform::Surface::BackBuffer);
  return platform::Flip();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 1 && argc != 3) {
    std::fputs("usage: zelto2k_flip_pace [<warm-up seconds> <measured seconds>]\n", stderr);
    return 2;
  }
  const double warmUp = argc == 3 ? std::atof(argv[1]) : 3.0, measure = argc == 3 ? std::atof(argv[2]) : 3.0;
  using Clock = std::chrono::steady_clock;
  platform::RaisePriority();  // as the demo does; best effort
  platform::RegisterWindowClass("Zelto2k");
  const platform::WindowHandle window =
      platform::CreateWindow("Zelto2k", "Zelto2k", platform::kStylePopupVisible, 0, 0, 512, 384);
  if (window == 0 || !platform::DirectDrawCreate() || !platform::SetCooperativeLevel(window, true) ||
      !platform::SetDisplayMode(512, 384, 32) || !platform::CreatePrimarySurface(true) ||
      !platform::GetAttachedBackBuffer()) {
    std::fputs("zelto2k_flip_pace: no display\n", stderr);
    return 1;
  }
  int64_t frame = 0;
  const Clock::time_point start = Clock::now();
  while (std::chrono::duration<double>(Clock::now() - start).count() < warmUp)
    if (!FlipOne(frame++)) return 1;
  std::printf("ready\n");
  std::fflush(stdout);
  const double cpuBefore = CpuSeconds();
  const Clock::time_point counting = Clock::now();
  int64_t frames = 0;
  double seconds = 0.0;
  while ((seconds = std::chrono::duration<double>(Clock::now() - counting).count()) < measure) {
    if (!FlipOne(frame++)) return 1;
    ++frames;
  }
  std::printf("%lld %.6f %.6f\n", static_cast<long long>(frames), seconds, CpuSeconds() - cpuBefore);
  std::fflush(stdout);
  platform::DestroyWindow(window);
  return 0;
}

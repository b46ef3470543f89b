// zelto2k_flip_pace: opens the real-time backend's full-screen display as the demo does,
// flips for a 3 s warm-up, then counts the flips of the next 3 s and the processor time
// (of all its threads) they took. Prints "ready" when counting starts, then
// "<frames> <seconds> <cpu seconds>".
#include <chrono>
#include <cstdio>
#include <ctime>

#include "platform/platform.h"

namespace {

double CpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

bool FlipOne(int64_t frame) {
  platform::InputEvent message;
  while (platform::TakeEvent(&message))
    if (message.kind == platform::InputEventKind::Quit) return false;
  platform::LockedBuffer locked;
  if (!platform::LockBuffer(platform::ScreenBuffer::BackBuffer, &locked)) return false;
  for (int32_t y = 0; y < locked.height; ++y)
    for (int32_t x = 0; x < locked.width; ++x)
      locked.pixels[y * (locked.pitch / 4) + x] = static_cast<uint32_t>(frame * 4 + x) & 0xFF;
  platform::UnlockBuffer(platform::ScreenBuffer::BackBuffer);
  return platform::ShowBackBuffer();
}

}  // namespace

int main() {
  constexpr double kWarmUp = 3.0, kMeasured = 3.0;
  using Clock = std::chrono::steady_clock;
  platform::RaisePriority();  // as the demo does; best effort
  platform::NameWindowClass("Zelto2k");
  const platform::WindowHandle window =
      platform::OpenWindow("Zelto2k", "Zelto2k", platform::WindowKind::FullScreenPopup, 0, 0, 512, 384);
  if (window == 0 || !platform::OpenDisplay() || !platform::TakeScreen(window, true) ||
      !platform::ChooseScreenMode(512, 384, 32) || !platform::CreateScreenBuffers(true) ||
      !platform::AttachBackBuffer()) {
    std::fputs("zelto2k_flip_pace: no display\n", stderr);
    return 1;
  }
  int64_t frame = 0;
  const Clock::time_point start = Clock::now();
  while (std::chrono::duration<double>(Clock::now() - start).count() < kWarmUp)
    if (!FlipOne(frame++)) return 1;
  std::printf("ready\n");
  std::fflush(stdout);
  const double cpuBefore = CpuSeconds();
  const Clock::time_point counting = Clock::now();
  int64_t frames = 0;
  double seconds = 0.0;
  while ((seconds = std::chrono::duration<double>(Clock::now() - counting).count()) < kMeasured) {
    if (!FlipOne(frame++)) return 1;
    ++frames;
  }
  std::printf("%lld %.6f %.6f\n", static_cast<long long>(frames), seconds, CpuSeconds() - cpuBefore);
  std::fflush(stdout);
  platform::RemoveWindow(window);
  return 0;
}

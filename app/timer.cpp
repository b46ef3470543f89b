// The scene clock on the platform's performance counter.
#include "app/timer.h"

#include "core/exit_codes.h"
#include "core/fatal_error.h"
#include "platform/platform.h"

int64_t TimerFrequency = 0;
int64_t TimerCount = 0;
double TimerBase = 0.0;

namespace {
int64_t HeldAt = 0;
}

void TimerStart() {
  if (!platform::ReadClock(&TimerCount)) EndProcess(kExitNoCounter);
  // A counter that claims no ticks per second is no counter either: every TimerSeconds
  // would divide by zero.
  if (!platform::ClockRate(&TimerFrequency) || TimerFrequency <= 0)
    EndProcess(kExitNoCounter);
}

void TimerReset() {
  platform::ReadClock(&TimerCount);
  TimerBase = static_cast<double>(TimerCount);
}

double TimerSeconds() {
  platform::ReadClock(&TimerCount);
  return (static_cast<double>(TimerCount) - TimerBase) / static_cast<double>(TimerFrequency);
}

void TimerHold() { platform::ReadClock(&HeldAt); }

void TimerGoOn() {
  int64_t now = HeldAt;
  platform::ReadClock(&now);
  TimerBase += static_cast<double>(now - HeldAt);
}

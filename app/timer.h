// The scene clock: seconds since the last TimerReset, on the platform's counter.
//
// TimerStart reads the counter and its frequency once; without a counter the process
// ends at once with kExitNoCounter (core/exit_codes.h) and no message. TimerReset restarts the clock;
// TimerSeconds returns (count - base) / frequency as a double. Main thread only.
#pragma once

#include <cstdint>

extern int64_t TimerFrequency;
extern int64_t TimerCount;
extern double TimerBase;

void TimerStart();
void TimerReset();
double TimerSeconds();

// The viewer's pause: TimerHold notes the counter, TimerGoOn moves the base on by the
// ticks spent in between, so the scene clock reads on after the pause from where it
// stopped. Neither touches TimerCount, which only the clock's own readings set.
void TimerHold();
void TimerGoOn();

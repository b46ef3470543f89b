// What FatalError asks of the display before the process ends.
//
// FatalErrorShowAndClose destroys the window (if there is one) and then shows the
// UTF-8 message in a box titled "FATAL ERROR" with no owner window, waiting until the
// user dismisses it. Without a display it does nothing. It is defined beside MainWindow
// (app/fatal_hooks.cpp), which the display code uses, and called only by FatalError.
//
// FatalError refers to it weakly: a program that never presents a frame (the tests of the
// loaders, for instance) links no display and no platform backend, and FatalError then
// only writes stderr and exits.
#pragma once

void FatalErrorShowAndClose(const char* utf8Message) __attribute__((weak));

// What FatalError asks of the display before the process ends.
//
// FatalErrorShowAndClose destroys the window (if there is one) and then shows the
// UTF-8 message in a box titled "FATAL ERROR" with no owner window, waiting until the
// user dismisses it. Without a display it does nothing. It is defined by the display
// code of the demo frame (or by a test's stand-in) and called only by FatalError.
#pragma once

void FatalErrorShowAndClose(const char* utf8Message);

// The program's window handle and what FatalError asks of the platform: the window goes,
// then the error box waits for its OK.
#include "app/fatal_hooks.h"

#include "app/display.h"
#include "platform/platform.h"

// Defined here so that whatever uses the window (the display code) also brings in the hook.
platform::WindowHandle MainWindow = 0;

void FatalErrorShowAndClose(const char* utf8Message) {
  // The box has no owner: the window is gone before it appears.
  if (MainWindow) {
    platform::DestroyWindow(MainWindow);
    MainWindow = 0;
  }
  platform::ErrorMessageBox(utf8Message, "FATAL ERROR");
}

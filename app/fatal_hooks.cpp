// What FatalError asks of the platform: the window goes, then the error box waits for OK.
#include "app/fatal_hooks.h"

#include "app/display.h"
#include "platform/platform.h"

void FatalErrorShowAndClose(const char* utf8Message) {
  // The box has no owner: the window is gone before it appears.
  if (MainWindow) {
    platform::DestroyWindow(MainWindow);
    MainWindow = 0;
  }
  platform::ErrorMessageBox(utf8Message, "FATAL ERROR");
}

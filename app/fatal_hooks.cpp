// Placeholder until the display lands: no window, no box.
#include "app/fatal_hooks.h"

void FatalErrorShowAndClose(const char*) {}

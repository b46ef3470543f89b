// Fatal errors, the end of the process and the debug trace: the one way any part of the
// program gives up or stops.
//
// FatalError always writes the message to stderr, then hands it to the error box (where
// the display has registered one: it destroys the window and shows the message in a box
// titled "FATAL ERROR"), and ends the process with kExitFatal. Every other end with one
// of the program's own codes (core/exit_codes.h) or the capture's goes through
// EndProcess too, so that there is one place where the process stops. Messages are stored in the
// Windows-1252 code page, as the program keeps all its own texts; they are converted
// to UTF-8 only on their way out to the terminal or the dialog.
//
// SnifferLog is the printf-style trace entry point. It discards everything: trace
// texts document what the loaders are doing, but nothing is ever written anywhere.
#pragma once

#include <string>
#include <string_view>

#include "core/exit_codes.h"

[[noreturn]] void FatalError(const char* message);

// Ends the process with `code` through std::exit: the exit handlers run and stdio is
// flushed, but no stack unwinds, so the locals of main and of every caller stay in place.
[[noreturn]] void EndProcess(int code);

// The error box: gets the UTF-8 message after it is on stderr, and waits until the user
// has seen it. The display registers it at start-up; without one (a loader's test, a
// tool) FatalError only writes stderr. Null removes it.
using FatalErrorBox = void (*)(const char* utf8Message);
void SetFatalErrorBox(FatalErrorBox box);

void SnifferLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Converts Windows-1252 bytes to UTF-8 (0xE9 becomes U+00E9, 0x80 the euro sign...).
// Bytes that the code page leaves undefined become U+FFFD.
std::string Windows1252ToUtf8(std::string_view text);

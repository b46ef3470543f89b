// Fatal errors and the debug trace: the one way any part of the program gives up.
//
// FatalError destroys the window, shows the message in a box titled "FATAL ERROR"
// (where a display exists), always writes it to stderr, and ends the process with
// exit code 9999 (a POSIX parent sees 9999 & 0xFF = 15). Messages are stored in the
// Windows-1252 code page, as the program keeps all its own texts; they are converted
// to UTF-8 only on their way out to the terminal or the dialog.
//
// SnifferLog is the printf-style trace entry point. It discards everything: trace
// texts document what the loaders are doing, but nothing is ever written anywhere.
#pragma once

#include <string>
#include <string_view>

constexpr int kFatalExitCode = 9999;

[[noreturn]] void FatalError(const char* message);

void SnifferLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Converts Windows-1252 bytes to UTF-8 (0xE9 becomes U+00E9, 0x80 the euro sign...).
// Bytes that the code page leaves undefined become U+FFFD.
std::string Windows1252ToUtf8(std::string_view text);

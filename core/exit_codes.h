// The program's exit codes: the one list that the code, the tests and the README use.
//
// The codes 1 to 3 come from the 3D object's loading (engine3d/lwo_reader.h, normals)
// and end the process silently or with one line on stderr; 10 ends it without a message;
// 9999 is FatalError's, after its message box. Tools have codes of their own.
#pragma once

// The demo played to its end, or the viewer quit (Escape, closing the window).
inline constexpr int kExitNormal = 0;
// The 3D object: out of memory, rejected by the LightWave reader, or a normal of length zero.
inline constexpr int kExitObjectUnusable = 1;
// The 3D object's file cannot be opened.
inline constexpr int kExitObjectMissing = 2;
// The command line is not one the program knows (the usage line goes to stderr). It shares
// its number with kExitObjectMissing, as the usual exit code of a usage error.
inline constexpr int kExitUsage = 2;
// The 3D object's file cannot be read to its end.
inline constexpr int kExitObjectShortRead = 3;
// The machine has no high-resolution counter.
inline constexpr int kExitNoCounter = 10;
// FatalError, after its message.
inline constexpr int kExitFatal = 9999;
// What a POSIX parent sees of kExitFatal: exit statuses keep their low 8 bits.
inline constexpr int kExitFatalSeen = kExitFatal & 0xFF;

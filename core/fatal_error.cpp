// Fatal errors, the one exit path and the discarding debug trace.
#include "core/fatal_error.h"

#include <cstdio>
#include <cstdlib>

namespace {

FatalErrorBox TheFatalErrorBox = nullptr;

// The code points of 0x80..0x9F in Windows-1252; 0 marks the five undefined bytes.
constexpr char16_t kHighControlRange[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

}  // namespace

std::string Windows1252ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 4);
  for (char c : text) {
    const unsigned byte = static_cast<unsigned char>(c);
    char32_t code = byte;
    if (byte >= 0x80 && byte <= 0x9F) {
      code = kHighControlRange[byte - 0x80];
      if (code == 0) code = 0xFFFD;
    }
    AppendUtf8(out, code);
  }
  return out;
}

void SnifferLog(const char*, ...) {}

void SetFatalErrorBox(FatalErrorBox box) { TheFatalErrorBox = box; }

void EndProcess(int code) { std::exit(code); }

void FatalError(const char* message) {
  const std::string utf8 = Windows1252ToUtf8(message ? message : "");
  // The terminal gets the message first, so it is there while the box waits for its OK.
  std::fputs(utf8.c_str(), stderr);
  std::fflush(stderr);
  if (TheFatalErrorBox) TheFatalErrorBox(utf8.c_str());
  EndProcess(kExitFatal);
}

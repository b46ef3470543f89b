// The capture's progress line.
#include "tools/capture/progress_bar.h"

#include <cstdio>

namespace {
constexpr int kBarWidth = 20;
}

ProgressBar::ProgressBar(bool enabled, int64_t firstFrame, int64_t endFrame)
    : enabled_(enabled), firstFrame_(firstFrame), endFrame_(endFrame),
      start_(std::chrono::steady_clock::now()), lastDraw_(start_) {}

std::string FormatDuration(double seconds) {
  const int64_t whole = seconds < 0 ? 0 : static_cast<int64_t>(seconds + 0.5);
  char text[32];
  if (whole >= 3600)
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(whole / 3600),
                  static_cast<long long>(whole / 60 % 60), static_cast<long long>(whole % 60));
  else
    std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(whole / 60),
                  static_cast<long long>(whole % 60));
  return text;
}

std::string ProgressBar::Line(int64_t frame, SongPosition position, const char* scene,
                              double elapsedSeconds) const {
  const int64_t rendered = frame + 1;
  const int64_t written = rendered > firstFrame_ ? rendered - firstFrame_ : 0;
  // Frames before the first written one are rendered too, so the work is all of [0, end).
  const double done = endFrame_ > 0 ? static_cast<double>(rendered) / static_cast<double>(endFrame_) : 0.0;
  const int filled = static_cast<int>(done * kBarWidth);
  std::string bar(static_cast<size_t>(kBarWidth), '.');
  for (int i = 0; i < filled && i < kBarWidth; ++i) bar[static_cast<size_t>(i)] = '#';
  const double left = rendered > 0 ? elapsedSeconds * static_cast<double>(endFrame_ - rendered) /
                                         static_cast<double>(rendered)
                                   : 0.0;
  char text[160];
  std::snprintf(text, sizeof text, "%lld/%lld frames [%s] song %02d:%02d %-13s %s elapsed, %s left",
                static_cast<long long>(written), static_cast<long long>(endFrame_ - firstFrame_),
                bar.c_str(), position.order, position.row, scene,
                FormatDuration(elapsedSeconds).c_str(), FormatDuration(left).c_str());
  return text;
}

void ProgressBar::Update(int64_t frame, SongPosition position, const char* scene) {
  if (!enabled_) return;
  const auto now = std::chrono::steady_clock::now();
  if (drawn_ && now - lastDraw_ < std::chrono::milliseconds(100) && frame + 1 < endFrame_) return;
  lastDraw_ = now;
  drawn_ = true;
  const double elapsed = std::chrono::duration<double>(now - start_).count();
  // Carriage return, the line, then erase whatever a longer previous line left.
  std::fprintf(stderr, "\r%s\x1b[K", Line(frame, position, scene, elapsed).c_str());
  std::fflush(stderr);
}

void ProgressBar::Finish() {
  if (!enabled_ || !drawn_) return;
  std::fputc('\n', stderr);
  std::fflush(stderr);
  drawn_ = false;
}

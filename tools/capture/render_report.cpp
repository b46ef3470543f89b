// What --report prints.
#include "tools/capture/render_report.h"

#include <algorithm>
#include <cstdio>

double Median(std::vector<double> values) {
  if (values.empty()) return 0.0;
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2.0;
}

void RenderReport::Add(int scene, double seconds) {
  if (scene >= 0 && scene < kTimelineSceneCount) times_[scene].push_back(seconds);
}

std::string RenderReport::Format(const CaptureTotals& totals) const {
  std::string text = "scene            frames  median ms   worst ms\n";
  char line[160];
  for (int scene = 0; scene < kTimelineSceneCount; ++scene) {
    const std::vector<double>& times = times_[scene];
    if (times.empty()) continue;
    std::snprintf(line, sizeof line, "%-15s %7zu %10.2f %10.2f\n", SceneName(scene), times.size(),
                  Median(times) * 1000.0, *std::max_element(times.begin(), times.end()) * 1000.0);
    text += line;
  }
  const double frameSeconds = static_cast<double>(totals.fpsDenominator) / totals.fpsNumerator;
  const double renderedDemo = static_cast<double>(totals.framesRendered) * frameSeconds;
  const double writtenDemo = static_cast<double>(totals.framesWritten) * frameSeconds;
  std::snprintf(line, sizeof line, "render: %lld frames (%.3f s of demo) in %.3f s, %.2fx real time\n",
                static_cast<long long>(totals.framesRendered), renderedDemo, totals.renderSeconds,
                totals.renderSeconds > 0 ? renderedDemo / totals.renderSeconds : 0.0);
  text += line;
  std::snprintf(line, sizeof line,
                "capture: %lld frames (%.3f s of demo) written in %.3f s, %.2fx real time\n",
                static_cast<long long>(totals.framesWritten), writtenDemo, totals.wallSeconds,
                totals.wallSeconds > 0 ? writtenDemo / totals.wallSeconds : 0.0);
  text += line;
  return text;
}

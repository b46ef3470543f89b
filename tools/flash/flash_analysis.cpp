// The flash analyser: cells' transitions, field-sized regions, the report and its plot.
#include "tools/flash/flash_analysis.h"

#include <algorithm>
#include <cstdio>

int32_t FlashReport::SecondsOverLimit() const {
  return static_cast<int32_t>(std::count_if(seconds.begin(), seconds.end(),
                                            [](const FlashSecond& second) { return second.OverLimit(); }));
}

FlashAnalyser::FlashAnalyser(const FlashGeometry& geometry, int32_t framesPerSecond)
    : grid_(std::max(geometry.pictureWidth, 1), std::max(geometry.pictureHeight, 1)),
      window_(grid_.Count(), std::clamp(framesPerSecond, 1, 1000)),
      traces_(static_cast<size_t>(grid_.Count()) * kFlashKinds),
      light_(static_cast<size_t>(grid_.Count())),
      cellArea_(static_cast<size_t>(grid_.Count())),
      covered_(static_cast<size_t>(grid_.columns + 1) * (grid_.rows + 1), 0) {
  for (int32_t row = 0; row < grid_.rows; ++row)
    for (int32_t column = 0; column < grid_.columns; ++column)
      cellArea_[static_cast<size_t>(row) * grid_.columns + column] = grid_.CellWidth(column) * grid_.CellHeight(row);
  // A third of the display each way, in whole cells (rounded down, so a region is never
  // larger than the field), and a quarter of that field: 1/36 of the display.
  const int64_t displayWidth = std::max(geometry.displayWidth, 1);
  const int64_t displayHeight = std::max(geometry.displayHeight, 1);
  regionColumns_ = std::clamp(static_cast<int32_t>(displayWidth / 3 / kFlashCellSize), 1, grid_.columns);
  regionRows_ = std::clamp(static_cast<int32_t>(displayHeight / 3 / kFlashCellSize), 1, grid_.rows);
  report_.framesPerSecond = window_.windowFrames();
  report_.regionWidth = std::min(regionColumns_ * kFlashCellSize, grid_.width);
  report_.regionHeight = std::min(regionRows_ * kFlashCellSize, grid_.height);
  report_.areaPixels = static_cast<int32_t>(std::max<int64_t>(displayWidth * displayHeight / 36, 1));
}

// Whether some region has at least the area covered by cells that made `transitions` or
// more; if so, the first such region's top-left pixel.
bool FlashAnalyser::RegionCovered(FlashKind kind, int32_t transitions, int32_t* x, int32_t* y) const {
  const int32_t stride = grid_.columns + 1;
  for (int32_t row = 0; row < grid_.rows; ++row) {
    int32_t rowSum = 0;
    for (int32_t column = 0; column < grid_.columns; ++column) {
      const int32_t cell = row * grid_.columns + column;
      if (window_.Count(cell, kind) >= transitions) rowSum += cellArea_[static_cast<size_t>(cell)];
      covered_[static_cast<size_t>(row + 1) * stride + column + 1] =
          covered_[static_cast<size_t>(row) * stride + column + 1] + rowSum;
    }
  }
  for (int32_t top = 0; top + regionRows_ <= grid_.rows; ++top) {
    for (int32_t left = 0; left + regionColumns_ <= grid_.columns; ++left) {
      const size_t bottom = static_cast<size_t>(top + regionRows_) * stride;
      const size_t upper = static_cast<size_t>(top) * stride;
      const int32_t right = left + regionColumns_;
      const int32_t area = covered_[bottom + right] - covered_[bottom + left] - covered_[upper + right] +
                           covered_[upper + left];
      if (area >= report_.areaPixels) {
        *x = left * kFlashCellSize;
        *y = top * kFlashCellSize;
        return true;
      }
    }
  }
  return false;
}

// The most transitions any region makes now, if it is at least `atLeast`; otherwise a peak
// of 0 transitions.
FlashPeak FlashAnalyser::WorstRegion(FlashKind kind, int32_t atLeast) const {
  int32_t most = 0;
  for (int32_t cell = 0; cell < grid_.Count(); ++cell) most = std::max(most, window_.Count(cell, kind));
  FlashPeak peak;
  for (int32_t transitions = most; transitions >= std::max(atLeast, 1); --transitions) {
    if (RegionCovered(kind, transitions, &peak.x, &peak.y)) {
      peak.transitions = transitions;
      return peak;
    }
  }
  return peak;
}

void FlashAnalyser::AddFrame(const uint32_t* picture, int32_t scene) {
  MeasureCells(grid_, picture, light_.data());
  window_.BeginFrame();
  const int64_t frame = report_.frames++;
  for (int32_t cell = 0; cell < grid_.Count(); ++cell) {
    for (int32_t kind = 0; kind < kFlashKinds; ++kind) {
      TransitionTrace& trace = traces_[static_cast<size_t>(cell) * kFlashKinds + kind];
      if (frame == 0) {
        trace.Reset(static_cast<FlashKind>(kind), light_[cell]);
      } else if (trace.Step(light_[cell]) != 0) {
        window_.Add(cell, static_cast<FlashKind>(kind));
      }
    }
  }
  if (frame > 0 && scene != lastScene_) report_.sceneStarts.push_back(frame);
  lastScene_ = scene;
  const size_t second = static_cast<size_t>(frame / report_.framesPerSecond);
  if (report_.seconds.size() <= second) {
    report_.seconds.resize(second + 1);
    report_.seconds[second].scene = scene;
  }
  FlashSecond& now = report_.seconds[second];
  const bool wasOver = now.OverLimit();
  for (FlashKind kind : {FlashKind::Luminance, FlashKind::Red}) {
    FlashPeak& worst = kind == FlashKind::Luminance ? now.luminance : now.red;
    FlashPeak peak = WorstRegion(kind, worst.transitions + 1);
    if (peak.transitions > worst.transitions) {
      peak.frame = frame;
      worst = peak;
    }
  }
  // A second is blamed on the scene on screen when it passed the limit: one that opens in a
  // calm scene and closes in the next scene's flashes belongs to the next scene. A second
  // that is over from its first frame on, after a second that was over, carries that
  // second's flashes on, and its scene with them.
  if (!wasOver && now.OverLimit()) {
    const bool carried = frame % report_.framesPerSecond == 0 && second > 0 && report_.seconds[second - 1].OverLimit();
    now.scene = carried ? report_.seconds[second - 1].scene : scene;
  }
}

namespace {

std::string SceneLabel(int32_t scene, const std::vector<std::string>& sceneNames) {
  if (scene >= 0 && static_cast<size_t>(scene) < sceneNames.size()) return sceneNames[static_cast<size_t>(scene)];
  return scene < 0 ? std::string("-") : "scene " + std::to_string(scene);
}

std::string PeakText(const FlashPeak& peak) {
  char text[48];
  if (peak.transitions == 0) return "0";
  std::snprintf(text, sizeof text, "%d at (%d, %d)", peak.transitions, peak.x, peak.y);
  return text;
}

}  // namespace

std::string FormatFlashReport(const FlashReport& report, const std::vector<std::string>& sceneNames) {
  std::string text;
  char line[256];
  std::snprintf(line, sizeof line,
                "Flash analysis: %lld frames at %d fps (%.2f s). Regions of %d x %d pixels (a 10-degree "
                "field); a region counts n transitions in a second when cells that each made n cover "
                "%d pixels of it. Limit: %d transitions (3 flashes) in any second.\n\n",
                static_cast<long long>(report.frames), report.framesPerSecond,
                static_cast<double>(report.frames) / report.framesPerSecond, report.regionWidth,
                report.regionHeight, report.areaPixels, kFlashTransitionLimit);
  text += line;
  text += "second  luminance           red                 scene\n";
  for (size_t index = 0; index < report.seconds.size(); ++index) {
    const FlashSecond& second = report.seconds[index];
    std::snprintf(line, sizeof line, "%6zu  %-18s  %-18s  %s%s\n", index, PeakText(second.luminance).c_str(),
                  PeakText(second.red).c_str(), SceneLabel(second.scene, sceneNames).c_str(),
                  second.OverLimit() ? "  OVER" : "");
    text += line;
  }
  // Per scene, in the order they appear.
  std::vector<int32_t> order;
  for (const FlashSecond& second : report.seconds)
    if (std::find(order.begin(), order.end(), second.scene) == order.end()) order.push_back(second.scene);
  text += "\nscene               seconds  over the limit  worst luminance  worst red\n";
  for (int32_t scene : order) {
    int32_t seconds = 0;
    int32_t over = 0;
    int32_t luminance = 0;
    int32_t red = 0;
    for (const FlashSecond& second : report.seconds) {
      if (second.scene != scene) continue;
      ++seconds;
      over += second.OverLimit() ? 1 : 0;
      luminance = std::max(luminance, second.luminance.transitions);
      red = std::max(red, second.red.transitions);
    }
    std::snprintf(line, sizeof line, "%-18s  %7d  %14d  %15d  %9d\n", SceneLabel(scene, sceneNames).c_str(), seconds,
                  over, luminance, red);
    text += line;
  }
  int32_t worst = 0;
  for (const FlashSecond& second : report.seconds) worst = std::max(worst, second.Worst());
  std::snprintf(line, sizeof line, "\n%s: %d of %zu seconds over the limit; worst %d transitions in a second\n",
                report.Passes() ? "PASS" : "FAIL", report.SecondsOverLimit(), report.seconds.size(), worst);
  text += line;
  return text;
}

std::vector<uint32_t> PlotFlashReport(const FlashReport& report, int32_t* width, int32_t* height) {
  constexpr int32_t kBarWidth = 4;
  constexpr int32_t kUnit = 6;  // pixels per transition
  constexpr int32_t kMargin = 8;
  constexpr uint32_t kBackground = 0x00181820;
  constexpr uint32_t kAxis = 0x00606070;
  constexpr uint32_t kWithin = 0x00A0A8B8;
  constexpr uint32_t kOver = 0x00FF4030;
  constexpr uint32_t kLimit = 0x00FFD040;
  constexpr uint32_t kScene = 0x004080FF;
  int32_t top = kFlashTransitionLimit * 2;
  for (const FlashSecond& second : report.seconds) top = std::max(top, second.Worst() + 1);
  top = std::min(top, 120);
  const int32_t seconds = std::max<int32_t>(static_cast<int32_t>(report.seconds.size()), 1);
  *width = seconds * kBarWidth + 2 * kMargin;
  *height = top * kUnit + 2 * kMargin;
  std::vector<uint32_t> pixels(static_cast<size_t>(*width) * *height, kBackground);
  const int32_t base = *height - kMargin;  // the row just below the plot
  auto put = [&](int32_t x, int32_t y, uint32_t colour) {
    if (x >= 0 && x < *width && y >= 0 && y < *height) pixels[static_cast<size_t>(y) * *width + x] = colour;
  };
  for (size_t index = 0; index < report.seconds.size(); ++index) {
    const FlashSecond& second = report.seconds[index];
    const int32_t bar = std::min(second.Worst(), top) * kUnit;
    const uint32_t colour = second.OverLimit() ? kOver : kWithin;
    for (int32_t x = 0; x < kBarWidth - 1; ++x)
      for (int32_t y = 1; y <= bar; ++y) put(kMargin + static_cast<int32_t>(index) * kBarWidth + x, base - y, colour);
  }
  for (int32_t x = kMargin; x < *width - kMargin; ++x) {
    put(x, base, kAxis);
    if ((x - kMargin) % (10 * kBarWidth) == 0)  // a tick every ten seconds
      for (int32_t y = base + 1; y < base + 4; ++y) put(x, y, kAxis);
    if ((x / 3) % 2 == 0) put(x, base - kFlashTransitionLimit * kUnit - kUnit / 2, kLimit);
  }
  for (int64_t start : report.sceneStarts) {
    // In the gap before the bar of the second where the scene begins.
    const int32_t x = kMargin + static_cast<int32_t>(start * kBarWidth / report.framesPerSecond) - 1;
    for (int32_t y = kMargin; y < base; ++y) put(x, y, kScene);
  }
  return pixels;
}

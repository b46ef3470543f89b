// The flash analyser: follows a stream of pictures and finds, second by second, the most
// transitions of light that any part of the view makes together.
//
// What counts (image/flash_cells.h holds the measures): every 16 x 16 cell of the picture
// follows its mean relative luminance and its red; a transition is a change of at least 0.1
// with the darker state below 0.8 (luminance), or of more than 20 on the (R - G - B) x 320
// scale with one end saturated red (red). A flash is two opposing transitions, and the
// limit is three flashes (six transitions) in any one second.
//
// Where: flashing is harmful when it covers a quarter of a 10-degree visual field. With the
// display filling a 4:3 screen, that field is a third of the display's width and height,
// and a quarter of it is 1/36 of the display: 5461 pixels of the 512 x 384 display, a
// 74 x 74 square. The analyser slides a field-sized region (a third of the display each
// way, rounded down to whole cells: 10 x 8 cells, 160 x 128 pixels, for the demo) over
// every cell position of the picture. A region makes n transitions in a second when the
// cells that each made at least n transitions in that second cover at least the area
// (22 cells for the demo). A
// small strobe, however hard, never covers that much; a field-wide one does, and so does
// a bar that jumps about, since every cell it keeps crossing counts.
//
// Time: a second is `framesPerSecond` pictures; the count of a frame covers the second that
// ends with it, and the figure of second s is the worst count of its frames.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "image/flash_cells.h"

struct FlashGeometry {
  int32_t pictureWidth = 512;
  int32_t pictureHeight = 256;
  int32_t displayWidth = 512;  // the picture is shown within a display of this size
  int32_t displayHeight = 384;
};

// The worst of one kind of light at one moment.
struct FlashPeak {
  int32_t transitions = 0;
  int32_t x = 0;  // the region's top-left pixel in the picture
  int32_t y = 0;
  int64_t frame = -1;  // the frame whose second it is, -1 while nothing flashed
};

struct FlashSecond {
  FlashPeak luminance;
  FlashPeak red;
  int32_t scene = -1;  // the scene (as given to AddFrame) whose flashes put the second over
                       // the limit, or else that of its first frame
  bool OverLimit() const {
    return luminance.transitions > kFlashTransitionLimit || red.transitions > kFlashTransitionLimit;
  }
  int32_t Worst() const { return std::max(luminance.transitions, red.transitions); }
};

struct FlashReport {
  int32_t framesPerSecond = 60;
  int64_t frames = 0;
  int32_t regionWidth = 0;  // pixels
  int32_t regionHeight = 0;
  int32_t areaPixels = 0;  // the covered area a region needs
  std::vector<FlashSecond> seconds;
  std::vector<int64_t> sceneStarts;  // the frame at which each scene change happened
  int32_t SecondsOverLimit() const;
  bool Passes() const { return SecondsOverLimit() == 0; }
};

class FlashAnalyser {
 public:
  // framesPerSecond: 1..1000.
  FlashAnalyser(const FlashGeometry& geometry, int32_t framesPerSecond);
  // picture: pictureWidth x pictureHeight pixels 0x00RRGGBB, stride pictureWidth. scene: any
  // number naming the part of the show the frame belongs to (-1: none).
  void AddFrame(const uint32_t* picture, int32_t scene = -1);
  const FlashReport& report() const { return report_; }

 private:
  FlashPeak WorstRegion(FlashKind kind, int32_t atLeast) const;
  bool RegionCovered(FlashKind kind, int32_t transitions, int32_t* x, int32_t* y) const;

  CellGrid grid_;
  TransitionWindow window_;
  std::vector<TransitionTrace> traces_;
  std::vector<CellLight> light_;
  std::vector<int32_t> cellArea_;
  int32_t regionColumns_ = 1;  // cells
  int32_t regionRows_ = 1;
  mutable std::vector<int32_t> covered_;  // summed-area table of the covering cells
  int32_t lastScene_ = -1;
  FlashReport report_;
};

// The report as text: the settings, per second the worst count of each kind and where,
// per scene the seconds over the limit and the worst count, and the verdict.
// sceneNames[i] names scene i (scenes without a name are shown by number).
std::string FormatFlashReport(const FlashReport& report, const std::vector<std::string>& sceneNames);

// The plot: the worst count per second as bars along the show (grey within the limit, red
// over it; 4 pixels a second, 6 a transition), the limit as a dashed yellow line, scene
// changes as blue lines, a tick under the axis every ten seconds. Pixels 0x00RRGGBB, top
// row first; *width and *height receive its size.
std::vector<uint32_t> PlotFlashReport(const FlashReport& report, int32_t* width, int32_t* height);

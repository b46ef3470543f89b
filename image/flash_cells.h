// Flash bookkeeping shared by the reduced-flashing limiter and the flash analyser: the
// picture cut into 16 x 16 cells, each cell's light as relative luminance and as red, the
// transitions a cell's light makes, and how many of them fell within the last second.
//
// Why cells: a flash is light changing over an area. A cell's mean light follows a flash
// that covers it, while detail finer than the cell averages out inside it, so a moving
// texture is not taken for flashing (large shapes sweeping across the view still are: to
// the eye that is light coming and going). Areas are counted in whole cells of 256 pixels,
// small enough beside the 5461 pixels that matter (a strobe of 40 x 40 pixels touches at
// most 16 cells, 4096 pixels, wherever it lies).
//
// The light of a cell, both in units of 1/65535:
//   - luminance: the mean relative luminance, 0.2126 R + 0.7152 G + 0.0722 B of the
//     linear (sRGB-decoded) channels;
//   - red: (R - G - B) of the mean linear channels, 0 when negative; 65535 stands for 1,
//     so a change of 20 on the (R - G - B) x 320 scale is 4096 here;
//   - saturatedRed: R / (R + G + B) >= 0.8 for the mean linear channels.
//
// A transition (TransitionTrace): a cell's value moving one way accumulates until it turns;
// once the movement so far reaches the step (and the kind's condition holds) it counts,
// once, in its direction. A flash is two opposing transitions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

constexpr int32_t kFlashCellSize = 16;

// Luminance: a change of at least 0.1 counts when the darker state is below 0.8.
constexpr int32_t kFlashLuminanceStep = 6554;
constexpr int32_t kFlashDarkLimit = 52428;
// Red: a change of more than 20 on the (R - G - B) x 320 scale, one end saturated red.
constexpr int32_t kFlashRedStep = 4096;
// The most transitions allowed in any one second: three flashes.
constexpr int32_t kFlashTransitionLimit = 6;

// The sRGB decoding of a channel value 0..255, in units of 1/65535.
extern const uint16_t kLinearChannel[256];

struct CellLight {
  uint16_t luminance = 0;
  uint16_t red = 0;
  bool saturatedRed = false;
};

// The grid of cells over a width x height picture: cells of 16 x 16 from the top-left; the
// last column and row of cells are narrower when the size is not a multiple of 16.
struct CellGrid {
  int32_t width = 0;  // the picture's, pixels
  int32_t height = 0;
  int32_t columns = 0;  // cells
  int32_t rows = 0;
  CellGrid() = default;
  CellGrid(int32_t pictureWidth, int32_t pictureHeight);
  int32_t Count() const { return columns * rows; }
  int32_t CellWidth(int32_t column) const;
  int32_t CellHeight(int32_t row) const;
};

// The light of one block of pixels 0x00RRGGBB (the top byte is ignored), `stride` pixels
// per row, cellWidth x cellHeight pixels (1..16 each).
CellLight MeasureCell(const uint32_t* pixels, int32_t stride, int32_t cellWidth, int32_t cellHeight);

// The light of every cell of a picture (stride = grid.width), row by row of cells, into
// cells[0 .. grid.Count()).
void MeasureCells(const CellGrid& grid, const uint32_t* pixels, CellLight* cells);
// The same for the rows of cells [firstRow, endRow) only (clamped to the grid).
void MeasureCellRows(const CellGrid& grid, const uint32_t* pixels, int32_t firstRow, int32_t endRow, CellLight* cells);

enum class FlashKind : uint8_t { Luminance = 0, Red = 1 };
constexpr int32_t kFlashKinds = 2;

// One cell's movement of one kind of light.
class TransitionTrace {
 public:
  // Follows `kind` of light, starting at `light` with no movement.
  void Reset(FlashKind kind, const CellLight& light);
  // The transition the next light would complete: +1 (brighter, or redder), -1, or 0.
  int32_t Peek(const CellLight& light) const;
  // Moves on to `light`; returns what Peek would have.
  int32_t Step(const CellLight& light);
  // The values (luminance or red, as followed) the next light may take without completing
  // a transition whatever its other conditions (darkness, saturation): [*low, *high].
  void FreeBand(int32_t* low, int32_t* high) const;
  uint16_t last() const { return last_; }

 private:
  uint16_t start_ = 0;  // where the present movement began
  uint16_t last_ = 0;   // the latest value: the far end of the present movement
  int8_t direction_ = 0;
  bool counted_ = false;  // the present movement has counted already
  bool startSaturated_ = false;
  bool lastSaturated_ = false;
  FlashKind kind_ = FlashKind::Luminance;
};

// Transitions per cell and kind over the last `windowFrames` frames. Each frame starts with
// BeginFrame, which forgets the frame that fell out of the window, then Add is called for
// the frame's transitions.
class TransitionWindow {
 public:
  TransitionWindow(int32_t cellCount, int32_t windowFrames);
  void BeginFrame();
  void Add(int32_t cell, FlashKind kind);
  int32_t Count(int32_t cell, FlashKind kind) const {
    return counts_[static_cast<size_t>(cell) * kFlashKinds + static_cast<size_t>(kind)];
  }
  int32_t windowFrames() const { return static_cast<int32_t>(frames_.size()); }

 private:
  std::vector<uint16_t> counts_;
  std::vector<std::vector<uint32_t>> frames_;  // per frame of the window: cell * 2 + kind
  size_t current_ = 0;
  bool started_ = false;
};

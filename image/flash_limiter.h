// FlashLimiter: the reduced-flashing filter between a finished picture and the screen.
//
// It passes every picture through unchanged, pixel for pixel, except where a cell of 16 x 16
// pixels (image/flash_cells.h) would make a transition while it already made
// kFlashTransitionLimit (six: three flashes) of that kind within the last second. There the
// new picture is blended with the one shown before, with just enough of the old one to keep
// the cell's light inside the range where no transition completes; the blend weights are
// spread over the neighbouring cells and interpolated between cell centres, so the change
// fades in and out smoothly instead of showing the cells' edges, and the picture keeps
// moving, only with less swing of light. A cell that still would flash after that shows its
// last picture again (nothing moves, so nothing counts). So no cell ever makes a fourth
// flash within a second, and still or slowly changing pictures are never touched.
//
// The limiter keeps the last picture shown and the cells' movements; it allocates once.
// One limiter follows one stream of pictures of one size.
#pragma once

#include <cstdint>
#include <vector>

#include "image/flash_cells.h"

class FlashLimiter {
 public:
  // Pictures of width x height pixels (at least 1 x 1), shown `framesPerSecond` a second
  // (1..1000): a second is that many pictures.
  FlashLimiter(int32_t width, int32_t height, int32_t framesPerSecond);

  // Contract: picture is width x height pixels 0x00RRGGBB, stride width, read only. Returns
  // the picture to show instead, in the limiter's own buffer (valid until the next call).
  // Where no cell is held back it is the same pixels; elsewhere a pixel is the per-channel
  // blend (shown x (256 - a) + new x a) >> 8 of the last picture shown and the new one, a
  // from 0 to 256, with the top byte 0.
  const uint32_t* Apply(const uint32_t* picture);

  // Cells held back in the last call, for tests and benchmarks.
  int32_t heldCells() const { return heldCells_; }

 private:
  bool WouldExceed(int32_t cell, const CellLight& light) const;
  int32_t WeightFor(int32_t cell) const;
  void SpreadWeights();
  void BlendRows(const uint32_t* picture, int32_t firstCellRow, int32_t endCellRow);
  void ShowLastCell(int32_t cell);

  CellGrid grid_;
  TransitionWindow window_;
  std::vector<TransitionTrace> traces_;  // per cell: luminance, then red
  std::vector<CellLight> light_;         // of the new picture, then of the one shown
  std::vector<CellLight> lastLight_;     // of the last picture shown
  std::vector<int32_t> cellWeight_;      // per cell: the weight of the new picture it may take
  std::vector<int32_t> spreadWeight_;    // the smallest of each cell's and its neighbours'
  std::vector<int32_t> rowWeight_;       // one pixel row's weights, interpolated between cell rows
  std::vector<uint32_t> shown_;
  std::vector<uint32_t> previous_;
  // Per pixel column: the cell centres on either side and the fraction, in 1/32, between.
  struct ColumnPlace {
    int32_t left = 0;
    int32_t right = 0;
    int32_t across = 0;
  };
  std::vector<ColumnPlace> columnPlaces_;
  bool started_ = false;
  int32_t heldCells_ = 0;
};

// FlashLimiter: holds back the light changes that would make a cell flash a fourth time in a second.
#include "image/flash_limiter.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

constexpr int32_t kWholeWeight = 256;
// A held cell whose blend still would flash has its weight halved and the picture blended
// again, this many times; then it shows its last picture.
constexpr int32_t kBlendRetries = 3;

// Where pixel coordinate `position` lies between cell centres (at 16 c + 7.5): the cell
// centre at or before it and the fraction, 0..31 in 1/32, towards the next one. Before the
// first centre and after the last the nearest centre takes it all.
void Between(int32_t position, int32_t cells, int32_t* first, int32_t* second, int32_t* fraction) {
  const int32_t halfPixels = 2 * position + 1 - kFlashCellSize;  // 1/32 cell from the first centre
  if (halfPixels < 0) {
    *first = *second = 0;
    *fraction = 0;
    return;
  }
  *first = std::min(halfPixels / (2 * kFlashCellSize), cells - 1);
  *second = std::min(*first + 1, cells - 1);
  *fraction = halfPixels % (2 * kFlashCellSize);
}

}  // namespace

FlashLimiter::FlashLimiter(int32_t width, int32_t height, int32_t framesPerSecond)
    : grid_(std::max(width, 1), std::max(height, 1)),
      window_(grid_.Count(), std::clamp(framesPerSecond, 1, 1000)),
      traces_(static_cast<size_t>(grid_.Count()) * kFlashKinds),
      light_(static_cast<size_t>(grid_.Count())),
      lastLight_(static_cast<size_t>(grid_.Count())),
      cellWeight_(static_cast<size_t>(grid_.Count()), kWholeWeight),
      spreadWeight_(static_cast<size_t>(grid_.Count()), kWholeWeight),
      rowWeight_(static_cast<size_t>(grid_.columns)),
      shown_(static_cast<size_t>(grid_.width) * grid_.height),
      previous_(static_cast<size_t>(grid_.width) * grid_.height),
      columnPlaces_(static_cast<size_t>(grid_.width)) {
  for (int32_t x = 0; x < grid_.width; ++x) {
    ColumnPlace& place = columnPlaces_[static_cast<size_t>(x)];
    Between(x, grid_.columns, &place.left, &place.right, &place.across);
  }
}

bool FlashLimiter::WouldExceed(int32_t cell, const CellLight& light) const {
  for (int32_t kind = 0; kind < kFlashKinds; ++kind) {
    if (window_.Count(cell, static_cast<FlashKind>(kind)) >= kFlashTransitionLimit &&
        traces_[static_cast<size_t>(cell) * kFlashKinds + kind].Peek(light) != 0)
      return true;
  }
  return false;
}

// The share of the new picture (0..256) that brings the cell's light back inside the free
// band of every kind it would flash in, assuming the blend moves the light in proportion.
int32_t FlashLimiter::WeightFor(int32_t cell) const {
  const CellLight& fresh = light_[cell];
  const CellLight& last = lastLight_[cell];
  int32_t weight = kWholeWeight;
  for (int32_t kind = 0; kind < kFlashKinds; ++kind) {
    const TransitionTrace& trace = traces_[static_cast<size_t>(cell) * kFlashKinds + kind];
    if (window_.Count(cell, static_cast<FlashKind>(kind)) < kFlashTransitionLimit || trace.Peek(fresh) == 0) continue;
    const bool luminance = kind == static_cast<int32_t>(FlashKind::Luminance);
    const int32_t from = luminance ? last.luminance : last.red;
    const int32_t to = luminance ? fresh.luminance : fresh.red;
    const int32_t margin = luminance ? kFlashLuminanceStep / 8 : kFlashRedStep / 8;
    int32_t low = 0;
    int32_t high = 0;
    trace.FreeBand(&low, &high);
    const int32_t target = std::clamp(to, std::min(low + margin, from), std::max(high - margin, from));
    if (to != from) weight = std::min(weight, std::clamp(kWholeWeight * (target - from) / (to - from), 0, kWholeWeight));
  }
  return weight;
}

// Each cell takes the smallest weight of itself and its eight neighbours. Every pixel of a
// held cell then lies between centres that all give it at most its own weight.
void FlashLimiter::SpreadWeights() {
  for (int32_t row = 0; row < grid_.rows; ++row) {
    for (int32_t column = 0; column < grid_.columns; ++column) {
      int32_t weight = kWholeWeight;
      for (int32_t near = std::max(row - 1, 0); near <= std::min(row + 1, grid_.rows - 1); ++near)
        for (int32_t side = std::max(column - 1, 0); side <= std::min(column + 1, grid_.columns - 1); ++side)
          weight = std::min(weight, cellWeight_[static_cast<size_t>(near) * grid_.columns + side]);
      spreadWeight_[static_cast<size_t>(row) * grid_.columns + column] = weight;
    }
  }
}

// shown_ = the new picture blended with previous_ by the interpolated weights, over the
// pixel rows of the cell rows [firstCellRow, endCellRow).
void FlashLimiter::BlendRows(const uint32_t* picture, int32_t firstCellRow, int32_t endCellRow) {
  const int32_t width = grid_.width;
  const int32_t endY = std::min(std::min(endCellRow, grid_.rows) * kFlashCellSize, grid_.height);
  for (int32_t y = std::max(firstCellRow, 0) * kFlashCellSize; y < endY; ++y) {
    int32_t upper = 0;
    int32_t lower = 0;
    int32_t down = 0;
    Between(y, grid_.rows, &upper, &lower, &down);
    const int32_t* upperWeights = spreadWeight_.data() + static_cast<size_t>(upper) * grid_.columns;
    const int32_t* lowerWeights = spreadWeight_.data() + static_cast<size_t>(lower) * grid_.columns;
    bool whole = true;
    for (int32_t column = 0; column < grid_.columns; ++column) {
      rowWeight_[column] = upperWeights[column] * (32 - down) + lowerWeights[column] * down;  // in 1/32
      whole = whole && rowWeight_[column] == kWholeWeight * 32;
    }
    const uint32_t* fresh = picture + static_cast<size_t>(y) * width;
    const uint32_t* old = previous_.data() + static_cast<size_t>(y) * width;
    uint32_t* out = shown_.data() + static_cast<size_t>(y) * width;
    if (whole) {
      std::memcpy(out, fresh, static_cast<size_t>(width) * sizeof(uint32_t));
      continue;
    }
    const ColumnPlace* place = columnPlaces_.data();
    for (int32_t x = 0; x < width; ++x) {
      const int32_t left = place[x].left;
      const int32_t right = place[x].right;
      const int32_t across = place[x].across;
      const uint32_t take = static_cast<uint32_t>(rowWeight_[left] * (32 - across) + rowWeight_[right] * across) >> 10;
      if (take >= kWholeWeight) {
        out[x] = fresh[x];
        continue;
      }
      const uint32_t keep = kWholeWeight - take;
      const uint32_t a = old[x];
      const uint32_t b = fresh[x];
      const uint32_t red = (((a >> 16) & 0xFF) * keep + ((b >> 16) & 0xFF) * take) >> 8;
      const uint32_t green = (((a >> 8) & 0xFF) * keep + ((b >> 8) & 0xFF) * take) >> 8;
      const uint32_t blue = ((a & 0xFF) * keep + (b & 0xFF) * take) >> 8;
      out[x] = red << 16 | green << 8 | blue;
    }
  }
}

// The last resort: the cell shows exactly what it showed last, which moves nothing.
void FlashLimiter::ShowLastCell(int32_t cell) {
  const int32_t column = cell % grid_.columns;
  const int32_t row = cell / grid_.columns;
  const size_t first = static_cast<size_t>(row) * kFlashCellSize * grid_.width +
                       static_cast<size_t>(column) * kFlashCellSize;
  for (int32_t y = 0; y < grid_.CellHeight(row); ++y) {
    const size_t start = first + static_cast<size_t>(y) * grid_.width;
    std::memcpy(shown_.data() + start, previous_.data() + start,
                static_cast<size_t>(grid_.CellWidth(column)) * sizeof(uint32_t));
  }
  light_[cell] = lastLight_[cell];
}

const uint32_t* FlashLimiter::Apply(const uint32_t* picture) {
  const int32_t cellCount = grid_.Count();
  MeasureCells(grid_, picture, light_.data());
  window_.BeginFrame();
  heldCells_ = 0;
  std::swap(shown_, previous_);  // previous_: the picture shown last
  if (!started_) {
    started_ = true;
    for (int32_t cell = 0; cell < cellCount; ++cell)
      for (int32_t kind = 0; kind < kFlashKinds; ++kind)
        traces_[static_cast<size_t>(cell) * kFlashKinds + kind].Reset(static_cast<FlashKind>(kind), light_[cell]);
    lastLight_ = light_;
    std::memcpy(shown_.data(), picture, shown_.size() * sizeof(uint32_t));
    return shown_.data();
  }
  for (int32_t cell = 0; cell < cellCount; ++cell) {
    const bool held = WouldExceed(cell, light_[cell]);
    cellWeight_[cell] = held ? WeightFor(cell) : kWholeWeight;
    heldCells_ += held ? 1 : 0;
  }
  if (heldCells_ == 0) {
    std::memcpy(shown_.data(), picture, shown_.size() * sizeof(uint32_t));
  } else {
    // The blend moves a cell's light only roughly in proportion to its weight (the channels
    // blend before they are decoded), so the result is measured and what still would flash
    // is blended again with less of the new picture. Only the rows of cells whose weights
    // changed (and the two rows either side they reach through the spread and the
    // interpolation) are blended and measured again.
    int32_t firstRow = grid_.rows;
    int32_t lastRow = -1;
    for (int32_t cell = 0; cell < cellCount; ++cell) {
      if (cellWeight_[cell] == kWholeWeight) continue;
      firstRow = std::min(firstRow, cell / grid_.columns);
      lastRow = std::max(lastRow, cell / grid_.columns);
    }
    std::memcpy(shown_.data(), picture, shown_.size() * sizeof(uint32_t));
    for (int32_t attempt = 0;; ++attempt) {
      const int32_t bandStart = std::max(firstRow - 2, 0);
      const int32_t bandEnd = std::min(lastRow + 3, grid_.rows);
      SpreadWeights();
      BlendRows(picture, bandStart, bandEnd);
      MeasureCellRows(grid_, shown_.data(), bandStart, bandEnd, light_.data());
      firstRow = grid_.rows;
      lastRow = -1;
      for (int32_t cell = bandStart * grid_.columns; cell < bandEnd * grid_.columns; ++cell) {
        if (!WouldExceed(cell, light_[cell])) continue;
        if (attempt == kBlendRetries) {
          ShowLastCell(cell);
        } else {
          cellWeight_[cell] /= 2;
          firstRow = std::min(firstRow, cell / grid_.columns);
          lastRow = std::max(lastRow, cell / grid_.columns);
        }
      }
      if (lastRow < 0) break;
    }
  }
  for (int32_t cell = 0; cell < cellCount; ++cell) {
    for (int32_t kind = 0; kind < kFlashKinds; ++kind) {
      if (traces_[static_cast<size_t>(cell) * kFlashKinds + kind].Step(light_[cell]) != 0)
        window_.Add(cell, static_cast<FlashKind>(kind));
    }
  }
  std::swap(lastLight_, light_);
  return shown_.data();
}

// Flash bookkeeping: cell light, transitions and the one-second window of counts.
#include "image/flash_cells.h"

#include <algorithm>

// round(65535 * decode(v / 255)) with the sRGB decoding: c / 12.92 up to 0.04045, else
// ((c + 0.055) / 1.055) ^ 2.4.
const uint16_t kLinearChannel[256] = {
    0, 20, 40, 60, 80, 99, 119, 139, 159, 179, 199, 219,
    241, 264, 288, 313, 340, 367, 396, 427, 458, 491, 526, 562,
    599, 637, 677, 718, 761, 805, 851, 898, 947, 997, 1048, 1101,
    1156, 1212, 1270, 1330, 1391, 1453, 1517, 1583, 1651, 1720, 1790, 1863,
    1937, 2013, 2090, 2170, 2250, 2333, 2418, 2504, 2592, 2681, 2773, 2866,
    2961, 3058, 3157, 3258, 3360, 3464, 3570, 3678, 3788, 3900, 4014, 4129,
    4247, 4366, 4488, 4611, 4736, 4864, 4993, 5124, 5257, 5392, 5530, 5669,
    5810, 5953, 6099, 6246, 6395, 6547, 6700, 6856, 7014, 7174, 7335, 7500,
    7666, 7834, 8004, 8177, 8352, 8528, 8708, 8889, 9072, 9258, 9445, 9635,
    9828, 10022, 10219, 10417, 10619, 10822, 11028, 11235, 11446, 11658, 11873, 12090,
    12309, 12530, 12754, 12980, 13209, 13440, 13673, 13909, 14146, 14387, 14629, 14874,
    15122, 15371, 15623, 15878, 16135, 16394, 16656, 16920, 17187, 17456, 17727, 18001,
    18277, 18556, 18837, 19121, 19407, 19696, 19987, 20281, 20577, 20876, 21177, 21481,
    21787, 22096, 22407, 22721, 23038, 23357, 23678, 24002, 24329, 24658, 24990, 25325,
    25662, 26001, 26344, 26688, 27036, 27386, 27739, 28094, 28452, 28813, 29176, 29542,
    29911, 30282, 30656, 31033, 31412, 31794, 32179, 32567, 32957, 33350, 33745, 34143,
    34544, 34948, 35355, 35764, 36176, 36591, 37008, 37429, 37852, 38278, 38706, 39138,
    39572, 40009, 40449, 40891, 41337, 41785, 42236, 42690, 43147, 43606, 44069, 44534,
    45002, 45473, 45947, 46423, 46903, 47385, 47871, 48359, 48850, 49344, 49841, 50341,
    50844, 51349, 51858, 52369, 52884, 53401, 53921, 54445, 54971, 55500, 56032, 56567,
    57105, 57646, 58190, 58737, 59287, 59840, 60396, 60955, 61517, 62082, 62650, 63221,
    63795, 64372, 64952, 65535,
};

namespace {

// The luminance weights 0.2126, 0.7152 and 0.0722 in 1/65536; they add up to 65536.
constexpr uint64_t kRedWeight = 13933;
constexpr uint64_t kGreenWeight = 46871;
constexpr uint64_t kBlueWeight = 4732;

}  // namespace

CellGrid::CellGrid(int32_t pictureWidth, int32_t pictureHeight)
    : width(pictureWidth), height(pictureHeight),
      columns((pictureWidth + kFlashCellSize - 1) / kFlashCellSize),
      rows((pictureHeight + kFlashCellSize - 1) / kFlashCellSize) {}

int32_t CellGrid::CellWidth(int32_t column) const {
  return std::min(kFlashCellSize, width - column * kFlashCellSize);
}

int32_t CellGrid::CellHeight(int32_t row) const {
  return std::min(kFlashCellSize, height - row * kFlashCellSize);
}

namespace {

// Sums of the decoded channels of at most 256 pixels stay below 2^24.
CellLight LightOfSums(uint32_t red, uint32_t green, uint32_t blue, uint32_t pixels) {
  CellLight light;
  const uint64_t weighted = kRedWeight * red + kGreenWeight * green + kBlueWeight * blue;
  light.luminance = static_cast<uint16_t>(weighted / (uint64_t{pixels} << 16));
  const uint32_t others = green + blue;
  light.red = red > others ? static_cast<uint16_t>((red - others) / pixels) : 0;
  light.saturatedRed = red > 0 && red >= 4 * others;  // R / (R + G + B) >= 0.8
  return light;
}

}  // namespace

CellLight MeasureCell(const uint32_t* pixels, int32_t stride, int32_t cellWidth, int32_t cellHeight) {
  uint32_t red = 0;
  uint32_t green = 0;
  uint32_t blue = 0;
  for (int32_t y = 0; y < cellHeight; ++y, pixels += stride) {
    for (int32_t x = 0; x < cellWidth; ++x) {
      const uint32_t pixel = pixels[x];
      red += kLinearChannel[(pixel >> 16) & 0xFF];
      green += kLinearChannel[(pixel >> 8) & 0xFF];
      blue += kLinearChannel[pixel & 0xFF];
    }
  }
  return LightOfSums(red, green, blue, static_cast<uint32_t>(cellWidth * cellHeight));
}

void MeasureCells(const CellGrid& grid, const uint32_t* pixels, CellLight* cells) {
  MeasureCellRows(grid, pixels, 0, grid.rows, cells);
}

void MeasureCellRows(const CellGrid& grid, const uint32_t* pixels, int32_t firstRow, int32_t endRow, CellLight* cells) {
  firstRow = std::max(firstRow, 0);
  endRow = std::min(endRow, grid.rows);
  // One pass down the rows: each pixel row adds to the sums of its row of cells.
  uint32_t sums[3 * 1024];  // up to 1024 cells a row, then the grid is taken cell by cell
  if (grid.columns > 1024) {
    for (int32_t row = firstRow; row < endRow; ++row)
      for (int32_t column = 0; column < grid.columns; ++column)
        cells[row * grid.columns + column] =
            MeasureCell(pixels + static_cast<size_t>(row) * kFlashCellSize * grid.width + column * kFlashCellSize,
                        grid.width, grid.CellWidth(column), grid.CellHeight(row));
    return;
  }
  const uint16_t* linear = kLinearChannel;
  for (int32_t cellRow = firstRow; cellRow < endRow; ++cellRow) {
    std::fill(sums, sums + grid.columns * 3, 0u);
    const int32_t cellHeight = grid.CellHeight(cellRow);
    const uint32_t* line = pixels + static_cast<size_t>(cellRow) * kFlashCellSize * grid.width;
    for (int32_t y = 0; y < cellHeight; ++y, line += grid.width) {
      const uint32_t* pixel = line;
      for (int32_t column = 0; column < grid.columns; ++column) {
        uint32_t red = 0;
        uint32_t green = 0;
        uint32_t blue = 0;
        const int32_t cellWidth = grid.CellWidth(column);
        for (int32_t x = 0; x < cellWidth; ++x) {
          const uint32_t value = pixel[x];
          red += linear[(value >> 16) & 0xFF];
          green += linear[(value >> 8) & 0xFF];
          blue += linear[value & 0xFF];
        }
        pixel += cellWidth;
        sums[column * 3] += red;
        sums[column * 3 + 1] += green;
        sums[column * 3 + 2] += blue;
      }
    }
    for (int32_t column = 0; column < grid.columns; ++column) {
      const uint32_t area = static_cast<uint32_t>(grid.CellWidth(column) * cellHeight);
      cells[cellRow * grid.columns + column] = LightOfSums(sums[column * 3], sums[column * 3 + 1], sums[column * 3 + 2], area);
    }
  }
}

namespace {

uint16_t ValueOf(FlashKind kind, const CellLight& light) {
  return kind == FlashKind::Luminance ? light.luminance : light.red;
}

}  // namespace

void TransitionTrace::Reset(FlashKind kind, const CellLight& light) {
  *this = TransitionTrace();
  kind_ = kind;
  start_ = last_ = ValueOf(kind, light);
  startSaturated_ = lastSaturated_ = light.saturatedRed;
}

int32_t TransitionTrace::Peek(const CellLight& light) const {
  TransitionTrace next = *this;
  return next.Step(light);
}

int32_t TransitionTrace::Step(const CellLight& light) {
  const uint16_t value = ValueOf(kind_, light);
  if (value == last_) return 0;
  const int8_t direction = value > last_ ? 1 : -1;
  if (direction != direction_) {  // a turn (or the first move): a new movement from here
    start_ = last_;
    startSaturated_ = lastSaturated_;
    direction_ = direction;
    counted_ = false;
  }
  last_ = value;
  lastSaturated_ = light.saturatedRed;
  if (counted_) return 0;
  const int32_t low = std::min(start_, last_);
  const int32_t swing = std::max(start_, last_) - low;
  const bool counts = kind_ == FlashKind::Luminance
                          ? swing >= kFlashLuminanceStep && low < kFlashDarkLimit
                          : swing > kFlashRedStep && (startSaturated_ || lastSaturated_);
  if (!counts) return 0;
  counted_ = true;
  return direction;
}

void TransitionTrace::FreeBand(int32_t* low, int32_t* high) const {
  // The largest swing that never counts: just under the luminance step, exactly the red one.
  const int32_t free = kind_ == FlashKind::Luminance ? kFlashLuminanceStep - 1 : kFlashRedStep;
  const int32_t back = last_ - direction_ * free;  // a turn starts a movement from last_
  const int32_t on = counted_ ? (direction_ > 0 ? 65535 : 0) : start_ + direction_ * free;
  if (direction_ == 0) {
    *low = last_ - free;
    *high = last_ + free;
  } else {
    *low = std::min(back, on);
    *high = std::max(back, on);
  }
  *low = std::max(*low, 0);
  *high = std::min(*high, 65535);
}

TransitionWindow::TransitionWindow(int32_t cellCount, int32_t windowFrames)
    : counts_(static_cast<size_t>(cellCount) * kFlashKinds, 0),
      frames_(static_cast<size_t>(std::max(windowFrames, 1))) {}

void TransitionWindow::BeginFrame() {
  if (started_) current_ = (current_ + 1) % frames_.size();
  started_ = true;
  std::vector<uint32_t>& leaving = frames_[current_];
  for (uint32_t entry : leaving) --counts_[entry];
  leaving.clear();
}

void TransitionWindow::Add(int32_t cell, FlashKind kind) {
  const uint32_t entry = static_cast<uint32_t>(cell) * kFlashKinds + static_cast<uint32_t>(kind);
  frames_[current_].push_back(entry);
  ++counts_[entry];
}

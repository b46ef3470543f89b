// QuickSortFaces and FaceSorter: the depth sort of the faces.
#include "engine3d/face_sort.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

// The quicksort, handing every range it is about to partition to `finished` first: a
// range for which that returns true is taken as sorted and left alone.
template <class Finished>
void PartitionRanges(float* keys, int32_t* indices, int32_t lo, int32_t hi, const Finished& finished) {
  while (lo < hi) {
    if (finished(lo, hi)) return;
    const float pivot = keys[lo + (hi - lo) / 2];
    int32_t i = lo, j = hi;
    // Hoare partition. The scans stop on any key that is not strictly below (above)
    // the pivot, which keeps them inside [lo, hi] even with NaN keys.
    do {
      while (keys[i] < pivot) ++i;
      while (keys[j] > pivot) --j;
      if (i > j) break;
      std::swap(keys[i], keys[j]);
      std::swap(indices[i], indices[j]);
      ++i;
      --j;
    } while (i <= j);
    // [lo, j] and [i, hi] are sorted independently, so the order in which they are
    // done changes nothing; recursing into the smaller keeps the stack shallow.
    if (j - lo < hi - i) {
      PartitionRanges(keys, indices, lo, j, finished);
      lo = i;
    } else {
      PartitionRanges(keys, indices, i, hi, finished);
      hi = j;
    }
  }
}

// A float's bits (the browser build's library has no std::bit_cast).
uint32_t BitsOf(float key) {
  uint32_t bits = 0;
  std::memcpy(&bits, &key, sizeof bits);
  return bits;
}

// A float's bits turned into an unsigned number that orders as the float does, -0.0
// just below 0.0.
uint32_t SortableBits(uint32_t bits) { return (bits & 0x80000000u) != 0 ? ~bits : bits | 0x80000000u; }

bool IsNaN(uint32_t bits) { return (bits & 0x7FFFFFFFu) > 0x7F800000u; }

}  // namespace

void QuickSortFaces(float* keys, int32_t* indices, int32_t lo, int32_t hi) {
  PartitionRanges(keys, indices, lo, hi, [](int32_t, int32_t) { return false; });
}

bool FaceSorter::RadixOrder(const float* keys, int32_t count) {
  const size_t size = static_cast<size_t>(count);
  for (std::vector<uint32_t>* numbers : {&sortable_, &sortableSpare_}) numbers->resize(size);
  for (std::vector<int32_t>* from : {&positions_, &positionsSpare_}) from->resize(size);
  for (int32_t k = 0; k < count; ++k) {
    const uint32_t bits = BitsOf(keys[k]);
    if (IsNaN(bits)) return false;
    sortable_[k] = SortableBits(bits);
    positions_[k] = k;
  }
  // Least significant digit first, 11 + 11 + 10 bits; each pass is stable.
  constexpr int kDigitBits = 11;
  constexpr int32_t kBuckets = 1 << kDigitBits;
  int32_t starts[kBuckets];
  for (int shift = 0; shift < 32; shift += kDigitBits) {
    std::fill(starts, starts + kBuckets, 0);
    for (int32_t k = 0; k < count; ++k) ++starts[(sortable_[k] >> shift) & (kBuckets - 1)];
    int32_t next = 0;
    for (int32_t& start : starts) next += std::exchange(start, next);
    for (int32_t k = 0; k < count; ++k) {
      const int32_t slot = starts[(sortable_[k] >> shift) & (kBuckets - 1)]++;
      sortableSpare_[slot] = sortable_[k];
      positionsSpare_[slot] = positions_[k];
    }
    sortable_.swap(sortableSpare_);
    positions_.swap(positionsSpare_);
  }
  return true;
}

void FaceSorter::Sort(float* keys, int32_t* indices, int32_t count) {
  if (count < 2) return;
  if (!RadixOrder(keys, count)) {
    QuickSortFaces(keys, indices, 0, count - 1);
    return;
  }
  const size_t size = static_cast<size_t>(count);
  sortedKeys_.resize(size);
  sortedIndices_.resize(size);
  repeated_.resize(size + 1);
  for (int32_t k = 0; k < count; ++k) {
    sortedKeys_[k] = keys[positions_[k]];
    sortedIndices_[k] = indices[positions_[k]];
  }
  repeated_[0] = 0;
  for (int32_t k = 0; k < count; ++k) {
    const bool repeats = (k > 0 && sortedKeys_[k - 1] == sortedKeys_[k]) ||
                         (k + 1 < count && sortedKeys_[k + 1] == sortedKeys_[k]);
    repeated_[k + 1] = repeated_[k] + (repeats ? 1 : 0);
  }
  // Every range the quicksort partitions holds, as a set, the keys of the same
  // positions of the sorted order, as all keys left of it are no larger and all right of
  // it no smaller. A range without a repeated key therefore ends exactly as sorted here,
  // each key with the one index it came with; only the others need the partition steps.
  PartitionRanges(keys, indices, 0, count - 1, [&](int32_t lo, int32_t hi) {
    if (repeated_[hi + 1] != repeated_[lo]) return false;
    std::copy(sortedKeys_.begin() + lo, sortedKeys_.begin() + hi + 1, keys + lo);
    std::copy(sortedIndices_.begin() + lo, sortedIndices_.begin() + hi + 1, indices + lo);
    return true;
  });
}

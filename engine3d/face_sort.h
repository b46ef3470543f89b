// The depth sort of an object's faces: an in-place quicksort of float keys that
// carries an int32 index array along, and a faster sorter that ends in the same order.
//
// The quicksort takes the arrays it sorts (an object's faceDepth and faceOrder) as
// parameters and keeps nothing between calls. It is not stable: faces with equal keys
// end in the order that the partitioning leaves them in, which decides which of two
// equally deep faces is drawn last, so the partition steps are part of the picture.
#pragma once

#include <cstdint>
#include <vector>

// Sorts keys[lo..hi] (inclusive) into ascending order, moving indices[lo..hi] with
// them. Hoare partition around the middle key. The smaller part is sorted by
// recursion and the larger one by the loop, so the stack depth stays below
// log2(count) frames whatever the keys; the result is the same as always recursing
// into the left part first. An empty range (hi < lo) returns at once. NaN keys
// neither crash nor leave the range: they just end up somewhere.
void QuickSortFaces(float* keys, int32_t* indices, int32_t lo, int32_t hi);

// Sorts keys[0..count-1] with their indices into exactly the order that
// QuickSortFaces(keys, indices, 0, count - 1) leaves, equal keys included, in a fraction
// of its time. A radix sort finds the order of every key that occurs once; the
// quicksort's partitions are walked only through ranges that hold a key occurring more
// than once (with 0.0 and -0.0 counted as equal), as only there do its steps decide the
// order. Any NaN key hands the whole sort to QuickSortFaces. The work arrays grow to the
// largest count seen and are kept, so sorting the same count again allocates nothing.
class FaceSorter {
 public:
  void Sort(float* keys, int32_t* indices, int32_t count);

 private:
  // Orders positions 0..count-1 of keys by key value; false if a key is NaN.
  bool RadixOrder(const float* keys, int32_t count);

  std::vector<uint32_t> sortable_, sortableSpare_;  // keys as ordered unsigned numbers
  std::vector<int32_t> positions_, positionsSpare_;  // where each sorted key came from
  std::vector<float> sortedKeys_;
  std::vector<int32_t> sortedIndices_;
  // repeated_[k]: how many of sorted positions 0..k-1 hold a key that occurs twice or more.
  std::vector<int32_t> repeated_;
};

// The depth sort of an object's faces: an in-place quicksort of float keys that
// carries an int32 index array along.
//
// The sort takes the arrays it sorts (an object's faceDepth and faceOrder) as parameters
// and keeps nothing between calls. It is not stable: faces with equal keys end in the
// order that the partitioning leaves them in, which decides which of two equally deep
// faces is drawn last, so the partition steps are part of the picture.
#pragma once

#include <cstdint>

// Sorts keys[lo..hi] (inclusive) into ascending order, moving indices[lo..hi] with
// them. Hoare partition around the middle key. The smaller part is sorted by
// recursion and the larger one by the loop, so the stack depth stays below
// log2(count) frames whatever the keys; the result is the same as always recursing
// into the left part first. An empty range (hi < lo) returns at once. NaN keys
// neither crash nor leave the range: they just end up somewhere.
void QuickSortFaces(float* keys, int32_t* indices, int32_t lo, int32_t hi);

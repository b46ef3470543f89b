// The depth sort of an object's faces: an in-place quicksort of float keys that
// carries an int32 index array along.
//
// The two globals point at the arrays being sorted (an object's faceDepth and
// faceOrder); Objet3d::SortFaces sets them right before each sort, so only one sort
// may run at a time. The sort is not stable: faces with equal keys end in the order
// that the partitioning leaves them in, which decides which of two equally deep
// faces is drawn last, so the partition steps are part of the picture.
#pragma once

#include <cstdint>

extern float* SortKeys;
extern int32_t* SortIndices;

// Sorts SortKeys[lo..hi] (inclusive) into ascending order, moving SortIndices with
// them. Hoare partition around the middle key. The smaller part is sorted by
// recursion and the larger one by the loop, so the stack depth stays below
// log2(count) frames whatever the keys; the result is the same as always recursing
// into the left part first. An empty range (hi < lo) returns at once. NaN keys
// neither crash nor leave the range: they just end up somewhere.
void QuickSortFaces(int32_t lo, int32_t hi);

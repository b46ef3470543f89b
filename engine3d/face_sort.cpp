// QuickSortFaces: the depth sort of the faces.
#include "engine3d/face_sort.h"

#include <utility>

void QuickSortFaces(float* keys, int32_t* indices, int32_t lo, int32_t hi) {
  while (lo < hi) {
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
      QuickSortFaces(keys, indices, lo, j);
      lo = i;
    } else {
      QuickSortFaces(keys, indices, i, hi);
      hi = j;
    }
  }
}

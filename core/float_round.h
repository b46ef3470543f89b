// RoundToFloat: a rounding to a 32-bit float that no optimiser can skip.
//
// Arithmetic runs in double and values are stored as floats. Where a rounded value is
// read back into a double expression in the same routine, GCC 12's vectoriser (-O2 and
// up) can pair two such round trips and drop both roundings, so the frames would depend
// on the compiler. A named float local is not enough to stop it. A volatile float must
// be written and read back as the language defines it, by every compiler at every level.
// The cost is one store and one load: use it in set-up code, not in pixel loops.
#pragma once

inline float RoundToFloat(double value) {
  volatile float rounded = static_cast<float>(value);
  return rounded;
}

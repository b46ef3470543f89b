// The trigonometry sweep: Sin, Cos and Atan2 against the C library and a long double
// evaluation over the arguments the scenes use and the hardest ones, shared by the unit
// test (a small sweep) and bench/core (10 million arguments).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>

#include "core/trig.h"

// Doubles as integers in the order of their values, so that adjacent doubles differ by 1.
inline int64_t Ordered(double x) {
  int64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  return bits < 0 ? INT64_MIN - bits : bits;
}
inline int64_t UlpsApart(double a, double b) {
  const int64_t d = Ordered(a) - Ordered(b);
  return d < 0 ? -d : d;
}
// |got - exact| in units of the last place of doubles at the exact value.
inline double UlpError(double got, long double exact) {
  int exponent;
  std::frexp(static_cast<double>(exact), &exponent);
  return static_cast<double>(std::fabs(static_cast<long double>(got) - exact) /
                             std::ldexp(1.0L, std::max(exponent, -1021) - 53));
}

// A double spread evenly over the exponents 2^-60 .. 2^1023, either sign.
inline double WideArgument(std::mt19937_64& generator) {
  const double mantissa = 1.0 + static_cast<double>(generator() >> 12) * 0x1p-52;
  const double x = std::ldexp(mantissa, static_cast<int>(generator() % 1084) - 60);
  return (generator() & 1) != 0 ? -x : x;
}

struct TrigSweep {
  int64_t mostUlpsFromTheCLibrary = 0;  // the largest distance from sin, cos or atan2
  double worstArgument = 0.0;           // an argument at that distance (x, or y of atan2)
  int64_t differ[3] = {};               // last-bit differences from the C library: sin, cos, atan2
  double worstSin = 0.0, worstCos = 0.0, worstAtan2 = 0.0;  // ulp from long double, on a fifth
};

// Scene angles are clock seconds (up to hours) times factors of 0.02 to 2, plus
// offsets; camera angles lie in [-2 pi, 2 pi]; atan2 gets camera rows and hit points.
// Near multiples of pi / 2 the reduction cancels most bits: the hardest arguments.
inline TrigSweep SweepTrig(int arguments) {
  std::mt19937_64 generator(12);
  std::uniform_real_distribution<double> angle(-8.0, 8.0), clock(0.0, 30000.0), row(-1.0, 1.0),
      hit(-6000.0, 6000.0);
  TrigSweep sweep;
  const auto note = [&sweep](int64_t apart, double argument) {
    if (apart > sweep.mostUlpsFromTheCLibrary) sweep.mostUlpsFromTheCLibrary = apart, sweep.worstArgument = argument;
  };
  for (int i = 0; i < arguments; ++i) {
    const int kind = i % 5;
    const double x = kind == 0   ? angle(generator)
                     : kind == 1 ? clock(generator) * 0.6 + 3.1415
                     : kind == 2 ? clock(generator) * 0.013
                     : kind == 3 ? std::nextafter(std::round(clock(generator)) * 1.5707963267948966, 0.0)
                                 : WideArgument(generator);
    const double sine = Sin(x), cosine = Cos(x);
    note(UlpsApart(sine, std::sin(x)), x);
    note(UlpsApart(cosine, std::cos(x)), x);
    const auto pick = [&] {
      return kind == 0 ? row(generator) : kind == 1 ? hit(generator) : kind == 2 ? angle(generator) : WideArgument(generator);
    };
    const double y = pick(), along = pick();
    const double atan = Atan2(y, along);
    note(UlpsApart(atan, std::atan2(y, along)), y);
    sweep.differ[0] += sine != std::sin(x);
    sweep.differ[1] += cosine != std::cos(x);
    sweep.differ[2] += atan != std::atan2(y, along);
    if (i / 5 % 5 == 0) {  // a fifth of the arguments of each kind
      sweep.worstSin = std::max(sweep.worstSin, UlpError(sine, sinl(x)));
      sweep.worstCos = std::max(sweep.worstCos, UlpError(cosine, cosl(x)));
      sweep.worstAtan2 = std::max(sweep.worstAtan2, UlpError(atan, atan2l(y, along)));
    }
  }
  return sweep;
}

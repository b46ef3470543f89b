// Exp in plain IEEE double arithmetic: x = k ln 2 + r, a fixed rational form for e^r,
// then the exponent adjusted by k (the classic freely distributable method, < 1 ulp).
#include "core/exp.h"

#include <cstdint>
#include <cstring>

#include "core/power_of_two.h"

double Exp(double x) {
  constexpr double kLn2High = 0x1.62e42feep-1, kLn2Low = 0x1.a39ef35793c76p-33;
  constexpr double kInvLn2 = 0x1.71547652b82fep+0;
  constexpr double P1 = 1.66666666666666019037e-01, P2 = -2.77777777770155933842e-03,
                   P3 = 6.61375632143793436117e-05, P4 = -1.65339022054652515390e-06,
                   P5 = 4.13813679705723846039e-08;
  if (x != x) return x + x;
  if (x > 709.782712893383973096) return x * 0x1p1023;  // +infinity
  if (x < -745.13321910194110842) return 0.0;
  if (x > -0x1p-28 && x < 0x1p-28) return 1.0 + x;
  int k = 0;
  double high = x, low = 0.0;
  if (x > 0.5 * 0x1.62e42fefa39efp-1 || x < -0.5 * 0x1.62e42fefa39efp-1) {
    // k ln 2 in two parts; k times the high part is exact for |k| < 2^21.
    k = static_cast<int>(x * kInvLn2 + (x < 0.0 ? -0.5 : 0.5));
    high = x - k * kLn2High;
    low = k * kLn2Low;
  }
  const double r = high - low;
  const double t = r * r;
  const double c = r - t * (P1 + t * (P2 + t * (P3 + t * (P4 + t * P5))));
  const double y = k == 0 ? 1.0 - ((r * c) / (c - 2.0) - r) : 1.0 - ((low - (r * c) / (2.0 - c)) - high);
  if (k >= -1021) return k == 1024 ? y * 2.0 * 0x1p1023 : y * PowerOfTwo(k);
  return y * PowerOfTwo(k + 1000) * 0x1p-1000;
}

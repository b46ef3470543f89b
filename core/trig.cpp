// Sin, Cos and Atan2 in plain IEEE double arithmetic: argument reduction, then fixed
// minimax polynomials (the classic freely distributable kernels, < 1 ulp).
#include "core/trig.h"

#include <cstdint>
#include <cstring>

#include "core/power_of_two.h"

namespace {

uint64_t Bits(double x) {
  uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  return bits;
}
// The biased exponent field of |x|.
int Exponent(double x) { return static_cast<int>((Bits(x) >> 52) & 0x7FF); }
double Abs(double x) { return x < 0.0 ? -x : (x == 0.0 ? 0.0 : x); }

// sin(x + y) for |x| <= pi / 4, y a tail below half an ulp of x.
double SinKernel(double x, double y) {
  constexpr double S1 = -1.66666666666666324348e-01, S2 = 8.33333333332248946124e-03,
                   S3 = -1.98412698298579493134e-04, S4 = 2.75573137070700676789e-06,
                   S5 = -2.50507602534068634195e-08, S6 = 1.58969099521155010221e-10;
  const double z = x * x, w = z * z;
  const double r = S2 + z * (S3 + z * S4) + z * w * (S5 + z * S6);
  const double v = z * x;
  return x - ((z * (0.5 * y - v * r) - y) - v * S1);
}

// cos(x + y) for |x| <= pi / 4.
double CosKernel(double x, double y) {
  constexpr double C1 = 4.16666666666666019037e-02, C2 = -1.38888888888741095749e-03,
                   C3 = 2.48015872894767294178e-05, C4 = -2.75573143513906633035e-07,
                   C5 = 2.08757232129817482790e-09, C6 = -1.13596475577881948265e-11;
  const double z = x * x, w = z * z;
  const double r = z * (C1 + z * (C2 + z * C3)) + w * w * (C4 + z * (C5 + z * C6));
  const double halfZ = 0.5 * z;
  const double near = 1.0 - halfZ;
  return near + (((1.0 - near) - halfZ) + (z * r - x * y));
}

// 1280 bits of 2 / pi, most significant first.
constexpr uint64_t kTwoOverPi[] = {
    0xA2F9836E4E441529ULL, 0xFC2757D1F534DDC0ULL, 0xDB6295993C439041ULL, 0xFE5163ABDEBBC561ULL,
    0xB7246E3A424DD2E0ULL, 0x06492EEA09D1921CULL, 0xFE1DEB1CB129A73EULL, 0xE88235F52EBB4484ULL,
    0xE99C7026B45F7E41ULL, 0x3991D639835339F4ULL, 0x9C845F8BBDF9283BULL, 0x1FF897FFDE05980FULL,
    0xEF2F118B5A0A6D1FULL, 0x6D367ECF27CB09B7ULL, 0x4F463F669E5FEA2DULL, 0x7527BAC7EBE5F17BULL,
    0x3D0739F78A5292EAULL, 0x6BFB5FB11F8D5D08ULL, 0x56033046FC7B6BABULL, 0xF0CFBC209AF4361DULL};

// The 64 bits first .. first + 63 of 2 / pi (bit 1 has the weight 1/2).
uint64_t TwoOverPiWord(int first) {
  const int word = (first - 1) / 64, shift = (first - 1) % 64;
  const uint64_t high = kTwoOverPi[word];
  if (shift == 0) return high;
  return high << shift | kTwoOverPi[word + 1] >> (64 - shift);
}

// Exact product of two doubles as hi + lo (Veltkamp split, no fused multiply-add).
void TwoProduct(double a, double b, double* hi, double* lo) {
  constexpr double kSplit = 134217729.0;  // 2^27 + 1
  const double ca = kSplit * a, cb = kSplit * b;
  const double aHigh = ca - (ca - a), aLow = a - aHigh;
  const double bHigh = cb - (cb - b), bLow = b - bHigh;
  *hi = a * b;
  *lo = ((aHigh * bHigh - *hi) + aHigh * bLow + aLow * bHigh) + aLow * bLow;
}

// x = n pi / 2 + y0 + y1 for |x| >= 2^19 pi / 2 (finite, positive): the exact residue
// of x times 2 / pi, from the bits of 2 / pi that matter at this exponent.
int ReduceLarge(double x, double* y0, double* y1) {
  const uint64_t mantissa = (Bits(x) & ((1ULL << 52) - 1)) | (1ULL << 52);
  const int e = Exponent(x) - 1075;  // x = mantissa * 2^e, e >= -32 here
  // Bits of 2 / pi whose products with x are multiples of 4 do not change n mod 4 or
  // the fraction: start at bit e - 1 (or 1). Four words give a product of 309 bits,
  // whose low end is off by less than 2^-137 of a turn: far beyond the closest a double
  // comes to a multiple of pi / 2 (about 2^-61 of one).
  const int first = e - 1 > 1 ? e - 1 : 1;
  const int fractionBits = first + 255 - e;  // value = product / 2^fractionBits
  uint64_t product[5] = {};  // little-endian 64-bit limbs of mantissa * window
  for (int i = 0; i < 4; ++i) {
    const uint64_t windowWord = TwoOverPiWord(first + 64 * (3 - i));  // limb i of the window
    const unsigned __int128 partial = static_cast<unsigned __int128>(windowWord) * mantissa;
    unsigned __int128 sum = static_cast<unsigned __int128>(product[i]) + static_cast<uint64_t>(partial);
    product[i] = static_cast<uint64_t>(sum);
    sum = (sum >> 64) + product[i + 1] + static_cast<uint64_t>(partial >> 64);
    product[i + 1] = static_cast<uint64_t>(sum);
  }
  // The two bits above the fraction are n mod 4, the 128 bits below them its top.
  const auto bitAt = [&](int bit) { return static_cast<int>((product[bit / 64] >> (bit % 64)) & 1); };
  int n = bitAt(fractionBits) | bitAt(fractionBits + 1) << 1;
  const auto bits64Below = [&](int top) {  // bits top - 64 .. top - 1
    const int low = top - 64, word = low / 64, shift = low % 64;
    return shift == 0 ? product[word] : product[word] >> shift | product[word + 1] << (64 - shift);
  };
  uint64_t high = bits64Below(fractionBits), low = bits64Below(fractionBits - 64);
  // Centre the fraction on [-1/2, 1/2): a fraction of 1/2 or more counts towards n + 1.
  const bool negative = (high >> 63) != 0;
  if (negative) {
    n = (n + 1) & 3;
    high = ~high;
    low = ~low;  // 1 - f, off by one unit in 2^-128
  }
  // Normalise so that the leading bit is set, then take 53 bits and the rest as a tail.
  int shift = 0;
  if (high == 0) {
    high = low;
    low = 0;
    shift = 64;
  }
  if (high == 0) {  // cannot happen for a double (pi is irrational), but never clz(0)
    *y0 = *y1 = 0.0;
    return n;
  }
  const int leading = __builtin_clzll(high);
  if (leading > 0) {
    high = high << leading | low >> (64 - leading);
    low <<= leading;
  }
  shift += leading;
  const uint64_t top = high >> 11, rest = high & 2047;
  double scale = 1.0;
  for (int i = 0; i < 53 + shift; ++i) scale *= 0.5;  // 2^-(53 + shift), exact
  const double fractionHigh = static_cast<double>(top) * scale;
  const double fractionLow = (static_cast<double>(rest) + static_cast<double>(low >> 11) * 0x1p-53) * 0x1p-11 * scale;
  // times pi / 2, as a double-double.
  constexpr double kPiOver2High = 0x1.921fb54442d18p+0, kPiOver2Low = 0x1.1a62633145c07p-54;
  double productHigh, productLow;
  TwoProduct(fractionHigh, kPiOver2High, &productHigh, &productLow);
  productLow += fractionHigh * kPiOver2Low + fractionLow * kPiOver2High;
  const double sum = productHigh + productLow;
  const double tail = productLow - (sum - productHigh);
  *y0 = negative ? -sum : sum;
  *y1 = negative ? -tail : tail;
  return n;
}

// x = n pi / 2 + y0 + y1 with |y0| <= pi / 4 (a little more at worst); returns n mod 4.
int Reduce(double x, double* y0, double* y1) {
  const double t = Abs(x);
  int n;
  if (t < 0x1.921fb54442d18p+19) {
    // n pi / 2 in three parts of 33 bits, each exact when multiplied by n < 2^20; the
    // second and third are only needed when the first difference cancels many bits.
    constexpr double kInvPiOver2 = 0x1.45f306dc9c883p-1;
    constexpr double kPart1 = 0x1.921fb544p+0, kTail1 = 0x1.0b4611a626331p-34;
    constexpr double kPart2 = 0x1.0b4611a6p-34, kTail2 = 0x1.3198a2e037073p-69;
    constexpr double kPart3 = 0x1.3198a2ep-69, kTail3 = 0x1.b839a252049c1p-104;
    const double fn = static_cast<double>(static_cast<int32_t>(t * kInvPiOver2 + 0.5));
    double r = t - fn * kPart1;
    double w = fn * kTail1;
    double y = r - w;
    const int e = Exponent(t);
    if (e - Exponent(y) > 16) {
      const double before = r;
      w = fn * kPart2;
      r = before - w;
      w = fn * kTail2 - ((before - r) - w);
      y = r - w;
      if (e - Exponent(y) > 49) {
        const double again = r;
        w = fn * kPart3;
        r = again - w;
        w = fn * kTail3 - ((again - r) - w);
        y = r - w;
      }
    }
    *y0 = y;
    *y1 = (r - y) - w;
    n = static_cast<int>(static_cast<int32_t>(fn) & 3);
  } else {
    n = ReduceLarge(t, y0, y1);
  }
  if (x < 0.0) {
    *y0 = -*y0;
    *y1 = -*y1;
    n = (4 - n) & 3;
  }
  return n;
}

// atan(t) = high + low for t >= 0 (finite): the sum is left to the caller, so that it can
// fold a correction into the low part before the one rounding.
void AtanParts(double t, double* high, double* low) {
  constexpr double kAtanHigh[] = {4.63647609000806093515e-01, 7.85398163397448278999e-01,
                                  9.82793723247329054082e-01, 1.57079632679489655800e+00};
  constexpr double kAtanLow[] = {2.26987774529616870924e-17, 3.06161699786838301793e-17,
                                 1.39033110312309984516e-17, 6.12323399573676603587e-17};
  constexpr double aT[] = {3.33333333333329318027e-01,  -1.99999999998764832476e-01,
                           1.42857142725034663711e-01,  -1.11111104054623557880e-01,
                           9.09088713343650656196e-02,  -7.69187620504482999495e-02,
                           6.66107313738753120669e-02,  -5.83357013379057348645e-02,
                           4.97687799461593236017e-02,  -3.65315727442169155270e-02,
                           1.62858201153657823623e-02};
  if (t >= 0x1p66) {
    *high = kAtanHigh[3];
    *low = kAtanLow[3];
    return;
  }
  if (t < 0x1p-27) {  // atan t = t within half an ulp
    *high = t;
    *low = 0.0;
    return;
  }
  // Around 0, 1/2, 1, 3/2 and infinity: t is moved near 0 by the angle of that point.
  int id;
  if (t < 0.4375) {
    id = -1;
  } else if (t < 1.1875) {
    if (t < 0.6875) {
      id = 0;
      t = (2.0 * t - 1.0) / (2.0 + t);
    } else {
      id = 1;
      t = (t - 1.0) / (t + 1.0);
    }
  } else if (t < 2.4375) {
    id = 2;
    t = (t - 1.5) / (1.0 + 1.5 * t);
  } else {
    id = 3;
    t = -1.0 / t;
  }
  const double z = t * t, w = z * z;
  const double s1 = z * (aT[0] + w * (aT[2] + w * (aT[4] + w * (aT[6] + w * (aT[8] + w * aT[10])))));
  const double s2 = w * (aT[1] + w * (aT[3] + w * (aT[5] + w * (aT[7] + w * aT[9]))));
  if (id < 0) {
    *high = t;
    *low = -(t * (s1 + s2));
  } else {
    *high = kAtanHigh[id];
    *low = t - (t * (s1 + s2) - kAtanLow[id]);
  }
}

bool IsNan(double x) { return x != x; }
bool IsInfinite(double x) { return Exponent(x) == 0x7FF && !IsNan(x); }

}  // namespace

double Sin(double x) {
  if (Exponent(x) == 0x7FF) return x - x;  // NaN for infinities and NaN
  if (Abs(x) < 0x1p-26) return x;          // sin x = x within half an ulp; keeps -0
  if (Abs(x) <= 0x1.921fb54442d18p-1) return SinKernel(x, 0.0);
  double y0, y1;
  switch (Reduce(x, &y0, &y1)) {
    case 0: return SinKernel(y0, y1);
    case 1: return CosKernel(y0, y1);
    case 2: return -SinKernel(y0, y1);
    default: return -CosKernel(y0, y1);
  }
}

double Cos(double x) {
  if (Exponent(x) == 0x7FF) return x - x;
  if (Abs(x) < 0x1p-27) return 1.0;
  if (Abs(x) <= 0x1.921fb54442d18p-1) return CosKernel(x, 0.0);
  double y0, y1;
  switch (Reduce(x, &y0, &y1)) {
    case 0: return CosKernel(y0, y1);
    case 1: return -SinKernel(y0, y1);
    case 2: return -CosKernel(y0, y1);
    default: return SinKernel(y0, y1);
  }
}

double Atan2(double y, double x) {
  constexpr double kPi = 0x1.921fb54442d18p+1, kPiLow = 0x1.1a62633145c07p-53;
  constexpr double kPiOver2 = 0x1.921fb54442d18p+0, kPiOver4 = 0x1.921fb54442d18p-1;
  if (IsNan(x) || IsNan(y)) return x + y;
  const bool yNegative = (Bits(y) >> 63) != 0, xNegative = (Bits(x) >> 63) != 0;
  if (y == 0.0) return xNegative ? (yNegative ? -kPi : kPi) : y;
  if (x == 0.0) return yNegative ? -kPiOver2 : kPiOver2;
  if (IsInfinite(x)) {
    const double angle = IsInfinite(y) ? (xNegative ? 3.0 * kPiOver4 : kPiOver4) : (xNegative ? kPi : 0.0);
    return yNegative ? -angle : angle;
  }
  if (IsInfinite(y)) return yNegative ? -kPiOver2 : kPiOver2;
  const int k = Exponent(y) - Exponent(x);
  if (k > 60) {  // |y / x| > 2^60: pi / 2 to the last bit
    const double angle = kPiOver2 + 0.5 * kPiLow;
    return yNegative ? -angle : angle;
  }
  double angle;
  if (k < -60) {
    // |y / x| < 2^-60: atan q = q within half an ulp, on the left pi itself.
    angle = xNegative ? kPi + kPiLow : Abs(y) / Abs(x);
  } else {
    // A common power of two changes no angle: it brings |x| to [1, 2), so that the
    // rounding error of the quotient is found exactly and folded in as
    // d atan(q) = dq / (1 + q^2) before the last rounding. |y| is within 2^61 of |x|,
    // so every scaling here is exact.
    double ax = Abs(x), ay = Abs(y);
    if (Exponent(ax) == 0) {
      ax *= 0x1p54;
      ay *= 0x1p54;
    } else if (Exponent(ax) == 2046) {
      ax *= 0.5;
      ay *= 0.5;
    }
    const double scale = PowerOfTwo(1023 - Exponent(ax));
    ax *= scale;
    ay *= scale;
    const double q = ay / ax;
    double product, productLow;
    TwoProduct(q, ax, &product, &productLow);
    const double correction = ((ay - product) - productLow) / ax / (1.0 + q * q);
    double high, low;
    AtanParts(q, &high, &low);
    low += correction;
    if (!xNegative) {
      angle = high + low;
    } else {
      // pi - atan q, with the rounding error of the first difference kept.
      const double difference = kPi - high;
      const double error = (kPi - difference) - high;
      angle = difference + (error + (kPiLow - low));
    }
  }
  return yNegative ? -angle : angle;
}

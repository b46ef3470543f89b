// Sin, Cos, Atan2 and Exp: never more than 1 ulp from the C library over the ranges they
// are used on, within 1 ulp of a long double evaluation, and the exact values scenes rely on.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "core/exact_divide.h"
#include "core/exp.h"
#include "core/trig.h"

namespace {

// Doubles as integers in the order of their values, so that adjacent doubles differ by 1.
int64_t Ordered(double x) {
  int64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  return bits < 0 ? INT64_MIN - bits : bits;
}
int64_t UlpsApart(double a, double b) {
  const int64_t d = Ordered(a) - Ordered(b);
  return d < 0 ? -d : d;
}
// |got - exact| in units of the last place of doubles at the exact value.
double UlpError(double got, long double exact) {
  int exponent;
  std::frexp(static_cast<double>(exact), &exponent);
  return static_cast<double>(std::fabs(static_cast<long double>(got) - exact) /
                             std::ldexp(1.0L, std::max(exponent, -1021) - 53));
}

// A double spread evenly over the exponents 2^-60 .. 2^1023, either sign.
double WideArgument(std::mt19937_64& generator) {
  const double mantissa = 1.0 + static_cast<double>(generator() >> 12) * 0x1p-52;
  const double x = std::ldexp(mantissa, static_cast<int>(generator() % 1084) - 60);
  return (generator() & 1) != 0 ? -x : x;
}

TEST(Trig, WithinOneUlpOfTheCLibraryAndOfALongDoubleEvaluation) {
  // Scene angles are clock seconds (up to hours) times factors of 0.02 to 2, plus
  // offsets; camera angles lie in [-2 pi, 2 pi]; atan2 gets camera rows and hit points.
  // Near multiples of pi / 2 the reduction cancels most bits: the hardest arguments.
  std::mt19937_64 generator(12);
  std::uniform_real_distribution<double> angle(-8.0, 8.0), clock(0.0, 30000.0), row(-1.0, 1.0),
      hit(-6000.0, 6000.0);
  constexpr int kArguments = 10000000;
  double worstSin = 0.0, worstCos = 0.0, worstAtan2 = 0.0;
  int64_t differ[3] = {};  // last-bit differences from the C library: sin, cos, atan2
  for (int i = 0; i < kArguments; ++i) {
    const int kind = i % 5;
    const double x = kind == 0   ? angle(generator)
                     : kind == 1 ? clock(generator) * 0.6 + 3.1415
                     : kind == 2 ? clock(generator) * 0.013
                     : kind == 3 ? std::nextafter(std::round(clock(generator)) * 1.5707963267948966, 0.0)
                                 : WideArgument(generator);
    const double sine = Sin(x), cosine = Cos(x);
    ASSERT_LE(UlpsApart(sine, std::sin(x)), 1) << std::hexfloat << x;
    ASSERT_LE(UlpsApart(cosine, std::cos(x)), 1) << std::hexfloat << x;
    const auto pick = [&] {
      return kind == 0 ? row(generator) : kind == 1 ? hit(generator) : kind == 2 ? angle(generator) : WideArgument(generator);
    };
    const double y = pick(), along = pick();
    const double atan = Atan2(y, along);
    ASSERT_LE(UlpsApart(atan, std::atan2(y, along)), 1) << std::hexfloat << y << ", " << along;
    differ[0] += sine != std::sin(x);
    differ[1] += cosine != std::cos(x);
    differ[2] += atan != std::atan2(y, along);
    if (i / 5 % 5 == 0) {  // a fifth of the arguments of each kind
      worstSin = std::max(worstSin, UlpError(sine, sinl(x)));
      worstCos = std::max(worstCos, UlpError(cosine, cosl(x)));
      worstAtan2 = std::max(worstAtan2, UlpError(atan, atan2l(y, along)));
    }
  }
  std::printf("last-bit differences from the C library over %d arguments each: sin %.3f %%, cos %.3f %%, atan2 %.3f %%\n"
              "worst errors: sin %.3f, cos %.3f, atan2 %.3f ulp\n",
              kArguments, 100.0 * differ[0] / kArguments, 100.0 * differ[1] / kArguments, 100.0 * differ[2] / kArguments,
              worstSin, worstCos, worstAtan2);
  EXPECT_LT(std::max({worstSin, worstCos, worstAtan2}), 1.0)
      << "sin " << worstSin << ", cos " << worstCos << ", atan2 " << worstAtan2 << " ulp";
}

TEST(Trig, ZerosSignsQuadrantsAndSpecialValues) {
  const double pi = 3.141592653589793, inf = INFINITY;
  EXPECT_FALSE(std::signbit(Sin(0.0)));
  EXPECT_TRUE(std::signbit(Sin(-0.0)));
  EXPECT_EQ((std::vector{Sin(0.0), Sin(-0.0), Cos(0.0), Cos(-0.0)}), (std::vector{0.0, 0.0, 1.0, 1.0}));
  for (double notANumber : {Sin(inf), Cos(-inf), Sin(NAN), Atan2(NAN, 1.0)}) EXPECT_TRUE(std::isnan(notANumber));
  EXPECT_EQ(4.0 * Atan2(1.0, 1.0), pi);  // the scenes' pi
  // Zeros: the sign of y, and pi on the left (-0 counts as left).
  const struct { double y, x, angle; } exact[] = {
      {0.0, 0.0, 0.0},          {-0.0, 0.0, -0.0},       {0.0, -0.0, pi},         {-0.0, -0.0, -pi},
      {0.0, 5.0, 0.0},          {-0.0, 5.0, -0.0},       {0.0, -5.0, pi},         {-0.0, -5.0, -pi},
      {3.0, 0.0, pi / 2},       {-3.0, -0.0, -pi / 2},   {inf, inf, pi / 4},      {-inf, -inf, -3 * pi / 4},
      {1.0, inf, 0.0},          {-1.0, -inf, -pi},       {inf, -2.0, pi / 2},     {1e300, 1e-300, pi / 2},
      {1e-300, -1e300, pi},     {1.0, 1.0, pi / 4},      {-2.0, -2.0, -3 * pi / 4}};
  for (const auto& c : exact) {
    const double angle = Atan2(c.y, c.x);
    EXPECT_EQ(angle, c.angle) << c.y << ", " << c.x;
    EXPECT_EQ(std::signbit(angle), std::signbit(c.angle)) << c.y << ", " << c.x;
  }
  // Odd and even symmetries, on a sample (the quadrants follow from the 1-ulp agreement).
  std::mt19937_64 generator(3);
  std::uniform_real_distribution<double> value(-100.0, 100.0);
  for (int i = 0; i < 100000; ++i) {
    const double x = value(generator), y = value(generator);
    ASSERT_EQ(Sin(-x), -Sin(x));
    ASSERT_EQ(Cos(-x), Cos(x));
    ASSERT_EQ(Atan2(-y, x), -Atan2(y, x));
  }
}

TEST(Exp, WithinOneUlpOverTheWholeRange) {
  std::mt19937_64 generator(5);
  // The asset generator's falloffs, then the whole finite range of results.
  std::uniform_real_distribution<double> falloff(-60.0, 0.0), whole(-745.0, 709.7), small(-1e-7, 1e-7);
  double worst = 0.0;
  for (int i = 0; i < 600000; ++i) {
    const double x = i % 3 == 0 ? falloff(generator) : i % 3 == 1 ? whole(generator) : small(generator);
    const double value = Exp(x);
    worst = std::max(worst, UlpError(value, expl(static_cast<long double>(x))));
    ASSERT_LE(std::fabs(value - std::exp(x)), 1.5 * std::fabs(std::nextafter(value, 0.0) - value)) << std::hexfloat << x;
  }
  EXPECT_LT(worst, 1.0);
  EXPECT_EQ((std::vector{Exp(0.0), Exp(-0.0), Exp(710.0), Exp(-746.0), Exp(-INFINITY)}),
            (std::vector{1.0, 1.0, HUGE_VAL, 0.0, 0.0}));
  EXPECT_TRUE(std::isnan(Exp(NAN)));
}

// The rasteriser's divisions by a multiply: the same quotient as '/' for every divisor of
// the table, at the exact multiples and one either side of them, where a product that
// rounds the wrong way would show, and at the ends of the 32-bit range the rasteriser uses.
TEST(DivideTruncating, EqualsIntegerDivisionAtEveryMultipleEdge) {
  std::mt19937_64 generator(7);
  for (int32_t d = 1; d <= kReciprocalDivisors + 3; ++d) {
    const int64_t q = (int64_t{1} << 31) / d;
    std::vector<int64_t> dividends = {0, 1, d - 1, d, d + 1, q * d, q * d - 1, (q - 1) * d + 1, INT32_MAX};
    for (int i = 0; i < 40; ++i) {
      const int64_t k = static_cast<int64_t>(generator() % static_cast<uint64_t>(q + 1));
      dividends.insert(dividends.end(), {k * d, k * d - 1, k * d + 1, static_cast<int64_t>(generator() >> 24)});
    }
    for (const int64_t n : dividends) {
      ASSERT_EQ(DivideTruncating(n, d), n / d) << n << " / " << d;
      ASSERT_EQ(DivideTruncating(-n, d), -n / d) << -n << " / " << d;
    }
  }
  EXPECT_EQ(DivideTruncating(INT32_MIN, 1), INT32_MIN);
}

}  // namespace

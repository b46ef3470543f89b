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
#include "tests/core/trig_sweep.h"

namespace {

TEST(Trig, WithinOneUlpOfTheCLibraryAndOfALongDoubleEvaluation) {
  // A small sweep here; bench/core/trig_sweep_bench.cpp runs 10 million arguments.
  const TrigSweep sweep = SweepTrig(200000);
  EXPECT_LE(sweep.mostUlpsFromTheCLibrary, 1) << "at " << std::hexfloat << sweep.worstArgument;
  EXPECT_LT(std::max({sweep.worstSin, sweep.worstCos, sweep.worstAtan2}), 1.0)
      << "sin " << sweep.worstSin << ", cos " << sweep.worstCos << ", atan2 " << sweep.worstAtan2 << " ulp";
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

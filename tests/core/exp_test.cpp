// Exp: within 1 ulp of a long double evaluation and never more than 1 ulp from the C library.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "core/exp.h"

namespace {

TEST(Exp, WithinOneUlpOverTheWholeRange) {
  std::mt19937_64 generator(5);
  // The asset generator's falloffs, then the whole finite range of results.
  std::uniform_real_distribution<double> falloff(-60.0, 0.0), whole(-745.0, 709.7), small(-1e-7, 1e-7);
  double worst = 0.0;
  for (int i = 0; i < 600000; ++i) {
    const double x = i % 3 == 0 ? falloff(generator) : i % 3 == 1 ? whole(generator) : small(generator);
    const double value = Exp(x);
    const long double exact = expl(static_cast<long double>(x));
    int exponent;
    std::frexp(static_cast<double>(exact), &exponent);
    const double ulps = static_cast<double>(std::fabs(value - exact) / std::ldexp(1.0L, std::max(exponent, -1021) - 53));
    worst = std::max(worst, ulps);
    ASSERT_LE(std::fabs(value - std::exp(x)), 1.5 * std::fabs(std::nextafter(value, 0.0) - value)) << std::hexfloat << x;
  }
  EXPECT_LT(worst, 1.0);
  EXPECT_EQ((std::vector{Exp(0.0), Exp(-0.0), Exp(710.0), Exp(-746.0), Exp(-INFINITY)}),
            (std::vector{1.0, 1.0, HUGE_VAL, 0.0, 0.0}));
  EXPECT_TRUE(std::isnan(Exp(NAN)));
}

}  // namespace

// Sin, Cos and Atan2: the demo's own, the same bits on every compiler and C library.
//
// The C libraries differ in the last bit of sin, cos and atan2 for a few per cent of
// arguments, and those bits reach the pixels through the truncations of camera rows,
// projected points and texture coordinates. These are written in plain IEEE double
// arithmetic only (no fused multiply-add, no long double, no platform table), so they
// give the same result everywhere, each within 1 ulp of the true value.
//
// Limits: none on the argument. Sin and Cos reduce exactly modulo pi / 2 for every
// finite double (a fast path up to about 8e5, which covers scene clocks of days, and a
// multi-word reduction beyond it). Infinities and NaN give NaN. Atan2 follows the C
// rules for zeros, infinities and NaN, signs of zero included.
#pragma once

double Sin(double x);
double Cos(double x);
double Atan2(double y, double x);

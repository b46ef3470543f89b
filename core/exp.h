// Exp: the demo's own exponential, the same bits on every compiler and C library.
//
// The asset generator shades its pictures with Gaussian falloffs, and those pictures
// are the scenes' textures: a last-bit difference between C libraries could move a
// texel by one level. Plain IEEE double arithmetic, within 1 ulp of the true value.
// Overflows to infinity above 709.78, gives 0 below -745.13 (no subnormal tail is
// promised there beyond 1 ulp of the smallest subnormal), NaN for NaN.
#pragma once

double Exp(double x);

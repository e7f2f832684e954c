#pragma once

#include <cstdint>

// Elementary functions correctly rounded to nearest, ties to even, over the
// whole double range, with the same results on every IEEE binary64 platform
// that evaluates double expressions in double (SSE2, wasm, ARM; not x87).
namespace dipview::maths {

/// sin of x radians. NaN for NaN and infinities.
double Sin(double x);

/// cos of x radians. NaN for NaN and infinities.
double Cos(double x);

/// Sin(x) and Cos(x) together, for the price of little more than one.
void SinCos(double x, double& sin_x, double& cos_x);

/// atan of x in radians, in [-pi/2, pi/2]; atan(+-inf) is +-pi/2 rounded.
double Atan(double x);

/// The angle in radians, in [-pi, pi], of the point (x, y), with C's atan2
/// conventions: atan2(+-0, +0) = +-0, atan2(+-0, -0) = +-pi, atan2(+-inf, -inf)
/// = +-3pi/4, NaN if either is NaN.
double Atan2(double y, double x);

/// sqrt(x^2 + y^2) without overflow or underflow on the way; +inf if either is
/// infinite (even if the other is NaN), else NaN if either is NaN.
double Hypot(double x, double y);

namespace detail {

/// The exact paths alone, which the functions above take when the fast result
/// may round wrongly; for the tests and scripts/check-maths. They return NaN if
/// even they cannot decide the rounding, which no binary64 argument is known
/// to need.
double SinExact(double x);
double CosExact(double x);
double Atan2Exact(double y, double x);
double HypotExact(double x, double y);

/// How many calls took an exact path since the program started.
std::uint64_t ExactPathCount();

}  // namespace detail

}  // namespace dipview::maths

#pragma once

// MPFR's correctly rounded results for the tests and the sweep of
// compute/maths, and how close each exact value lies to a rounding midpoint.

#include <mpfr.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "compute/maths.h"

namespace dipview::maths_reference {

enum class Fn { kSin, kCos, kAtan, kAtan2, kHypot };

inline const char* Name(Fn fn) {
  switch (fn) {
    case Fn::kSin:
      return "sin";
    case Fn::kCos:
      return "cos";
    case Fn::kAtan:
      return "atan";
    case Fn::kAtan2:
      return "atan2";
    case Fn::kHypot:
      return "hypot";
  }
  return "?";
}

inline double Ours(Fn fn, double a, double b) {
  switch (fn) {
    case Fn::kSin:
      return maths::Sin(a);
    case Fn::kCos:
      return maths::Cos(a);
    case Fn::kAtan:
      return maths::Atan(a);
    case Fn::kAtan2:
      return maths::Atan2(a, b);
    case Fn::kHypot:
      return maths::Hypot(a, b);
  }
  return 0;
}

inline double OursExact(Fn fn, double a, double b) {
  switch (fn) {
    case Fn::kSin:
      return maths::detail::SinExact(a);
    case Fn::kCos:
      return maths::detail::CosExact(a);
    case Fn::kAtan:
      return maths::detail::Atan2Exact(a, 1.0);
    case Fn::kAtan2:
      return maths::detail::Atan2Exact(a, b);
    case Fn::kHypot:
      return maths::detail::HypotExact(a, b);
  }
  return 0;
}

// Equal bits, or both NaN.
inline bool Same(double x, double y) {
  if (std::isnan(x) || std::isnan(y))
    return std::isnan(x) && std::isnan(y);
  return std::memcmp(&x, &y, sizeof x) == 0;
}

inline int Apply(Fn fn, mpfr_t out, mpfr_t a, mpfr_t b) {
  switch (fn) {
    case Fn::kSin:
      return mpfr_sin(out, a, MPFR_RNDN);
    case Fn::kCos:
      return mpfr_cos(out, a, MPFR_RNDN);
    case Fn::kAtan:
      return mpfr_atan(out, a, MPFR_RNDN);
    case Fn::kAtan2:
      return mpfr_atan2(out, a, b, MPFR_RNDN);
    case Fn::kHypot:
      return mpfr_hypot(out, a, b, MPFR_RNDN);
  }
  return 0;
}

struct Result {
  double rounded;    // the correctly rounded binary64 result
  double closeness;  // -log2 of the distance of the exact value to a midpoint, in ulps
};

inline Result Evaluate(Fn fn, double a, double b) {
  mpfr_t x, y, fine, r;
  mpfr_inits2(53, x, y, r, static_cast<mpfr_ptr>(nullptr));
  mpfr_init2(fine, 200);
  mpfr_set_d(x, a, MPFR_RNDN);
  mpfr_set_d(y, b, MPFR_RNDN);
  Apply(fn, fine, x, y);
  const mpfr_exp_t emin = mpfr_get_emin();
  const mpfr_exp_t emax = mpfr_get_emax();
  mpfr_set_emin(-1073);
  mpfr_set_emax(1024);
  int t = Apply(fn, r, x, y);
  t = mpfr_check_range(r, t, MPFR_RNDN);
  mpfr_subnormalize(r, t, MPFR_RNDN);
  Result res{mpfr_get_d(r, MPFR_RNDN), 0.0};
  mpfr_set_emin(emin);
  mpfr_set_emax(emax);
  if (std::isfinite(res.rounded) && res.rounded != 0 && mpfr_regular_p(fine)) {
    int e;
    std::frexp(res.rounded, &e);
    const double ulp = std::ldexp(1.0, std::max(e - 53, -1074));
    mpfr_t d;
    mpfr_init2(d, 400);
    mpfr_sub_d(d, fine, res.rounded, MPFR_RNDN);
    mpfr_div_d(d, d, ulp, MPFR_RNDN);
    mpfr_abs(d, d, MPFR_RNDN);
    mpfr_d_sub(d, 0.5, d, MPFR_RNDN);
    const double dist = std::fabs(mpfr_get_d(d, MPFR_RNDN));
    res.closeness = dist > 0 ? -std::log2(dist) : 999.0;
    mpfr_clear(d);
  }
  mpfr_clears(x, y, fine, r, static_cast<mpfr_ptr>(nullptr));
  return res;
}

}  // namespace dipview::maths_reference

// The long sweep of compute/maths against MPFR, run by scripts/check-maths:
// for each function, random arguments over its ranges plus constructed hard
// ones, the count of results that differ from MPFR's correct rounding, the
// share of calls that took the exact path, and the arguments whose exact
// values lie nearest a rounding midpoint.
#include <mpfr.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "compute/maths.h"
#include "tests/compute/maths_reference.h"

namespace {

using dipview::maths::detail::ExactPathCount;
namespace ref = dipview::maths_reference;

struct Hard {
  double closeness;  // log2 of the distance to the midpoint in ulps, negated
  double a, b;
};

struct Stats {
  std::uint64_t calls = 0, wrong = 0, exact_wrong = 0, exact_checked = 0, exact_taken = 0;
  std::vector<Hard> hardest;
};

void Keep(std::vector<Hard>& hardest, Hard h) {
  for (const Hard& k : hardest) {
    if (std::fabs(k.a) == std::fabs(h.a) && k.b == h.b)
      return;  // odd functions: once
  }
  hardest.push_back(h);
  std::sort(hardest.begin(), hardest.end(),
            [](const Hard& x, const Hard& y) { return x.closeness > y.closeness; });
  if (hardest.size() > 6)
    hardest.pop_back();
}

void Check(Stats& st, ref::Fn fn, double a, double b, double got, double exact_got,
           bool check_exact, bool keep = true) {
  const ref::Result r = ref::Evaluate(fn, a, b);
  ++st.calls;
  if (!ref::Same(got, r.rounded)) {
    ++st.wrong;
    if (st.wrong <= 5) {
      std::printf("  WRONG %s(%a, %a) = %a, correct %a\n", ref::Name(fn), a, b, got, r.rounded);
    }
  }
  if (check_exact) {
    ++st.exact_checked;
    if (!ref::Same(exact_got, r.rounded)) {
      ++st.exact_wrong;
      if (st.exact_wrong <= 5) {
        std::printf("  WRONG exact %s(%a, %a) = %a, correct %a\n", ref::Name(fn), a, b, exact_got,
                    r.rounded);
      }
    }
  }
  if (keep && (st.hardest.size() < 6 || r.closeness > st.hardest.back().closeness)) {
    Keep(st.hardest, {r.closeness, a, b});
  }
}

double RandomBits(std::mt19937_64& rng) {
  for (;;) {
    const std::uint64_t u = rng();
    double d;
    std::memcpy(&d, &u, sizeof d);
    if (std::isfinite(d))
      return d;
  }
}

// sign * [1, 2) * 2^e with e uniform in [lo, hi].
double RandomExponent(std::mt19937_64& rng, int lo, int hi) {
  std::uniform_int_distribution<int> e(lo, hi);
  std::uniform_real_distribution<double> m(1.0, 2.0);
  const double v = std::ldexp(m(rng), e(rng));
  return (rng() & 1) != 0 ? -v : v;
}

double Uniform(std::mt19937_64& rng, double lo, double hi) {
  return std::uniform_real_distribution<double>(lo, hi)(rng);
}

// Constructed hypot cases within about 2^-40 ulp of a midpoint m: y a double
// a few ulps below m, x = sqrt(m^2 - y^2) rounded, small against m, so that
// its rounding moves the result by little.
void HardHypot(std::mt19937_64& rng, double& x, double& y) {
  const std::uint64_t odd = (rng() >> 10) | 1 | (std::uint64_t{1} << 53);  // 54 bits
  const int e = static_cast<int>(rng() % 400) - 200;
  const std::uint64_t j = rng() % 64;
  y = std::ldexp(static_cast<double>((odd - 2 * j - 1) >> 1), e);
  mpfr_t m, t;
  mpfr_inits2(400, m, t, static_cast<mpfr_ptr>(nullptr));
  mpfr_set_ui(m, static_cast<unsigned long>(odd), MPFR_RNDN);
  mpfr_mul_2si(m, m, e - 1, MPFR_RNDN);
  mpfr_sqr(m, m, MPFR_RNDN);
  mpfr_set_d(t, y, MPFR_RNDN);
  mpfr_sqr(t, t, MPFR_RNDN);
  mpfr_sub(t, m, t, MPFR_RNDN);
  mpfr_sqrt(t, t, MPFR_RNDN);
  x = mpfr_get_d(t, MPFR_RNDN);
  if ((rng() & 1) != 0)
    std::swap(x, y);
  mpfr_clears(m, t, static_cast<mpfr_ptr>(nullptr));
}

// Signed distance, in ulps of the result, of f(a, b) from the nearest
// midpoint between doubles.
double MidpointOffset(ref::Fn fn, double a, double b) {
  mpfr_t x, y, v;
  mpfr_inits2(300, x, y, v, static_cast<mpfr_ptr>(nullptr));
  mpfr_set_d(x, a, MPFR_RNDN);
  mpfr_set_d(y, b, MPFR_RNDN);
  ref::Apply(fn, v, x, y);
  mpfr_mul_2si(v, v, 53 - mpfr_get_exp(v), MPFR_RNDN);  // one unit is one ulp
  mpfr_frac(v, v, MPFR_RNDN);
  mpfr_abs(v, v, MPFR_RNDN);
  const double r = mpfr_get_d(v, MPFR_RNDN) - 0.5;
  mpfr_clears(x, y, v, static_cast<mpfr_ptr>(nullptr));
  return r;
}

// Where the result moves by much less than an ulp per step of the argument (sin
// and atan of small arguments, atan of large ones, cos near 0), a few secant
// steps on the offset from the midpoint land on an argument whose value lies
// within about the step's move of a midpoint. a moves, b stays.
double ApproachMidpoint(ref::Fn fn, double a, double b) {
  for (int iter = 0; iter < 8; ++iter) {
    const double p = MidpointOffset(fn, a, b);
    const double next = std::nextafter(a, 2 * a);
    double slope = MidpointOffset(fn, next, b) - p;
    slope -= std::round(slope);
    if (slope == 0 || std::fabs(slope) > 0.01)
      break;
    const double steps = std::round(-p / slope);
    if (steps == 0 || std::fabs(steps) > 0x1p45)
      break;
    const double moved = a + steps * (next - a);
    if (std::ilogb(moved) != std::ilogb(a))
      break;
    a = moved;
  }
  return a;
}

void Report(ref::Fn fn, const Stats& st, std::uint64_t exact_taken, std::uint64_t random) {
  std::printf(
      "%-6s %10llu calls  %llu misrounded  exact path %.2e of the random calls  exact path"
      " alone: %llu checked, %llu misrounded\n",
      ref::Name(fn), static_cast<unsigned long long>(st.calls),
      static_cast<unsigned long long>(st.wrong),
      static_cast<double>(exact_taken) / static_cast<double>(random),
      static_cast<unsigned long long>(st.exact_checked),
      static_cast<unsigned long long>(st.exact_wrong));
  const bool binary = fn == ref::Fn::kAtan2 || fn == ref::Fn::kHypot;
  for (const Hard& h : st.hardest) {
    if (binary) {
      std::printf("    hard: {%a, %a}  2^-%.1f ulp from a midpoint\n", h.a, h.b, h.closeness);
    } else {
      std::printf("    hard: %a  2^-%.1f ulp from a midpoint\n", h.a, h.closeness);
    }
  }
}

}  // namespace

// An argument (a, b) from the slowly moving regions of ApproachMidpoint.
double HardCandidate(std::mt19937_64& rng, ref::Fn fn, double& a, double& b) {
  const double sign = (rng() & 1) != 0 ? -1.0 : 1.0;
  b = 1.0;
  switch (fn) {
    case ref::Fn::kSin:
      a = sign * RandomExponent(rng, -26, -14);
      break;
    case ref::Fn::kCos:
      a = sign * RandomExponent(rng, -27, -10);
      break;
    case ref::Fn::kAtan:
    case ref::Fn::kAtan2:
      a = (rng() & 1) != 0 ? RandomExponent(rng, -27, -14) : RandomExponent(rng, 14, 40);
      if (fn == ref::Fn::kAtan2)
        b = (rng() & 1) != 0 ? -1.0 : 1.0;
      break;
    case ref::Fn::kHypot:
      break;
  }
  a = ApproachMidpoint(fn, a, b);
  return a;
}

int main(int argc, char** argv) {
  const std::uint64_t n = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 10000000;
  const std::uint64_t exact_every = 200;  // arguments also sent through the exact path
  std::mt19937_64 rng(20261209);
  bool ok = true;
  const double pi8 = 8 * 3.141592653589793;

  for (ref::Fn fn :
       {ref::Fn::kSin, ref::Fn::kCos, ref::Fn::kAtan, ref::Fn::kAtan2, ref::Fn::kHypot}) {
    Stats st;
    const bool binary = fn == ref::Fn::kAtan2 || fn == ref::Fn::kHypot;
    std::uint64_t exact_taken = 0, random = 0;
    for (std::uint64_t i = 0; i < n; ++i) {
      double a = 0, b = 0;
      const unsigned kind = static_cast<unsigned>(i % 8);
      switch (fn) {
        case ref::Fn::kSin:
        case ref::Fn::kCos:
          a = kind < 4   ? Uniform(rng, -pi8, pi8)
              : kind < 6 ? RandomExponent(rng, -30, 30)
              : kind < 7 ? RandomExponent(rng, -30, 1023)
                         : HardCandidate(rng, fn, a, b);
          break;
        case ref::Fn::kAtan:
          a = kind < 5   ? RandomExponent(rng, -60, 60)
              : kind < 7 ? RandomBits(rng)
                         : HardCandidate(rng, fn, a, b);
          break;
        case ref::Fn::kAtan2:
        case ref::Fn::kHypot:
          if (kind < 4) {
            a = Uniform(rng, -10, 10);
            b = Uniform(rng, -10, 10);
          } else if (kind < 6) {
            a = RandomExponent(rng, -40, 40);
            b = RandomExponent(rng, -40, 40);
          } else if (kind < 7 && fn == ref::Fn::kHypot) {
            HardHypot(rng, a, b);
          } else if (kind < 7) {
            a = HardCandidate(rng, fn, a, b);
          } else {
            a = RandomBits(rng);
            b = RandomBits(rng);
          }
          break;
      }
      const bool check_exact = i % exact_every == 0;
      const std::uint64_t before = ExactPathCount();
      const double got = ref::Ours(fn, a, b);
      if (kind != (binary ? 6u : 7u)) {  // not a constructed hard case
        exact_taken += ExactPathCount() - before;
        ++random;
      }
      const double exact_got = check_exact ? ref::OursExact(fn, a, b) : 0.0;
      Check(st, fn, a, b, got, exact_got, check_exact);
    }
    // The hardest arguments found again through the exact path alone.
    for (const Hard& h : std::vector<Hard>(st.hardest)) {
      Check(st, fn, h.a, h.b, ref::Ours(fn, h.a, h.b), ref::OursExact(fn, h.a, h.b), true, false);
    }
    Report(fn, st, exact_taken, random);
    ok = ok && st.wrong == 0 && st.exact_wrong == 0;
  }
  mpfr_free_cache();
  std::printf(ok ? "all correctly rounded\n" : "MISROUNDED RESULTS\n");
  return ok ? 0 : 1;
}

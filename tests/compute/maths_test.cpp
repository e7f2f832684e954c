#include "compute/maths.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <random>

#include "tests/compute/maths_reference.h"

namespace dipview::maths {
namespace {

namespace ref = maths_reference;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kMax = std::numeric_limits<double>::max();
constexpr double kTiny = 0x1p-1074;  // the smallest subnormal
constexpr double kPi = 0x1.921fb54442d18p+1;
constexpr double kPiHalf = 0x1.921fb54442d18p+0;
constexpr double kPiQuarter = 0x1.921fb54442d18p-1;
constexpr double kThreePiQuarter = 0x1.2d97c7f3321d2p+1;

// MPFR keeps constants such as pi cached per thread; freed at the end so that
// LeakSanitizer sees nothing left.
class FreeMpfrCache : public ::testing::Environment {
 public:
  void TearDown() override { mpfr_free_cache(); }
};
[[maybe_unused]] ::testing::Environment* const kFreeMpfrCache =
    ::testing::AddGlobalTestEnvironment(new FreeMpfrCache);

::testing::AssertionResult SameBits(double got, double want) {
  if (ref::Same(got, want))
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << std::hexfloat << got << " instead of " << want;
}

struct Unary {
  double x, want;
};

struct Binary {
  double a, b, want;
};

TEST(MathsTest, SinAndCosOfExactArguments) {
  const Unary sin_rows[] = {
      {0.0, 0.0},
      {-0.0, -0.0},
      {kTiny, kTiny},
      {-0x1p-1022, -0x1p-1022},
      {0x1.fffffffffffffp-27, 0x1.fffffffffffffp-27},
      // sin(pi - e) = e - e^3/6 with e = pi - kPi, the tail of pi.
      {kPi, 0x1.1a62633145c07p-53},
      {-kPi, -0x1.1a62633145c07p-53},
      {kPiHalf, 1.0},
      {kInf, kNaN},
      {-kInf, kNaN},
      {kNaN, kNaN},
  };
  for (const Unary& r : sin_rows)
    EXPECT_TRUE(SameBits(Sin(r.x), r.want)) << r.x;
  const Unary cos_rows[] = {
      {0.0, 1.0},
      {-0.0, 1.0},
      {kTiny, 1.0},
      {0x1.fffffffffffffp-28, 1.0},
      // cos(pi/2 - e) = e - e^3/6 with e = pi/2 - kPiHalf.
      {kPiHalf, 0x1.1a62633145c07p-54},
      {kPi, -1.0},
      {kInf, kNaN},
      {kNaN, kNaN},
  };
  for (const Unary& r : cos_rows)
    EXPECT_TRUE(SameBits(Cos(r.x), r.want)) << r.x;
}

TEST(MathsTest, AtanOfExactArguments) {
  const Unary rows[] = {
      {0.0, 0.0},          {-0.0, -0.0},    {kTiny, kTiny},    {-kTiny, -kTiny}, {1.0, kPiQuarter},
      {-1.0, -kPiQuarter}, {kMax, kPiHalf}, {-kInf, -kPiHalf}, {kInf, kPiHalf},  {kNaN, kNaN},
  };
  for (const Unary& r : rows)
    EXPECT_TRUE(SameBits(Atan(r.x), r.want)) << r.x;
}

TEST(MathsTest, Atan2QuadrantsSignsZerosAndInfinities) {
  const Binary rows[] = {
      // {y, x, atan2(y, x)}
      {0.0, 0.0, 0.0},
      {-0.0, 0.0, -0.0},
      {0.0, -0.0, kPi},
      {-0.0, -0.0, -kPi},
      {0.0, -1.0, kPi},
      {-0.0, -1.0, -kPi},
      {0.0, 1.0, 0.0},
      {-0.0, 1.0, -0.0},
      {1.0, 0.0, kPiHalf},
      {1.0, -0.0, kPiHalf},
      {-1.0, 0.0, -kPiHalf},
      {-1.0, -0.0, -kPiHalf},
      {1.0, 1.0, kPiQuarter},
      {1.0, -1.0, kThreePiQuarter},
      {-1.0, -1.0, -kThreePiQuarter},
      {-1.0, 1.0, -kPiQuarter},
      {kInf, kInf, kPiQuarter},
      {-kInf, kInf, -kPiQuarter},
      {kInf, -kInf, kThreePiQuarter},
      {-kInf, -kInf, -kThreePiQuarter},
      {kInf, 1.0, kPiHalf},
      {-kInf, -1.0, -kPiHalf},
      {1.0, kInf, 0.0},
      {-1.0, kInf, -0.0},
      {1.0, -kInf, kPi},
      {-1.0, -kInf, -kPi},
      {kNaN, 1.0, kNaN},
      {1.0, kNaN, kNaN},
      {kInf, kNaN, kNaN},
      {kNaN, kNaN, kNaN},
      // Quotients far from 1: pi/2, pi, and the quotient itself.
      {kMax, kTiny, kPiHalf},
      {-kTiny, -kMax, -kPi},
      {1.0, -0x1p60, kPi},
      {kTiny, 1.0, kTiny},
      {0x1p-1000, 0x1p+100, 0.0},
      // y/x = 3 * 2^-1075 is a midpoint between subnormals; atan lies just
      // below it, so it rounds down, not to the even neighbour.
      {0x1.8p-999, 0x1p+75, kTiny},
      {-0x1.8p-999, 0x1p+75, -kTiny},
      // y/x = 2^-1075, halfway to the smallest subnormal: rounds to zero.
      {0x1p-1000, 0x1p+75, 0.0},
  };
  for (const Binary& r : rows)
    EXPECT_TRUE(SameBits(Atan2(r.a, r.b), r.want)) << r.a << ' ' << r.b;
}

TEST(MathsTest, HypotOfExactArguments) {
  const Binary rows[] = {
      {kInf, kNaN, kInf},
      {kNaN, -kInf, kInf},
      {kNaN, 1.0, kNaN},
      {0.0, 0.0, 0.0},
      {-0.0, -0.0, 0.0},
      {-3.0, 4.0, 5.0},
      {0x1.8p+1000, -0x1p+1001, 0x1.4p+1001},  // 3, 4, 5 near the top
      {3 * kTiny, 4 * kTiny, 5 * kTiny},       // and among the subnormals
      {kTiny, kTiny, kTiny},                   // sqrt(2) of the smallest rounds to it
      {kMax, kMax, kInf},
      {kMax, 1.0, kMax},
      {0x1p1023, 0x1p1023, 0x1.6a09e667f3bcdp+1023},
      {-kTiny, 0.0, kTiny},
      // Integer triangles whose hypotenuse c is odd and above 2^53: exact
      // midpoints, rounded to the even neighbour c - 1.
      {0x1.7bacdad034795p+52, 0x1.8ed55636e9864p+52, 0x1.1353e2456aaaep+53},
      {0x1.9993fd3a1d2b9p+52, 0x1.b1cc54d619568p+52, 0x1.2a4d2cdaa1b6cp+53},
      {0x1.60c2d0b7fb1adp+52, 0x1.7842b6d1f44b4p+52, 0x1.01e1c63f84e3ap+53},
      {0x1.6db8b843060e7p+40, 0x1.7109923c4ffa8p+40, 0x1.03c77739c8c9cp+41},
  };
  for (const Binary& r : rows) {
    EXPECT_TRUE(SameBits(Hypot(r.a, r.b), r.want)) << r.a << ' ' << r.b;
    EXPECT_TRUE(SameBits(Hypot(r.b, r.a), r.want)) << r.b << ' ' << r.a;
  }
}

// Arguments whose exact values lie nearest a midpoint between doubles, found
// by scripts/check-maths; the fast path cannot round them and the exact path
// must.
TEST(MathsTest, HardestArgumentsFound) {
  struct Hard {
    ref::Fn fn;
    double a, b;
  };
  const Hard rows[] = {
      {ref::Fn::kSin, -0x1.b3763ec73f6f6p-23, 0},
      {ref::Fn::kSin, -0x1.3aba41b17b6edp-17, 0},
      {ref::Fn::kSin, 0x1.7137449123ef6p-26, 0},
      // The double nearest a multiple of pi/2 (about 2^-61 away) and other
      // huge angles: the reduction needs all its bits of 2/pi.
      {ref::Fn::kSin, 0x1.6ac5b262ca1ffp+849, 0},
      {ref::Fn::kCos, 0x1.6ac5b262ca1ffp+849, 0},
      {ref::Fn::kSin, kMax, 0},
      {ref::Fn::kCos, -0x1p+1023, 0},
      {ref::Fn::kSin, 0x1.0f0cf064dd592p+73, 0},  // 1e22
      {ref::Fn::kCos, 0x1.37b1311fb4936p-22, 0},
      {ref::Fn::kCos, 0x1.5e5c1cd6c4e6fp-22, 0},
      {ref::Fn::kAtan, 0x1.c74847a112b6ap-25, 0},
      {ref::Fn::kAtan, 0x1.2b6521d6d60e1p-22, 0},
      {ref::Fn::kAtan, -0x1.962e0f25fdccdp+35, 0},
      {ref::Fn::kAtan2, 0x1.f56ad3e2f2a8p+40, -1.0},
      {ref::Fn::kAtan2, -0x1.9018c4f2c2ec7p+38, -1.0},
      {ref::Fn::kAtan2, -0x1.c74847a112b6ap-25, 1.0},
      {ref::Fn::kHypot, 0x1.3076a5f3d1a8cp-45, 0x1.6a1a01207a4a4p-19},
      {ref::Fn::kHypot, 0x1.ddc95f174335p-148, 0x1.5dbbb8a44e7bep-174},
      {ref::Fn::kHypot, 0x1.fe07f4835b2bp+47, 0x1.38ee664ed26edp+22},
      {ref::Fn::kHypot, 0x1.5791ec4c40991p-1, 0x1.cd185a61dd98p+25},
      // Angles and ratios of the models' range whose values lie within 2^-22 ulp
      // of a midpoint: the quick path must hand them on.
      {ref::Fn::kSin, 0x1.101f9ddda266fp+3, 0},
      {ref::Fn::kSin, 0x1.1db438765baebp+1, 0},
      {ref::Fn::kSin, 0x1.29579fa99d7c8p+4, 0},
      {ref::Fn::kSin, 0x1.6fb2ec6439c0ep+4, 0},
      {ref::Fn::kSin, 0x1.80b6861cd1e82p+2, 0},
      {ref::Fn::kSin, 0x1.8e7c1e8c6221dp+4, 0},
      {ref::Fn::kSin, 0x1.cf746071afb1dp+3, 0},
      {ref::Fn::kCos, 0x1.37f87f46096eap+3, 0},
      {ref::Fn::kCos, 0x1.5fd8aeb813a51p+4, 0},
      {ref::Fn::kCos, 0x1.a313a8669b297p+1, 0},
      {ref::Fn::kAtan, 0x1.1c65c700877e3p+2, 0},
      {ref::Fn::kAtan, 0x1.21da80ebb663bp+0, 0},
      {ref::Fn::kAtan, 0x1.3621a36316539p+2, 0},
      {ref::Fn::kAtan, 0x1.628bbb4d4aed9p+2, 0},
  };
  for (const Hard& h : rows) {
    const double want = ref::Evaluate(h.fn, h.a, h.b).rounded;
    EXPECT_TRUE(SameBits(ref::Ours(h.fn, h.a, h.b), want)) << ref::Name(h.fn) << ' ' << h.a;
    EXPECT_TRUE(SameBits(ref::OursExact(h.fn, h.a, h.b), want)) << ref::Name(h.fn) << ' ' << h.a;
  }
}

// Under the sanitizers everything runs ten times slower: a tenth of the sample.
int SampleSize() {
  return std::getenv("DIPVIEW_SANITIZE_RUN") != nullptr ? 20000 : 200000;
}

double RandomArgument(std::mt19937_64& rng, ref::Fn fn, int i) {
  std::uniform_real_distribution<double> mantissa(1.0, 2.0);
  const double sign = (rng() & 1) != 0 ? -1.0 : 1.0;
  if (i % 2 == 0) {
    const double range = fn == ref::Fn::kSin || fn == ref::Fn::kCos ? 8 * kPi : 10.0;
    return std::uniform_real_distribution<double>(-range, range)(rng);
  }
  return sign * std::ldexp(mantissa(rng), static_cast<int>(rng() % 2000) - 1000);
}

// Random arguments over the reachable ranges and over all exponents, against
// MPFR; a tenth of them also through the exact path alone.
TEST(MathsTest, RandomArgumentsRoundCorrectly) {
  std::mt19937_64 rng(17);
  const int n = SampleSize();
  for (ref::Fn fn :
       {ref::Fn::kSin, ref::Fn::kCos, ref::Fn::kAtan, ref::Fn::kAtan2, ref::Fn::kHypot}) {
    int wrong = 0;
    int wrong_exact = 0;
    std::uint64_t exact_taken = 0;
    for (int i = 0; i < n; ++i) {
      const double a = RandomArgument(rng, fn, i);
      const double b = RandomArgument(rng, fn, i / 2);
      const double want = ref::Evaluate(fn, a, b).rounded;
      const std::uint64_t before = detail::ExactPathCount();
      const double got = ref::Ours(fn, a, b);
      exact_taken += detail::ExactPathCount() - before;
      if (!ref::Same(got, want)) {
        if (++wrong <= 3)
          ADD_FAILURE() << ref::Name(fn) << std::hexfloat << ' ' << a << ' ' << b;
      }
      if (i % 10 == 0 && !ref::Same(ref::OursExact(fn, a, b), want)) {
        if (++wrong_exact <= 3) {
          ADD_FAILURE() << "exact " << ref::Name(fn) << std::hexfloat << ' ' << a << ' ' << b;
        }
      }
    }
    EXPECT_EQ(wrong, 0) << ref::Name(fn);
    EXPECT_EQ(wrong_exact, 0) << ref::Name(fn);
    // A fault in the fast path that the exact path hides: about 1 in 5000
    // calls take it when the fast error is within its bound.
    EXPECT_LE(exact_taken, static_cast<std::uint64_t>(n / 500)) << ref::Name(fn);
  }
}

// SinCos shares the reduction and the series: each result must still be the
// quadrant's own.
TEST(MathsTest, SinCosGivesSinAndCos) {
  std::mt19937_64 rng(3);
  for (int i = 0; i < 20000; ++i) {
    const double x = RandomArgument(rng, ref::Fn::kSin, i);
    double s, c;
    SinCos(x, s, c);
    ASSERT_TRUE(SameBits(s, Sin(x))) << x;
    ASSERT_TRUE(SameBits(c, Cos(x))) << x;
  }
  double s, c;
  SinCos(kInf, s, c);
  EXPECT_TRUE(std::isnan(s) && std::isnan(c));
}

}  // namespace
}  // namespace dipview::maths

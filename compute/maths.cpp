#include "compute/maths.h"

#include <array>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

#include "compute/maths_tables.h"

// Each function first evaluates in double-double arithmetic with a proven
// relative error bound and keeps the result when every value within that bound
// rounds to the same double (Ziv's test). Otherwise it recomputes in 352-bit
// fixed point, whose error is a few units of 2^-352, or decides exactly with
// integers (hypot, quotients), and rounds from there.
namespace dipview::maths {
namespace {

namespace t = tables;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

std::atomic<std::uint64_t> exact_calls{0};

// ---------------------------------------------------------------------------
// Double-double arithmetic (Dekker, Knuth). Without fused multiply-add the
// exact product goes through Veltkamp's split; all operands here stay far
// below 2^996, where the split would overflow.

struct Dd {
  double hi;
  double lo;
};

Dd TwoSum(double a, double b) {
  const double s = a + b;
  const double bb = s - a;
  return {s, (a - (s - bb)) + (b - bb)};
}

// Needs |a| >= |b| or a == 0.
Dd FastTwoSum(double a, double b) {
  const double s = a + b;
  return {s, b - (s - a)};
}

void Split(double a, double& hi, double& lo) {
  const double c = 134217729.0 * a;  // 2^27 + 1
  hi = c - (c - a);
  lo = a - hi;
}

Dd TwoProd(double a, double b) {
  double ah, al, bh, bl;
  Split(a, ah, al);
  Split(b, bh, bl);
  const double p = a * b;
  return {p, ((ah * bh - p) + ah * bl + al * bh) + al * bl};
}

// a * a with one split.
Dd Square(double a) {
  double ah, al;
  Split(a, ah, al);
  const double p = a * a;
  return {p, ((ah * ah - p) + 2.0 * ah * al) + al * al};
}

// a + b to about 2^-104 relative when |a| >= |b| and |a + b| >= |a|/2, the
// case of every sum here.
Dd AddOrdered(Dd a, Dd b) {
  Dd s = FastTwoSum(a.hi, b.hi);
  s.lo += a.lo + b.lo;
  return FastTwoSum(s.hi, s.lo);
}

Dd Mul(Dd a, Dd b) {
  Dd p = TwoProd(a.hi, b.hi);
  p.lo += a.hi * b.lo + a.lo * b.hi;
  return FastTwoSum(p.hi, p.lo);
}

Dd MulD(Dd a, double b) {
  Dd p = TwoProd(a.hi, b);
  p.lo += a.lo * b;
  return FastTwoSum(p.hi, p.lo);
}

Dd Div(Dd a, Dd b) {
  const double q = a.hi / b.hi;
  const Dd p = TwoProd(q, b.hi);
  // a.hi - p.hi is exact: q * b.hi is within a rounding of a.hi.
  const double r = (((a.hi - p.hi) - p.lo) + a.lo) - q * b.lo;
  return FastTwoSum(q, r / b.hi);
}

Dd Neg(Dd a) {
  return {-a.hi, -a.lo};
}

// The biased exponent field: 0 for zeros and subnormals, 2047 for non-finite.
int ExponentField(double x) {
  std::uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);  // no std::bit_cast in emscripten's libc++
  return static_cast<int>((bits >> 52) & 0x7FF);
}

// 2^e for -1022 <= e <= 1023, exactly, without a call into the C library.
double Pow2(int e) {
  const std::uint64_t bits = static_cast<std::uint64_t>(e + 1023) << 52;
  double x;
  std::memcpy(&x, &bits, sizeof x);
  return x;
}

// Ziv's test: when x.hi + x.lo is within rel * |x.hi| of the exact value (rel
// at least twice the proven bound, which covers the roundings of this test),
// and both ends of that interval round alike, that is the correct rounding,
// since rounding is monotonic.
bool RoundDd(Dd x, double rel, double& out) {
  const double e = rel * std::fabs(x.hi);
  const double a = x.hi + (x.lo - e);
  const double b = x.hi + (x.lo + e);
  if (a != b) {
    return false;
  }
  out = a;
  return true;
}

// The proven relative error of the fast sin, cos and atan is below 2^-68.3
// (the cubic correction in double), of the fast hypot below 2^-100.
constexpr double kSinCosAtanRel = 0x1p-66;
constexpr double kHypotRel = 0x1p-92;

// ---------------------------------------------------------------------------
// Fixed point: a signed two's complement integer of kWords 32-bit words, least
// significant first, over 2^(32 * kFracWords). Every operation below truncates
// by less than one unit of the last place (2^-352).

constexpr int kFracWords = t::kFracWords;
constexpr int kWords = kFracWords + 1;
constexpr int kFracBits = 32 * kFracWords;

struct Fx {
  std::uint32_t w[kWords] = {};
};

Fx FxFromTable(const std::uint32_t (&words)[kWords]) {
  Fx r;
  std::memcpy(r.w, words, sizeof r.w);
  return r;
}

bool IsNegative(const Fx& a) {
  return (a.w[kWords - 1] >> 31) != 0;
}

bool IsZero(const Fx& a) {
  for (std::uint32_t v : a.w) {
    if (v != 0) {
      return false;
    }
  }
  return true;
}

Fx FxAdd(const Fx& a, const Fx& b) {
  Fx r;
  std::uint64_t carry = 0;
  for (int i = 0; i < kWords; ++i) {
    const std::uint64_t s = std::uint64_t{a.w[i]} + b.w[i] + carry;
    r.w[i] = static_cast<std::uint32_t>(s);
    carry = s >> 32;
  }
  return r;
}

Fx FxNeg(const Fx& a) {
  Fx r;
  std::uint64_t carry = 1;
  for (int i = 0; i < kWords; ++i) {
    const std::uint64_t s = std::uint64_t{static_cast<std::uint32_t>(~a.w[i])} + carry;
    r.w[i] = static_cast<std::uint32_t>(s);
    carry = s >> 32;
  }
  return r;
}

Fx FxSub(const Fx& a, const Fx& b) {
  return FxAdd(a, FxNeg(b));
}

Fx FxAbs(const Fx& a) {
  return IsNegative(a) ? FxNeg(a) : a;
}

Fx FxInt(std::uint32_t n) {
  Fx r;
  r.w[kWords - 1] = n;
  return r;
}

// Bits [pos, pos + 64) of the unsigned integer w[0..n), zeros outside it.
std::uint64_t Bits(const std::uint32_t* w, int n, int pos) {
  const int first = pos >= 0 ? pos / 32 : -((31 - pos) / 32);
  const int offset = pos - 32 * first;
  std::uint64_t r = 0;
  for (int k = 0; k < 3; ++k) {
    const int i = first + k;
    if (i < 0 || i >= n) {
      continue;
    }
    const std::uint64_t part = w[i];
    const int shift = 32 * k - offset;
    if (shift < 0) {
      r |= part >> -shift;
    } else if (shift < 64) {
      r |= part << shift;
    }
  }
  return r;
}

int BitLength(const std::uint32_t* w, int n) {
  for (int i = n - 1; i >= 0; --i) {
    if (w[i] != 0) {
      return 32 * i + 32 - std::countl_zero(w[i]);
    }
  }
  return 0;
}

// Magnitudes; the product of the words is cut to the fixed-point scale.
Fx FxMulUnsigned(const Fx& a, const Fx& b) {
  std::uint32_t p[2 * kWords] = {};
  for (int i = 0; i < kWords; ++i) {
    std::uint64_t carry = 0;
    for (int j = 0; j < kWords; ++j) {
      const std::uint64_t s = std::uint64_t{a.w[i]} * b.w[j] + p[i + j] + carry;
      p[i + j] = static_cast<std::uint32_t>(s);
      carry = s >> 32;
    }
    p[i + kWords] = static_cast<std::uint32_t>(carry);
  }
  Fx r;
  std::memcpy(r.w, p + kFracWords, sizeof r.w);
  return r;
}

Fx FxMul(const Fx& a, const Fx& b) {
  const Fx m = FxMulUnsigned(FxAbs(a), FxAbs(b));
  return IsNegative(a) != IsNegative(b) ? FxNeg(m) : m;
}

// a >= 0.
Fx FxMulSmall(const Fx& a, std::uint32_t k) {
  Fx r;
  std::uint64_t carry = 0;
  for (int i = 0; i < kWords; ++i) {
    const std::uint64_t s = std::uint64_t{a.w[i]} * k + carry;
    r.w[i] = static_cast<std::uint32_t>(s);
    carry = s >> 32;
  }
  return r;
}

// a >= 0.
Fx FxDivSmall(const Fx& a, std::uint32_t k) {
  Fx r;
  std::uint64_t rem = 0;
  for (int i = kWords - 1; i >= 0; --i) {
    const std::uint64_t cur = (rem << 32) | a.w[i];
    r.w[i] = static_cast<std::uint32_t>(cur / k);
    rem = cur % k;
  }
  return r;
}

// The double-double nearest (within 2^-105 relative) to a nonzero a.
Dd FxToDd(const Fx& a) {
  const Fx m = FxAbs(a);
  const int len = BitLength(m.w, kWords);
  const std::uint64_t u = Bits(m.w, kWords, len - 64);
  const std::uint64_t v = Bits(m.w, kWords, len - 128);
  const double hi = std::ldexp(static_cast<double>(u >> 11), len - 53 - kFracBits);
  const double lo = std::ldexp(static_cast<double>(u & 0x7FF) * 0x1p64 + static_cast<double>(v),
                               len - 128 - kFracBits);
  const Dd r = FastTwoSum(hi, lo);
  return IsNegative(a) ? Neg(r) : r;
}

// x exactly, for |x| < 2^31 with no bits below 2^-352.
Fx FxFromDouble(double x) {
  int e;
  const double f = std::frexp(std::fabs(x), &e);
  const auto m = static_cast<std::uint64_t>(std::ldexp(f, 53));
  Fx r;
  const int pos = e - 53 + kFracBits;  // bit position of m's lowest bit
  for (int i = 0; i < kWords; ++i) {
    const int shift = pos - 32 * i;
    if (shift >= 64 || shift <= -64) {
      continue;
    }
    r.w[i] = static_cast<std::uint32_t>(shift >= 0 ? m << shift : m >> -shift);
  }
  return x < 0 ? FxNeg(r) : r;
}

// Rounds a value known within 2^kGuardBits units of the last place; NaN when
// a rounding boundary lies that close (never seen for binary64 arguments: the
// hardest known cases need about 2^-120 relative, this gives 2^-270).
constexpr int kGuardBits = 16;

double RoundFx(const Fx& a) {
  const Fx m = FxAbs(a);
  const int len = BitLength(m.w, kWords);
  // The bits between the round bit and the guard must not be all equal; at
  // least 64 of them.
  const int round_pos = len - 54;
  if (round_pos - kGuardBits < 64) {
    return kNaN;
  }
  const std::uint64_t top = Bits(m.w, kWords, round_pos);  // bit 0: round bit
  const bool round_bit = (top & 1) != 0;
  bool all_equal = true;
  for (int pos = kGuardBits; pos < round_pos && all_equal; pos += 64) {
    const int n = round_pos - pos < 64 ? round_pos - pos : 64;
    const std::uint64_t mask = n == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << n) - 1;
    const std::uint64_t chunk = Bits(m.w, kWords, pos) & mask;
    all_equal = round_bit ? chunk == 0 : chunk == mask;
  }
  if (all_equal) {
    return kNaN;
  }
  const std::uint64_t mant = (top >> 1) + (round_bit ? 1 : 0);
  const double r = std::ldexp(static_cast<double>(mant), round_pos + 1 - kFracBits);
  return IsNegative(a) ? -r : r;
}

// ---------------------------------------------------------------------------
// Argument reduction for sin and cos.

// x = (4n + q + f) * pi/2 with f in [-1/2, 1/2); returns q, sets f * pi/2 in
// fixed point. Payne-Hanek with the bits of 2/pi: the words that would only
// add multiples of 4 to x * 2/pi are skipped, and 14 words after them leave a
// truncation below 2^-360, for every finite x.
int ReduceExact(double x, Fx& r) {
  int e;
  const double f = std::frexp(std::fabs(x), &e);
  const auto m = static_cast<std::uint64_t>(std::ldexp(f, 53));
  const int exp = e - 53;  // |x| = m * 2^exp
  // Word w of 2/pi weighs 2^(-32 w - 32); m * word * 2^(exp - 32 w - 32) is a
  // multiple of 4 when exp - 32 w - 32 >= 2.
  int w0 = exp - 33 > 0 ? (exp - 33 + 31) / 32 : 0;
  constexpr int kTake = 14;
  static_assert(30 + kTake <= t::kTwoOverPiWords, "2/pi table too short for 2^1024");
  // p = m * (the kTake words as one integer, most significant first).
  constexpr int kLen = kTake + 3;
  std::uint32_t p[kLen] = {};
  const std::uint64_t m_lo = m & 0xFFFFFFFFu;
  const std::uint64_t m_hi = m >> 32;
  for (int i = 0; i < kTake; ++i) {
    const std::uint64_t word = t::kTwoOverPi32[w0 + kTake - 1 - i];
    std::uint64_t carry = 0;
    const std::uint64_t parts[2] = {word * m_lo, word * m_hi};
    for (int k = 0; k < 2; ++k) {
      std::uint64_t s = std::uint64_t{p[i + k]} + (parts[k] & 0xFFFFFFFFu) + carry;
      p[i + k] = static_cast<std::uint32_t>(s);
      carry = (s >> 32) + (parts[k] >> 32);
    }
    for (int k = i + 2; k < kLen && carry != 0; ++k) {
      const std::uint64_t s = std::uint64_t{p[k]} + carry;
      p[k] = static_cast<std::uint32_t>(s);
      carry = s >> 32;
    }
  }
  // p * 2^shift = the kept part of |x| * 2/pi.
  const int shift = exp - 32 * (w0 + kTake);
  const int point = -shift;  // bit of p at weight 2^0
  Fx frac;
  for (int i = 0; i < kFracWords; ++i) {
    frac.w[i] = static_cast<std::uint32_t>(Bits(p, kLen, point - kFracBits + 32 * i));
  }
  int q = static_cast<int>(Bits(p, kLen, point) & 3);
  if ((frac.w[kFracWords - 1] >> 31) != 0) {  // f >= 1/2: next quadrant
    q = (q + 1) & 3;
    frac.w[kWords - 1] = 0xFFFFFFFFu;
  }
  r = FxMul(frac, FxFromTable(t::kPiHalfFixed));
  if (x < 0) {
    r = FxNeg(r);
    q = (4 - q) & 3;
  }
  return q;
}

// ---------------------------------------------------------------------------
// sin and cos.

// Below these, sin x rounds to x and cos x to 1: x^2/6 and x^2/2 are below a
// quarter of an ulp.
constexpr double kSinTiny = 0x1p-26;
constexpr double kCosTiny = 0x1p-27;
// The Cody-Waite reduction keeps k * kPiHalf1 and k * kPiHalf2 exact while
// |k| < 2^20, and its error (|k| 2^-121, from the third part of pi/2 and its
// rounded product) below 2^-80 |r| while |r| >= |k| 2^-40.
constexpr double kCodyWaiteMax = 0x1p20;
constexpr double kCodyWaiteMinRatio = 0x1p-40;

// Taylor coefficients of sin t - t, cos t - 1 + t^2/2 and atan t - t.
constexpr double kS3 = -1.0 / 6, kS5 = 1.0 / 120, kS7 = -1.0 / 5040, kS9 = 1.0 / 362880,
                 kS11 = -1.0 / 39916800;
constexpr double kC4 = 1.0 / 24, kC6 = -1.0 / 720, kC8 = 1.0 / 40320, kC10 = -1.0 / 3628800;
constexpr double kA3 = -1.0 / 3, kA5 = 1.0 / 5, kA7 = -1.0 / 7, kA9 = 1.0 / 9, kA11 = -1.0 / 11;

// r = x - k pi/2 in double-double, k = q mod 4; exact reduction where
// Cody-Waite's is not accurate enough.
void ReduceFast(double x, int& q, Dd& r) {
  if (std::fabs(x) < kCodyWaiteMax) {
    // Adding and removing 1.5 * 2^52 rounds to an integer: |x 2/pi| < 2^51.
    constexpr double kRound = 0x1.8p52;
    const double k = (x * t::kTwoOverPi + kRound) - kRound;
    if (k == 0) {
      q = 0;
      r = {x, 0.0};
      return;
    }
    // x - k * kPiHalf1 is exact: both are multiples of 2^-53 (|x| > 1/2) and
    // their difference is below 1.
    const Dd a = TwoSum(x - k * t::kPiHalf1, -k * t::kPiHalf2);
    // k * kPiHalf3 is below 2^-28 |a| here: rounded, and rounded again into
    // a.lo, it costs below 2^-80 of r.
    r = FastTwoSum(a.hi, a.lo - k * t::kPiHalf3);
    if (std::fabs(r.hi) >= std::fabs(k) * kCodyWaiteMinRatio) {
      q = static_cast<int>(static_cast<std::int64_t>(k) & 3);
      return;
    }
  }
  Fx rf;
  q = ReduceExact(x, rf);
  r = FxToDd(rf);
}

// sin and cos of r, |r| <= pi/4 + tiny, as sin(a + t) = sin a cos t + cos a
// sin t with a = j/128 from the table and |t| <= 1/256.
// What sin r and cos r share: j, t's sine and cosine less one.
struct SinCosParts {
  int j;
  bool negative;
  Dd st;
  Dd ct;
};

SinCosParts SinCosShared(Dd r) {
  const int j = static_cast<int>(std::fabs(r.hi) * t::kSinCosSteps + 0.5);
  const double a = std::copysign(j / static_cast<double>(t::kSinCosSteps), r.hi);
  // r.hi - a is exact: both are multiples of ulp(r.hi) and it is below 2^-8.
  const Dd tt = TwoSum(r.hi - a, r.lo);
  const double th = tt.hi;
  const double u = th * th;
  // sin t = t + t^3 (-1/6 + ...), with the first-order effect of t.lo on t^3.
  const double s_poly = kS3 + u * (kS5 + u * (kS7 + u * (kS9 + u * kS11)));
  const Dd st = FastTwoSum(th, tt.lo + (th * u * s_poly - 0.5 * u * tt.lo));
  // cos t - 1 = -t^2/2 + t^4 (1/24 + ...), t^2 in double-double.
  Dd t2 = Square(th);
  t2.lo += 2.0 * th * tt.lo;
  const double c_poly = kC4 + u * (kC6 + u * (kC8 + u * kC10));
  const Dd ct = AddOrdered({-0.5 * t2.hi, -0.5 * t2.lo}, {u * u * c_poly, 0.0});
  return {j, r.hi < 0, st, ct};
}

// sin r or cos r, |r| <= pi/4 + tiny, as sin(a + t) = sin a cos t + cos a sin t
// with a = j/128 from the table and |t| <= 1/256.
Dd SinCosFast(const SinCosParts& p, bool want_cos) {
  if (p.j == 0) {
    return want_cos ? AddOrdered({1.0, 0.0}, p.ct) : p.st;
  }
  const double* sa = t::kSinCos[p.j][0];
  const double* ca = t::kSinCos[p.j][1];
  const Dd sin_a = p.negative ? Dd{-sa[0], -sa[1]} : Dd{sa[0], sa[1]};
  const Dd cos_a{ca[0], ca[1]};
  // |t| <= 1/256 keeps the table's term ahead of the rest, and of the sum.
  if (want_cos) {
    return AddOrdered(AddOrdered(cos_a, Neg(Mul(sin_a, p.st))), Mul(cos_a, p.ct));
  }
  return AddOrdered(AddOrdered(sin_a, Mul(cos_a, p.st)), Mul(sin_a, p.ct));
}

// The function of quadrant q: sin x = sin r, cos r, -sin r, -cos r for q =
// 0..3, and cos x = sin x shifted by one quadrant.
Dd SinCosQuadrant(const SinCosParts& p, int q) {
  const Dd v = SinCosFast(p, (q & 1) != 0);
  return (q & 2) != 0 ? Neg(v) : v;
}

// Taylor series in fixed point, |r| <= pi/4: about 30 terms each.
Fx FxSinOrCos(const Fx& r, bool want_cos) {
  const Fx r2 = FxMul(r, r);
  Fx term = want_cos ? FxInt(1) : FxAbs(r);
  Fx sum = term;
  for (std::uint32_t n = want_cos ? 1 : 2; !IsZero(term); n += 2) {
    term = FxDivSmall(FxMulUnsigned(term, r2), n * (n + 1));
    sum = ((n / 2) % 2 == 0) == want_cos ? FxSub(sum, term) : FxAdd(sum, term);
  }
  return !want_cos && IsNegative(r) ? FxNeg(sum) : sum;
}

double SinCosExact(double x, bool want_cos) {
  exact_calls.fetch_add(1, std::memory_order_relaxed);
  Fx r;
  const int q = (ReduceExact(x, r) + (want_cos ? 1 : 0)) & 3;
  const Fx v = FxSinOrCos(r, (q & 1) != 0);
  return RoundFx((q & 2) != 0 ? FxNeg(v) : v);
}

// ---------------------------------------------------------------------------
// atan and atan2 through atan(n/d), 0 < n <= d, which lies in [0, pi/4].

// Above this ratio of the larger to the smaller exponent the result is the
// quotient (or pi/2, pi) rounded: n/d < 2^-56 keeps (n/d)^3/3 below the
// 2^-107 relative distance of any such quotient from a rounding boundary.
constexpr int kQuotientExponentGap = 57;

// Unsigned mantissa and exponent: |x| = m * 2^e, 2^52 <= m < 2^53.
std::uint64_t Mantissa(double x, int& e) {
  const double f = std::frexp(std::fabs(x), &e);
  e -= 53;
  return static_cast<std::uint64_t>(std::ldexp(f, 53));
}

// (mn / md) * 2^e rounded to nearest as if lowered by less than 2^-107 of
// itself (atan z = z - z^3/3...): a midpoint rounds down, ties never reach
// even. Exact with integers, subnormal results included.
double RoundQuotientLowered(std::uint64_t mn, std::uint64_t md, int e) {
  std::uint64_t rem = mn;
  if (rem < md) {
    rem <<= 1;
    --e;
  }
  std::uint64_t q = 0;
  for (int i = 0; i < 64; ++i) {
    q <<= 1;
    if (rem >= md) {
      q |= 1;
      rem -= md;
    }
    rem <<= 1;
  }
  // Value in [2^e, 2^(e+1)); p bits survive: 53 when normal, fewer below.
  const int p = e >= -1022 ? 53 : e + 1075;
  if (p < 0) {
    return 0.0;
  }
  const bool sticky = rem != 0;
  if (p == 0) {  // value in [2^-1075, 2^-1074)
    const bool above_half = (q << 1) != 0 || sticky;
    return above_half ? 0x1p-1074 : 0.0;
  }
  const std::uint64_t keep = q >> (64 - p);
  const bool round_bit = ((q >> (63 - p)) & 1) != 0;
  const bool rest = (q & ((std::uint64_t{1} << (63 - p)) - 1)) != 0 || sticky;
  const std::uint64_t mant = keep + ((round_bit && rest) ? 1 : 0);
  return std::ldexp(static_cast<double>(mant), e - p + 1);
}

// atan(z) for the double-double z in [2^-58, 1]: atan z = atan a + atan t with
// a = j/128 and t = (z - a) / (1 + a z), |t| <= 1/256.
Dd AtanFast(Dd z) {
  const int j = static_cast<int>(z.hi * t::kAtanSteps + 0.5);
  Dd tt = z;
  if (j != 0) {
    const double a = j / static_cast<double>(t::kAtanSteps);
    // z.hi - a is exact: both are multiples of ulp(z.hi) and it is below 2^-8.
    const Dd num = TwoSum(z.hi - a, z.lo);
    const Dd den = AddOrdered({1.0, 0.0}, MulD(z, a));
    tt = Div(num, den);
  }
  const double th = tt.hi;
  const double u = th * th;
  const double poly = kA3 + u * (kA5 + u * (kA7 + u * (kA9 + u * kA11)));
  const Dd at = FastTwoSum(th, tt.lo + (th * u * poly - u * tt.lo));
  if (j == 0) {
    return at;
  }
  return AddOrdered({t::kAtanDd[j][0], t::kAtanDd[j][1]}, at);
}

// Result of the octant: base = atan(n/d) with swap (|y| > |x|) and x < 0.
Dd Octant(Dd base, bool swap, bool x_negative) {
  const Dd pi_half{t::kPiHalfDd[0], t::kPiHalfDd[1]};
  const Dd pi{t::kPiDd[0], t::kPiDd[1]};
  if (swap) {
    base = AddOrdered(pi_half, Neg(base));
  }
  if (x_negative) {
    base = AddOrdered(pi, Neg(base));
  }
  return base;
}

// atan(n/d) in fixed point from the exact quotient.
Fx FxAtanRatio(std::uint64_t mn, int en, std::uint64_t md, int ed) {
  // Bits of mn/md (in (1/2, 2)) by long division, placed at 2^(en - ed - i).
  Fx z;
  std::uint64_t rem = mn;
  const int top = kFracBits + en - ed;  // fixed-point bit of weight 2^(en-ed)
  for (int bit = top; bit >= 0; --bit) {
    if (rem >= md) {
      rem -= md;
      if (bit < 32 * kWords) {
        z.w[bit / 32] |= std::uint32_t{1} << (bit % 32);
      }
    }
    rem <<= 1;
  }
  const int j = static_cast<int>(std::floor(FxToDd(z).hi * t::kAtanSteps + 0.5));
  Fx tt = z;
  if (j != 0) {
    const Fx a = FxDivSmall(FxInt(static_cast<std::uint32_t>(j)), t::kAtanSteps);
    const Fx num = FxSub(z, a);
    const Fx den =
        FxAdd(FxInt(1), FxDivSmall(FxMulSmall(z, static_cast<std::uint32_t>(j)), t::kAtanSteps));
    // 1/den by Newton's iteration y += y (1 - den y) from a double start:
    // 53, 106, 212 and then all bits.
    Fx y = FxFromDouble(1.0 / FxToDd(den).hi);
    for (int i = 0; i < 4; ++i) {
      y = FxAdd(y, FxMul(y, FxSub(FxInt(1), FxMul(den, y))));
    }
    tt = FxMul(num, y);
  }
  const Fx t2 = FxMul(tt, tt);
  Fx power = FxAbs(tt);
  Fx sum = power;
  for (std::uint32_t n = 3; !IsZero(power); n += 2) {
    power = FxMulUnsigned(power, t2);
    const Fx term = FxDivSmall(power, n);
    sum = n % 4 == 3 ? FxSub(sum, term) : FxAdd(sum, term);
  }
  if (IsNegative(tt)) {
    sum = FxNeg(sum);
  }
  return FxAdd(FxFromTable(t::kAtanFixed[j]), sum);
}

// ---------------------------------------------------------------------------
// Quick paths: the leading term exact in double-double, everything smaller in
// plain double. The smaller terms stay below 2^-15 of the result, so their
// roundings leave a relative error below 2^-65 (2^-67.6 the largest seen
// against MPFR over 2 million arguments); Ziv's test with 2^-63 then answers
// about 999 calls in 1000, and the double-double paths above decide the rest.

constexpr double kQuickRel = 0x1p-63;

// The table's sines and cosines split as Split does, once, when compiled.
struct SplitPair {
  double hi;
  double lo;
};
constexpr SplitPair SplitConstant(double a) {
  const double c = 134217729.0 * a;
  const double hi = c - (c - a);
  return {hi, a - hi};
}
constexpr auto kSinCosSplit = [] {
  std::array<std::array<SplitPair, 2>, std::size(t::kSinCos)> r{};
  for (std::size_t j = 0; j < r.size(); ++j) {
    r[j] = {SplitConstant(t::kSinCos[j][0][0]), SplitConstant(t::kSinCos[j][1][0])};
  }
  return r;
}();

// a b exactly, a split beforehand.
Dd TwoProdSplit(double a, SplitPair as, double b) {
  double bh, bl;
  Split(b, bh, bl);
  const double p = a * b;
  return {p, ((as.hi * bh - p) + as.hi * bl + as.lo * bh) + as.lo * bl};
}

// a b exactly, for a with at most 26 significant bits: only b is split.
Dd TwoProdShort(double a, double b) {
  double bh, bl;
  Split(b, bh, bl);
  const double p = a * b;
  return {p, (a * bh - p) + a * bl};
}

// The pieces of sin(a + t) and cos(a + t), a = j/128 from the table and
// t = r - a with |t| <= 1/256, for r >= 0.
struct QuickParts {
  int j;
  double th;      // t rounded
  double s_rest;  // sin t - th: the rest of t and the cubic and higher terms
  double c_rest;  // cos t - 1
};

QuickParts QuickShared(Dd r) {
  // j rounded in double (as in ReduceFast), so a need not wait for the
  // conversion to int, which only indexes the table.
  constexpr double kRound = 0x1.8p52;
  const double jd = (r.hi * t::kSinCosSteps + kRound) - kRound;
  const int j = static_cast<int>(jd);
  // r.hi - a is exact: both are multiples of ulp(r.hi) and it is below 2^-8.
  const Dd tt = TwoSum(r.hi - jd * (1.0 / t::kSinCosSteps), r.lo);
  const double th = tt.hi;
  const double u = th * th;
  // Terms below 2^-60 of t (t^9/9!, t^8/8!) are left out.
  return {j, th, tt.lo + th * u * (kS3 + u * (kS5 + u * kS7)),
          (-0.5 * u - th * tt.lo) + u * u * (kC4 + u * kC6)};
}

// sin(a + t) = sin a + cos a sin t + sin a (cos t - 1).
Dd QuickSin(const QuickParts& p) {
  if (p.j == 0) {
    return FastTwoSum(p.th, p.s_rest);
  }
  const double* sa = t::kSinCos[p.j][0];
  const double* ca = t::kSinCos[p.j][1];
  const Dd lead = TwoProdSplit(ca[0], kSinCosSplit[p.j][1], p.th);
  // sin a >= 1/128 - tiny >= 2 |t| cos a: the table's term leads.
  const Dd s = FastTwoSum(sa[0], lead.hi);
  return FastTwoSum(s.hi,
                    s.lo + (lead.lo + sa[1] + ca[1] * p.th + ca[0] * p.s_rest + sa[0] * p.c_rest));
}

// cos(a + t) = cos a - sin a sin t + cos a (cos t - 1).
Dd QuickCos(const QuickParts& p) {
  if (p.j == 0) {
    return FastTwoSum(1.0, p.c_rest);
  }
  const double* sa = t::kSinCos[p.j][0];
  const double* ca = t::kSinCos[p.j][1];
  const Dd lead = TwoProdSplit(sa[0], kSinCosSplit[p.j][0], p.th);
  const Dd s = FastTwoSum(ca[0], -lead.hi);
  return FastTwoSum(s.hi,
                    s.lo + (ca[1] - lead.lo - sa[1] * p.th - sa[0] * p.s_rest + ca[0] * p.c_rest));
}

// sin x (want_cos false) or cos x of the reduced r in quadrant q.
Dd QuickQuadrant(const QuickParts& p, bool negative, int q, bool want_cos) {
  q = (q + (want_cos ? 1 : 0)) & 3;
  Dd v = (q & 1) != 0 ? QuickCos(p) : QuickSin(p);
  // sin(-r) = -sin r, cos(-r) = cos r.
  if (((q & 2) != 0) != ((q & 1) == 0 && negative)) {
    v = Neg(v);
  }
  return v;
}

// atan t = t - t^3/3 + ... with the first-order effect of tl, plus atan a
// from the table; t^11/11 is below 2^-80 of t.
Dd QuickAtanSum(int j, double th, double tl) {
  const double u = th * th;
  const double rest = (tl - u * tl) + th * u * (kA3 + u * (kA5 + u * (kA7 + u * kA9)));
  if (j == 0) {
    return FastTwoSum(th, rest);
  }
  // atan a >= atan(1/128) > 1/256 >= |t|.
  const Dd s = FastTwoSum(t::kAtanDd[j][0], th);
  return FastTwoSum(s.hi, s.lo + (t::kAtanDd[j][1] + rest));
}

// atan z for 2^-27 <= z <= 1: QuickAtan(z, 1) without the division, and with
// z - a exact (both multiples of ulp(z), and below 2^-8).
Dd QuickAtanOfOne(double z) {
  constexpr double kRound = 0x1.8p52;
  const double jd = (z * t::kAtanSteps + kRound) - kRound;
  const int j = static_cast<int>(jd);
  if (j == 0) {
    return QuickAtanSum(0, z, 0.0);
  }
  const double a = jd * (1.0 / t::kAtanSteps);
  const Dd az = TwoProdShort(a, z);
  Dd den = FastTwoSum(1.0, az.hi);
  den.lo += az.lo;
  const double num = z - a;
  const double inverse = 1.0 / den.hi;
  const double th = num * inverse;
  const Dd p = TwoProd(th, den.hi);
  return QuickAtanSum(j, th, (((num - p.hi) - p.lo) - th * den.lo) * inverse);
}

// atan(n/d) for 0 < n <= d, both normal with n/d > 2^-58: atan a + atan t with
// a = j/128 and t = (n - a d) / (d + a n), |t| <= 1/256.
Dd QuickAtan(double n, double d) {
  const double z = n / d;
  const int j = static_cast<int>(z * t::kAtanSteps + 0.5);
  double th, tl;
  if (j == 0) {
    th = z;
    const Dd p = TwoProd(z, d);
    tl = ((n - p.hi) - p.lo) / d;
  } else {
    const double a = j / static_cast<double>(t::kAtanSteps);
    const Dd ad = TwoProdShort(a, d);
    Dd num = TwoSum(n, -ad.hi);
    num.lo -= ad.lo;
    const Dd an = TwoProdShort(a, n);
    Dd den = FastTwoSum(d, an.hi);  // d >= a n
    den.lo += an.lo;
    // th need not be the rounded quotient: the remainder below is exact for
    // any th this close, and one division serves both.
    const double inverse = 1.0 / den.hi;
    th = num.hi * inverse;
    const Dd p = TwoProd(th, den.hi);
    tl = ((((num.hi - p.hi) - p.lo) + num.lo) - th * den.lo) * inverse;
  }
  return QuickAtanSum(j, th, tl);
}

double Atan2Finite(double y, double x, bool force_exact) {
  const double ay = std::fabs(y);
  const double ax = std::fabs(x);
  const bool swap = ay > ax;
  const double n = swap ? ax : ay;
  const double d = swap ? ay : ax;
  const bool x_negative = std::signbit(x);
  const int fn = ExponentField(n);
  const int fd = ExponentField(d);
  if (!force_exact && fn > 0 && fd < 2046 && fd - fn < kQuotientExponentGap) {
    // Both normal: scaled by one power of two, d to [1, 2), n stays normal
    // (n/d > 2^-57), and the quotient is the scaled pair's.
    const double scale = Pow2(1023 - fd);
    const double ds = d * scale;
    // atan(x) is atan2(x, 1): no division then.
    const double ns = n * scale;
    double r;
    if (RoundDd(Octant(QuickAtan(ns, ds), swap, x_negative), kQuickRel, r)) {
      return std::copysign(r, y);
    }
    const Dd z = ds == 1.0 ? Dd{ns, 0.0} : Div({ns, 0.0}, {ds, 0.0});
    const Dd v = Octant(AtanFast(z), swap, x_negative);
    if (RoundDd(v, kSinCosAtanRel, r)) {
      return std::copysign(r, y);
    }
    force_exact = true;
  }
  int en, ed;
  const std::uint64_t mn = Mantissa(n, en);
  const std::uint64_t md = Mantissa(d, ed);
  if (ed - en >= kQuotientExponentGap) {
    double r;
    if (swap) {
      r = t::kPiHalfDd[0];  // pi/2 +- a tiny n/d still rounds to it
    } else if (x_negative) {
      r = t::kPiDd[0];  // so does pi - a tiny n/d
    } else {
      r = RoundQuotientLowered(mn, md, en - ed);
    }
    return std::copysign(r, y);
  }
  if (!force_exact) {
    // n/d from the mantissas, in double-double, then scaled: n/d >= 2^-58.
    const double sn = std::ldexp(static_cast<double>(mn), -52);
    const double sd = std::ldexp(static_cast<double>(md), -52);
    Dd z = Div({sn, 0.0}, {sd, 0.0});
    z = {std::ldexp(z.hi, en - ed), std::ldexp(z.lo, en - ed)};
    const Dd v = Octant(AtanFast(z), swap, x_negative);
    double r;
    if (RoundDd(v, kSinCosAtanRel, r)) {
      return std::copysign(r, y);
    }
  }
  exact_calls.fetch_add(1, std::memory_order_relaxed);
  Fx v = FxAtanRatio(mn, en, md, ed);
  const Fx pi_half = FxFromTable(t::kPiHalfFixed);
  if (swap) {
    v = FxSub(pi_half, v);
  }
  if (x_negative) {
    v = FxSub(FxAdd(pi_half, pi_half), v);
  }
  return std::copysign(RoundFx(v), y);
}

// Special operands of atan2: NaN, zeros and infinities; false otherwise.
bool Atan2Special(double y, double x, double& r) {
  if (std::isnan(x) || std::isnan(y)) {
    r = kNaN;
  } else if (y == 0) {
    r = std::copysign(std::signbit(x) ? t::kPiDd[0] : 0.0, y);
  } else if (std::isinf(y)) {
    const double a =
        std::isinf(x) ? (x > 0 ? t::kPiHalfDd[0] / 2 : t::kThreePiQuarter) : t::kPiHalfDd[0];
    r = std::copysign(a, y);
  } else if (x == 0) {
    r = std::copysign(t::kPiHalfDd[0], y);
  } else if (std::isinf(x)) {
    r = std::copysign(x > 0 ? 0.0 : t::kPiDd[0], y);
  } else {
    return false;
  }
  return true;
}

// ---------------------------------------------------------------------------
// hypot.

// Unsigned integers of up to kWords words, for the exact comparisons.
Fx BigFromU64(std::uint64_t v) {
  Fx r;
  r.w[0] = static_cast<std::uint32_t>(v);
  r.w[1] = static_cast<std::uint32_t>(v >> 32);
  return r;
}

Fx BigSquare(std::uint64_t v) {
  const Fx a = BigFromU64(v);
  std::uint32_t p[2 * kWords] = {};
  for (int i = 0; i < 2; ++i) {
    std::uint64_t carry = 0;
    for (int j = 0; j < 2; ++j) {
      const std::uint64_t s = std::uint64_t{a.w[i]} * a.w[j] + p[i + j] + carry;
      p[i + j] = static_cast<std::uint32_t>(s);
      carry = s >> 32;
    }
    p[i + 2] = static_cast<std::uint32_t>(carry);
  }
  Fx r;
  std::memcpy(r.w, p, 4 * sizeof(std::uint32_t));
  return r;
}

Fx BigShiftLeft(const Fx& a, int n) {
  Fx r;
  for (int i = 0; i < kWords; ++i) {
    r.w[i] = static_cast<std::uint32_t>(Bits(a.w, kWords, 32 * i - n));
  }
  return r;
}

int BigCompare(const Fx& a, const Fx& b) {
  for (int i = kWords - 1; i >= 0; --i) {
    if (a.w[i] != b.w[i]) {
      return a.w[i] < b.w[i] ? -1 : 1;
    }
  }
  return 0;
}

// Compares (m * 2^em)^2 with s * 2^es.
int CompareSquare(std::uint64_t m, int em, const Fx& s, int es) {
  const Fx m2 = BigSquare(m);
  const int d = 2 * em - es;
  return d >= 0 ? BigCompare(BigShiftLeft(m2, d), s) : BigCompare(m2, BigShiftLeft(s, -d));
}

// Both operands below 2^-1022: on the grid of 2^-1074, the result
// sqrt(X^2 + Y^2) rounds to an integer, and never to a tie.
double HypotSubnormal(double a, double b) {
  const auto ia = static_cast<std::uint64_t>(std::ldexp(a, 1074));
  const auto ib = static_cast<std::uint64_t>(std::ldexp(b, 1074));
  const Fx n2 = FxAdd(BigSquare(ia), BigSquare(ib));
  auto n = static_cast<std::uint64_t>(std::sqrt(static_cast<double>(ia) * static_cast<double>(ia) +
                                                static_cast<double>(ib) * static_cast<double>(ib)));
  while (BigCompare(BigSquare(n), n2) > 0)
    --n;
  while (BigCompare(BigSquare(n + 1), n2) <= 0)
    ++n;
  // Round up when N - n^2 > n, that is N > (n + 1/2)^2 - 1/4.
  if (BigCompare(FxSub(n2, BigSquare(n)), BigFromU64(n)) > 0) {
    ++n;
  }
  return std::ldexp(static_cast<double>(n), -1074);
}

// The correctly rounded sqrt(a^2 + b^2) * 2^-ea, a >= b > 0, a >= 2^-1022,
// from the candidate y: integer comparisons of y's neighbouring midpoints
// squared with the exact sum of squares.
double HypotScaledExact(double a, double b, double y) {
  int ea, eb;
  const std::uint64_t ma = Mantissa(a, ea);
  const std::uint64_t mb = Mantissa(b, eb);
  // a^2 + b^2 = (ma^2 2^(2 (ea - eb)) + mb^2) 2^(2 eb); scaled by 2^-2(ea + 53).
  const Fx s = FxAdd(BigShiftLeft(BigSquare(ma), 2 * (ea - eb)), BigSquare(mb));
  const int es = 2 * eb - 2 * (ea + 53);
  for (;;) {
    int ey;
    const std::uint64_t my = Mantissa(y, ey);
    const int up = CompareSquare(2 * my + 1, ey - 1, s, es);
    const bool power_of_two = my == (std::uint64_t{1} << 52);
    const int down = power_of_two ? CompareSquare(4 * my - 1, ey - 2, s, es)
                                  : CompareSquare(2 * my - 1, ey - 1, s, es);
    const bool even = (my & 1) == 0;
    if (up < 0 || (up == 0 && !even)) {
      y = std::nextafter(y, kInf);
    } else if (down > 0 || (down == 0 && !even)) {
      y = std::nextafter(y, 0.0);
    } else {
      return y;
    }
  }
}

double HypotFinite(double x, double y, bool force_exact) {
  const double a = std::fabs(x) >= std::fabs(y) ? std::fabs(x) : std::fabs(y);
  const double b = std::fabs(x) >= std::fabs(y) ? std::fabs(y) : std::fabs(x);
  if (b == 0) {
    return a;
  }
  const int fa = ExponentField(a);
  // b/a < 2^-30: b^2/(2a^2) is far below a quarter ulp of a.
  if (fa - ExponentField(b) > 31) {
    return a;
  }
  if (fa == 0) {
    exact_calls.fetch_add(1, std::memory_order_relaxed);
    return HypotSubnormal(a, b);
  }
  // Scaled to a in [1/2, 1): nothing overflows, and b stays normal (above
  // 2^-32 a if normal, above 2^-83 a if not). Two exact factors, as 2^-ea
  // alone may be no normal number.
  const int ea = fa - 1022;
  const double down1 = Pow2(-ea / 2);
  const double down2 = Pow2(-ea - (-ea / 2));
  const double as = (a * down1) * down2;
  const double bs = (b * down1) * down2;
  const Dd s = AddOrdered(Square(as), Square(bs));
  const double root = std::sqrt(s.hi);
  const Dd sq = Square(root);
  const Dd v = FastTwoSum(root, (((s.hi - sq.hi) - sq.lo) + s.lo) / (2.0 * root));
  double r;
  // Exact products, or +inf exactly when the rounded result overflows.
  const double up1 = Pow2(ea / 2);
  const double up2 = Pow2(ea - ea / 2);
  if (!force_exact && RoundDd(v, kHypotRel, r)) {
    return (r * up1) * up2;
  }
  exact_calls.fetch_add(1, std::memory_order_relaxed);
  return (HypotScaledExact(a, b, v.hi) * up1) * up2;
}

bool HypotSpecial(double x, double y, double& r) {
  if (std::isinf(x) || std::isinf(y)) {
    r = kInf;
  } else if (std::isnan(x) || std::isnan(y)) {
    r = kNaN;
  } else {
    return false;
  }
  return true;
}

}  // namespace

double Sin(double x) {
  if (!std::isfinite(x)) {
    return kNaN;
  }
  if (std::fabs(x) < kSinTiny) {
    return x;
  }
  int q;
  Dd r;
  ReduceFast(x, q, r);
  double out;
  const bool negative = r.hi < 0;
  if (RoundDd(QuickQuadrant(QuickShared(negative ? Neg(r) : r), negative, q, false), kQuickRel,
              out) ||
      RoundDd(SinCosQuadrant(SinCosShared(r), q), kSinCosAtanRel, out)) {
    return out;
  }
  return SinCosExact(x, false);
}

double Cos(double x) {
  if (!std::isfinite(x)) {
    return kNaN;
  }
  if (std::fabs(x) < kCosTiny) {
    return 1.0;
  }
  int q;
  Dd r;
  ReduceFast(x, q, r);
  double out;
  const bool negative = r.hi < 0;
  if (RoundDd(QuickQuadrant(QuickShared(negative ? Neg(r) : r), negative, q, true), kQuickRel,
              out) ||
      RoundDd(SinCosQuadrant(SinCosShared(r), (q + 1) & 3), kSinCosAtanRel, out)) {
    return out;
  }
  return SinCosExact(x, true);
}

void SinCos(double x, double& sin_x, double& cos_x) {
  if (!std::isfinite(x)) {
    sin_x = cos_x = kNaN;
    return;
  }
  if (std::fabs(x) < kCosTiny) {
    sin_x = x;
    cos_x = 1.0;
    return;
  }
  int q;
  Dd r;
  ReduceFast(x, q, r);
  const bool negative = r.hi < 0;
  const QuickParts quick = QuickShared(negative ? Neg(r) : r);
  const bool sin_done = RoundDd(QuickQuadrant(quick, negative, q, false), kQuickRel, sin_x);
  const bool cos_done = RoundDd(QuickQuadrant(quick, negative, q, true), kQuickRel, cos_x);
  if (sin_done && cos_done) {
    return;
  }
  const SinCosParts p = SinCosShared(r);
  if (!sin_done && !RoundDd(SinCosQuadrant(p, q), kSinCosAtanRel, sin_x)) {
    sin_x = SinCosExact(x, false);
  }
  if (!cos_done && !RoundDd(SinCosQuadrant(p, (q + 1) & 3), kSinCosAtanRel, cos_x)) {
    cos_x = SinCosExact(x, true);
  }
}

double Atan(double x) {
  // atan x rounds to x below 2^-27: x^2/3 is below a quarter ulp.
  const double ax = std::fabs(x);
  if (ax < 0x1p-27) {
    return x;
  }
  // The quick path without atan2's scaling: atan(x) directly up to 1, and
  // pi/2 - atan(1/x) up to 2^50, where 1/x stays far from tiny.
  if (ax <= 0x1p50) {
    const Dd v = ax <= 1.0 ? QuickAtanOfOne(ax) : Octant(QuickAtan(1.0, ax), true, false);
    double r;
    if (RoundDd(v, kQuickRel, r)) {
      return std::copysign(r, x);
    }
  }
  return Atan2(x, 1.0);
}

double Atan2(double y, double x) {
  double r;
  if (Atan2Special(y, x, r)) {
    return r;
  }
  return Atan2Finite(y, x, false);
}

double Hypot(double x, double y) {
  double r;
  if (HypotSpecial(x, y, r)) {
    return r;
  }
  return HypotFinite(x, y, false);
}

namespace detail {

double SinExact(double x) {
  if (!std::isfinite(x) || std::fabs(x) < kSinTiny) {
    return Sin(x);
  }
  return SinCosExact(x, false);
}

double CosExact(double x) {
  if (!std::isfinite(x) || std::fabs(x) < kCosTiny) {
    return Cos(x);
  }
  return SinCosExact(x, true);
}

double Atan2Exact(double y, double x) {
  double r;
  if (Atan2Special(y, x, r)) {
    return r;
  }
  return Atan2Finite(y, x, true);
}

double HypotExact(double x, double y) {
  double r;
  if (HypotSpecial(x, y, r)) {
    return r;
  }
  return HypotFinite(x, y, true);
}

std::uint64_t ExactPathCount() {
  return exact_calls.load(std::memory_order_relaxed);
}

}  // namespace detail

}  // namespace dipview::maths

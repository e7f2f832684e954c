#include "compute/sag.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "compute/complex_ops.h"

namespace dipview {

namespace {

constexpr double kDegrees = 180.0 / kPi;

// Through the core's conversion, so a negative magnitude means what it means there.
Complex ToComplex(double magnitude, double angle) {
  const Rectangular r = PolarToRect(magnitude, angle);
  return {r.re, r.im};
}

Phasor ToPhasor(Complex z) {
  const double magnitude = Modulus(z);
  // atan2 of signed zeros gives 0 or +-pi; a vanished voltage has no direction.
  return {magnitude, magnitude == 0.0 ? 0.0 : Argument(z)};
}

bool IsFinite(const Phasor& p) {
  return std::isfinite(p.magnitude) && std::isfinite(p.angle);
}

struct Ideal {
  double angleDeg;  // arg(V2/V1) of the pure type
  SagType type;
  char phase;
};

constexpr std::array<Ideal, 6> kIdeals = {{{0.0, SagType::C, 'a'},
                                           {120.0, SagType::C, 'b'},
                                           {-120.0, SagType::C, 'c'},
                                           {180.0, SagType::D, 'a'},
                                           {-60.0, SagType::D, 'b'},
                                           {60.0, SagType::D, 'c'}}};

}  // namespace

LineToLine LineToLineVoltages(const PhaseTriple& v) {
  const Complex va = ToComplex(v.a.magnitude, v.a.angle);
  const Complex vb = ToComplex(v.b.magnitude, v.b.angle);
  const Complex vc = ToComplex(v.c.magnitude, v.c.angle);
  return {ToPhasor(va - vb), ToPhasor(vb - vc), ToPhasor(vc - va)};
}

namespace {

// The phases and sequence voltages of a set, in double precision.
struct Components {
  Complex va, vb, vc, v0, v1, v2;
};

Components Decompose(const PhaseTriple& v) {
  constexpr double r = kRotation;
  Components c;
  c.va = ToComplex(v.a.magnitude, v.a.angle);
  c.vb = ToComplex(v.b.magnitude, v.b.angle);
  c.vc = ToComplex(v.c.magnitude, v.c.angle);
  // The operator a as a turn of the angle: no product of large parts can overflow.
  const Complex aVb = ToComplex(v.b.magnitude, v.b.angle + r);
  const Complex a2Vb = ToComplex(v.b.magnitude, v.b.angle - r);
  const Complex aVc = ToComplex(v.c.magnitude, v.c.angle + r);
  const Complex a2Vc = ToComplex(v.c.magnitude, v.c.angle - r);
  // Thirds before the sums, so that no finite input overflows them.
  c.v0 = c.va / 3.0 + c.vb / 3.0 + c.vc / 3.0;
  c.v1 = c.va / 3.0 + aVb / 3.0 + a2Vc / 3.0;
  c.v2 = c.va / 3.0 + a2Vb / 3.0 + aVc / 3.0;
  return c;
}

// A textbook type's sequence voltages (V0, V1, V2) for symmetric phase a and
// the pre-event voltage 1∠0: p + q V.
struct Formula {
  TextbookType type;
  double p[3];
  double q[3];
};

constexpr double k3 = 1.0 / 3.0;
constexpr std::array<Formula, 7> kFormulas = {{
    {TextbookType::A, {0, 0, 0}, {0, 1, 0}},
    {TextbookType::B, {-k3, 2 * k3, -k3}, {k3, k3, k3}},
    {TextbookType::C, {0, 0.5, 0.5}, {0, 0.5, -0.5}},
    {TextbookType::D, {0, 0.5, -0.5}, {0, 0.5, 0.5}},
    {TextbookType::E, {k3, k3, k3}, {-k3, 2 * k3, -k3}},
    {TextbookType::F, {0, k3, -k3}, {0, 2 * k3, k3}},
    {TextbookType::G, {0, k3, k3}, {0, 2 * k3, -k3}},
}};

// The operator a, -1/2 + j sqrt(3)/2, as the classification turns by it.
Complex Operator() {
  static const Complex op = ToComplex(1.0, kRotation);
  return op;
}

// What a fit needs of a formula besides p and q: |q|^2, and Pp = p - q (q.p)/|q|^2,
// the part of p that q does not reach, with its |Pp|^2.
struct Projection {
  double qq;
  std::array<double, 3> pp;
  double ppNorm;
};

constexpr Projection Project(const Formula& f) {
  double qq = 0.0;
  double qp = 0.0;
  for (int k = 0; k < 3; ++k) {
    qq += f.q[k] * f.q[k];
    qp += f.q[k] * f.p[k];
  }
  Projection r{qq, {}, 0.0};
  for (int k = 0; k < 3; ++k) {
    r.pp[k] = f.p[k] - f.q[k] * qp / qq;
    r.ppNorm += r.pp[k] * r.pp[k];
  }
  return r;
}

struct Fit {
  Complex v;               // characteristic voltage
  double deviation = 0.0;  // largest phase distance from the fitted formula
};

// The turn u (|u| = 1) and W = u V that minimise |s - u p - W q|: for a given
// u the best W is the projection on q, and what is left, |P(s - u p)|^2 with P
// projecting q out, is |Ps|^2 + |Pp|^2 - 2 Re(conj(u) c), c = Pp.s, smallest
// for u along c. The phases differ from the formula by T r (T the
// sequence-to-phase matrix, T*T = 3), so their squares sum to 3 |r|^2, and a
// fit whose least |r|^2 exceeds kTextbookTolerance^2 cannot bring every phase
// within the tolerance: only the others are finished. Returns false for those.
bool FitFormula(const Formula& f, const Projection& pr, const std::array<Complex, 3>& s, Fit& fit) {
  Complex qs = 0.0;
  Complex c = 0.0;
  double ss = 0.0;
  for (int k = 0; k < 3; ++k) {
    qs += f.q[k] * s[k];
    c += pr.pp[k] * s[k];
    ss += std::norm(s[k]);
  }
  // No hypot: a norm beyond the doubles makes `least` NaN, which fails no fit here.
  const double size = std::sqrt(std::norm(c));
  const double least = ss - std::norm(qs) / pr.qq + pr.ppNorm - 2.0 * size;
  // Loose by the rounding of that difference of sums of order 1.
  if (least > kTextbookTolerance * kTextbookTolerance + 1e-9) {
    return false;
  }
  const Complex u = size > 0.0 ? c / size : Complex(1.0);
  Complex w = 0.0;
  for (int k = 0; k < 3; ++k) {
    w += f.q[k] * (s[k] - u * f.p[k]);
  }
  w /= pr.qq;
  Complex r[3];
  for (int k = 0; k < 3; ++k) {
    r[k] = s[k] - u * f.p[k] - w * f.q[k];
  }
  const Complex op = Operator();
  const Complex op2 = std::conj(op);
  fit.deviation =
      std::max({Modulus(r[0] + r[1] + r[2]), Modulus(r[0] + Product(op2, r[1]) + Product(op, r[2])),
                Modulus(r[0] + Product(op, r[1]) + Product(op2, r[2]))});
  fit.v = Product(w, std::conj(u));
  return true;
}

// v turned back by m 60 degrees, m = 0..5: no turn and a half turn exactly,
// the others as one product with the sixth root of unity.
Complex TurnedBackBySixths(Complex v, int m) {
  const double h = std::sqrt(3.0) / 2.0;
  const Complex back[6] = {{1.0, 0.0}, {0.5, -h}, {-0.5, -h}, {-1.0, 0.0}, {-0.5, h}, {0.5, h}};
  if (m == 0) {
    return v;
  }
  return m == 3 ? -v : Product(v, back[m]);
}

// The ideal angle nearest `angleDeg` (arg(V2/V1) in degrees), a tie going to
// the earlier one; `deviation` is the angle's distance from it.
const Ideal& NearestIdeal(double angleDeg, double& deviation) {
  const Ideal* nearest = &kIdeals[0];
  deviation = 360.0;
  for (const Ideal& ideal : kIdeals) {
    const double d = std::remainder(angleDeg - ideal.angleDeg, 360.0);
    if (std::fabs(d) < std::fabs(deviation)) {
      deviation = d;
      nearest = &ideal;
    }
  }
  return *nearest;
}

SagClass ClassifyComponents(const Components& c, double prefaultAngle) {
  const Complex& va = c.va;
  const Complex& vb = c.vb;
  const Complex& vc = c.vc;
  const Complex& v0 = c.v0;
  const Complex& v1 = c.v1;
  const Complex& v2 = c.v2;
  constexpr double r = kRotation;

  SagClass s;
  const double m1 = Modulus(v1);
  const double m2 = Modulus(v2);
  s.zeroSequence = Modulus(v0);
  const double arg1 = m1 > 0.0 ? Argument(v1) : 0.0;
  // V = V1 - u, F = V1 + u with u = V2 turned back by the type's ideal angle,
  // the multiple of 60 degrees nearest arg(V2/V1); a residue of V2 must not
  // split V and F, or a readout would show 0.499 and 0.5.
  Complex characteristic = v1;
  Complex pn = v1;
  double deviation = 0.0;
  const Ideal* nearest = nullptr;
  if (m2 > kVanishedTolerance) {
    nearest = &NearestIdeal((Argument(v2) - arg1) * kDegrees, deviation);
    const int m = (static_cast<int>(nearest->angleDeg) / 60 + 6) % 6;
    const Complex u = TurnedBackBySixths(v2, m);
    characteristic = v1 - u;
    pn = v1 + u;
  }
  s.characteristicVoltage = Modulus(characteristic);
  s.pnFactor = Modulus(pn);
  // A V of rounding residues (a bolted phase-to-phase fault) has no direction.
  if (s.characteristicVoltage > kVanishedTolerance) {
    s.phaseAngleJumpDeg =
        std::remainder((Argument(characteristic) - prefaultAngle) * kDegrees, 360.0) + 0.0;
  }

  if (Modulus(va - ToComplex(1.0, arg1)) <= kHealthyTolerance &&
      Modulus(vb - ToComplex(1.0, arg1 - r)) <= kHealthyTolerance &&
      Modulus(vc - ToComplex(1.0, arg1 + r)) <= kHealthyTolerance) {
    s.type = SagType::None;
    return s;
  }
  if (nearest == nullptr) {
    s.type = SagType::A;
    return s;
  }
  s.type = nearest->type;
  s.phase = nearest->phase;
  // One phase down with a zero sequence: the D before a DY takes the zero sequence away.
  if (s.type == SagType::D && s.zeroSequence > kVanishedTolerance) {
    s.type = SagType::B;
  }
  s.angleDeviationDeg = deviation;
  return s;
}

}  // namespace

SagClass ClassifySag(const PhaseTriple& v, double prefaultAngle) {
  if (!IsFinite(v.a) || !IsFinite(v.b) || !IsFinite(v.c)) {
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    return {SagType::Invalid, 0, nan, nan, nan, nan, nan};
  }
  return ClassifyComponents(Decompose(v), prefaultAngle);
}

namespace {

TextbookClass TextbookOf(const Components& c, const SagClass& sag) {
  TextbookClass t;
  if (sag.type == SagType::None) {
    return t;
  }
  const Complex op = Operator();
  const Complex op2 = std::conj(op);
  // The set turned back from symmetric phase a, b or c: V0 and V2 of a set of
  // phase b are a^2 and a times those of phase a, of phase c a and a^2 times.
  const std::array<Complex, 3> relabelled[3] = {
      {c.v0, c.v1, c.v2}, {op * c.v0, c.v1, op2 * c.v2}, {op2 * c.v0, c.v1, op * c.v2}};
  t.type = TextbookType::Unmatched;
  t.maxDeviation = std::numeric_limits<double>::infinity();
  static constexpr std::array<Projection, 7> kProjections = [] {
    std::array<Projection, 7> p{};
    for (std::size_t i = 0; i < p.size(); ++i) {
      p[i] = Project(kFormulas[i]);
    }
    return p;
  }();
  for (std::size_t i = 0; i < kFormulas.size(); ++i) {
    const Formula& f = kFormulas[i];
    // A has no symmetric phase.
    const int phases = f.type == TextbookType::A ? 1 : 3;
    for (int p = 0; p < phases; ++p) {
      Fit fit;
      if (FitFormula(f, kProjections[i], relabelled[p], fit) &&
          fit.deviation <= kTextbookTolerance && fit.deviation < t.maxDeviation) {
        t.type = f.type;
        t.phase = f.type == TextbookType::A ? 0 : "abc"[p];
        t.characteristic = ToPhasor(fit.v);
        t.maxDeviation = fit.deviation;
      }
    }
  }
  if (t.type == TextbookType::Unmatched) {
    t.maxDeviation = 0.0;
  }
  return t;
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr TextbookClass kInvalidTextbook = {TextbookType::Invalid, 0, {kNaN, kNaN}, kNaN};

}  // namespace

TextbookClass ClassifyTextbook(const PhaseTriple& v) {
  if (!IsFinite(v.a) || !IsFinite(v.b) || !IsFinite(v.c)) {
    return kInvalidTextbook;
  }
  const Components c = Decompose(v);
  return TextbookOf(c, ClassifyComponents(c, 0.0));
}

SagClasses ClassifyBoth(const PhaseTriple& v, double prefaultAngle) {
  if (!IsFinite(v.a) || !IsFinite(v.b) || !IsFinite(v.c)) {
    return {ClassifySag(v), kInvalidTextbook};
  }
  const Components c = Decompose(v);
  const SagClass sag = ClassifyComponents(c, prefaultAngle);
  return {sag, TextbookOf(c, sag)};
}

double RoundClassNumber(double value) {
  // + 0.0 so that a small negative value is written "0", not "-0".
  return std::round(value * 1000.0) / 1000.0 + 0.0;
}

double RoundJumpDegrees(double degrees) {
  return std::round(degrees * 10.0) / 10.0 + 0.0;
}

std::string_view TextbookName(const TextbookClass& sag) {
  static constexpr std::string_view kNames[6][3] = {{"B_a", "B_b", "B_c"}, {"C_a", "C_b", "C_c"},
                                                    {"D_a", "D_b", "D_c"}, {"E_a", "E_b", "E_c"},
                                                    {"F_a", "F_b", "F_c"}, {"G_a", "G_b", "G_c"}};
  static constexpr std::string_view kBare[6] = {"B", "C", "D", "E", "F", "G"};
  const int phase = sag.phase == 'a' ? 0 : sag.phase == 'b' ? 1 : sag.phase == 'c' ? 2 : 3;
  switch (sag.type) {
    case TextbookType::None:
      return "none";
    case TextbookType::A:
      return "A";
    case TextbookType::Unmatched:
      return "-";
    case TextbookType::Invalid:
      return "invalid";
    default: {
      const int letter = static_cast<int>(sag.type) - static_cast<int>(TextbookType::B);
      return phase < 3 ? kNames[letter][phase] : kBare[letter];
    }
  }
}

std::string_view SagName(const SagClass& sag) {
  static constexpr std::string_view kSubscripted[3][4] = {
      {"B_a", "B_b", "B_c", "B"}, {"C_a", "C_b", "C_c", "C"}, {"D_a", "D_b", "D_c", "D"}};
  const int phase = sag.phase == 'a' ? 0 : sag.phase == 'b' ? 1 : sag.phase == 'c' ? 2 : 3;
  switch (sag.type) {
    case SagType::None:
      return "none";
    case SagType::A:
      return "A";
    case SagType::B:
      return kSubscripted[0][phase];
    case SagType::C:
      return kSubscripted[1][phase];
    case SagType::D:
      return kSubscripted[2][phase];
    case SagType::Invalid:
      break;
  }
  return "invalid";
}

}  // namespace dipview

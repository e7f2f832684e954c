#include "compute/sag.h"

#include <array>
#include <cmath>
#include <complex>
#include <limits>

namespace dipview {

namespace {

using Complex = std::complex<double>;

constexpr double kDegrees = 180.0 / kPi;

// Through the core's conversion, so a negative magnitude means what it means there.
Complex ToComplex(double magnitude, double angle) {
  const Rectangular r = PolarToRect(magnitude, angle);
  return {r.re, r.im};
}

Phasor ToPhasor(Complex z) {
  const double magnitude = std::abs(z);
  // atan2 of signed zeros gives 0 or +-pi; a vanished voltage has no direction.
  return {magnitude, magnitude == 0.0 ? 0.0 : std::arg(z)};
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

SagClass ClassifySag(const PhaseTriple& v) {
  if (!IsFinite(v.a) || !IsFinite(v.b) || !IsFinite(v.c)) {
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    return {SagType::Invalid, 0, nan, nan, nan, nan};
  }
  constexpr double r = kRotation;
  const Complex va = ToComplex(v.a.magnitude, v.a.angle);
  const Complex vb = ToComplex(v.b.magnitude, v.b.angle);
  const Complex vc = ToComplex(v.c.magnitude, v.c.angle);
  // The operator a as a turn of the angle: no product of large parts can overflow.
  const Complex aVb = ToComplex(v.b.magnitude, v.b.angle + r);
  const Complex a2Vb = ToComplex(v.b.magnitude, v.b.angle - r);
  const Complex aVc = ToComplex(v.c.magnitude, v.c.angle + r);
  const Complex a2Vc = ToComplex(v.c.magnitude, v.c.angle - r);
  // Thirds before the sums, so that no finite input overflows them.
  const Complex v0 = va / 3.0 + vb / 3.0 + vc / 3.0;
  const Complex v1 = va / 3.0 + aVb / 3.0 + a2Vc / 3.0;
  const Complex v2 = va / 3.0 + a2Vb / 3.0 + aVc / 3.0;

  SagClass s;
  const double m1 = std::abs(v1);
  const double m2 = std::abs(v2);
  s.zeroSequence = std::abs(v0);
  s.characteristicVoltage = m1 - m2;
  s.pnFactor = m1 + m2;
  const double arg1 = m1 > 0.0 ? std::arg(v1) : 0.0;

  if (std::abs(va - ToComplex(1.0, arg1)) <= kHealthyTolerance &&
      std::abs(vb - ToComplex(1.0, arg1 - r)) <= kHealthyTolerance &&
      std::abs(vc - ToComplex(1.0, arg1 + r)) <= kHealthyTolerance) {
    s.type = SagType::None;
    return s;
  }
  if (m2 <= kVanishedTolerance) {
    // A residue of V2 must not split V and F: a cut readout would show 0.499 and 0.5.
    s.type = SagType::A;
    s.characteristicVoltage = m1;
    s.pnFactor = m1;
    return s;
  }
  const double angle = (std::arg(v2) - arg1) * kDegrees;
  double best = 360.0;
  for (const Ideal& ideal : kIdeals) {
    const double deviation = std::remainder(angle - ideal.angleDeg, 360.0);
    if (std::fabs(deviation) < std::fabs(best)) {
      best = deviation;
      s.type = ideal.type;
      s.phase = ideal.phase;
    }
  }
  // One phase down with a zero sequence: the D before a DY takes the zero sequence away.
  if (s.type == SagType::D && s.zeroSequence > kVanishedTolerance) {
    s.type = SagType::B;
  }
  s.angleDeviationDeg = best;
  return s;
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

#include "compute/fault.h"

#include <cmath>

#include "compute/complex_ops.h"

namespace dipview {

namespace {

/// Share of each sequence impedance between the source and Substation HV.
double SourceShare(std::int16_t proximity) {
  return 1.0 - proximity / 100.0;
}

/// V0, V1, V2 in rectangular form turned into polar form, V2's angle held in
/// single precision as the fault models store it.
SequenceTriple ToSequence(Rectangular v0, Rectangular v1, Rectangular v2) {
  SequenceTriple s;
  s.zero = RectToPolar(v0);
  s.positive = RectToPolar(v1);
  s.negative = RectToPolar(v2);
  s.negative.angle = HoldSingle(s.negative.angle);
  return s;
}

PhaseTriple ToPhases(const SequenceTriple& s) {
  PhaseTriple p = SequenceToPhase(s);
  p.c.angle = HoldSingle(p.c.angle);
  return p;
}

/// ZF' in rectangular form for the two faults that use pi_s and put the
/// 0.001-degree offset on the ZF angle; its imaginary part is single precision.
Rectangular FaultImpedanceSingle(const FaultInputs& in) {
  const double thetaF = ((in.zfAngleDeg + 0.001) - in.z12AngleDeg) * kPiSingle / 180.0;
  Rectangular zf = PolarToRect(in.zfRatio, thetaF);
  zf.im = HoldSingle(zf.im);
  return zf;
}

// Far above the rounding residues of the double-precision model (below 1e-15)
// and far below the readouts' step of 0.001.
constexpr double kVanished = 1e-12;

// An impedance ratio and its angle difference to Z12 in degrees, in double precision.
Complex Impedance(double ratio, double angleDeg, double z12AngleDeg) {
  const double theta = (angleDeg - z12AngleDeg) * kPi / 180.0;
  double s, c;
  maths::SinCos(theta, s, c);
  return {ratio * c, ratio * s};
}

// Polar form in double precision: the angle from atan2, in [-pi, pi]. A
// voltage the fault takes to zero comes out as a rounding residue near 1e-17
// in some arbitrary direction; it is written as zero, at angle 0.
Phasor Polar(Complex v) {
  const double magnitude = Modulus(v);
  return magnitude <= kVanished ? Phasor{0.0, 0.0} : Phasor{magnitude, Argument(v)};
}

// The phasor turned by `turn` radians, its angle brought into [-pi, pi]; an
// exact zero has no direction to turn.
Phasor Turned(const Phasor& p, double turn) {
  return p.magnitude == 0.0 ? p : Phasor{p.magnitude, std::remainder(p.angle + turn, 2.0 * kPi)};
}

}  // namespace

PhaseTriple FaultSinglePhase(const FaultInputs& in) {
  const double a = SourceShare(in.proximity);
  const double thetaF = (in.zfAngleDeg - in.z12AngleDeg) * kPi / 180.0;
  Rectangular zf = PolarToRect(in.zfRatio, thetaF);
  zf.im = HoldSingle(zf.im);
  const double theta0 = ((in.z0AngleDeg + 0.001) - in.z12AngleDeg) * kPi / 180.0;
  const Rectangular z0 = PolarToRect(in.z0Ratio, theta0);
  const double theta0Single = HoldSingle(theta0);

  const Phasor total = RectToPolar((2.0 + z0.re) + 3.0 * zf.re, z0.im + HoldSingle(3.0 * zf.im));
  const double currentMagnitude = 1.0 / total.magnitude;
  const double currentAngle = HoldSingle(-total.angle);

  const Rectangular minusV0 =
      PolarToRect((a * in.z0Ratio) * currentMagnitude, HoldSingle(theta0Single + currentAngle));
  Rectangular aI = PolarToRect(a * currentMagnitude, currentAngle);
  aI.im = HoldSingle(aI.im);

  return ToPhases(ToSequence({-minusV0.re, -minusV0.im}, {1.0 - aI.re, HoldSingle(-aI.im)},
                             {-aI.re, HoldSingle(-aI.im)}));
}

PhaseTriple FaultPhaseToPhase(const FaultInputs& in) {
  const double a = SourceShare(in.proximity);
  const Rectangular zf = FaultImpedanceSingle(in);
  const Phasor total = RectToPolar(2.0 + zf.re, zf.im);
  const double currentAngle = HoldSingle(-total.angle);
  // The magnitude is a divided by |Z|, not a times 1/|Z|: the last bits differ.
  Rectangular aI1 = PolarToRect(a / total.magnitude, currentAngle);
  aI1.im = HoldSingle(aI1.im);
  return ToPhases(ToSequence({0.0, 0.0}, {1.0 - aI1.re, HoldSingle(-aI1.im)}, aI1));
}

PhaseTriple FaultThreePhase(const FaultInputs& in) {
  const double a = SourceShare(in.proximity);
  const Rectangular zf = FaultImpedanceSingle(in);
  const Phasor total = RectToPolar(1.0 + zf.re, zf.im);
  Rectangular i1 = PolarToRect(1.0 / total.magnitude, HoldSingle(-total.angle));
  i1.im = HoldSingle(i1.im);
  const Phasor va = RectToPolar(1.0 - a * i1.re, HoldSingle(-a * i1.im));
  PhaseTriple p;
  p.a = va;
  p.b = {va.magnitude, va.angle - kRotationSingle};
  p.c = {va.magnitude, HoldSingle(va.angle + kRotationSingle)};
  return p;
}

PhaseTriple FaultTwoPhaseToGround(const FaultInputs& in) {
  const double a = SourceShare(in.proximity);
  const Complex z0 = Impedance(in.z0Ratio, in.z0AngleDeg, in.z12AngleDeg);
  const Complex zg = z0 + 3.0 * Impedance(in.zfRatio, in.zfAngleDeg, in.z12AngleDeg);
  const Complex i1 = Quotient(1.0, 1.0 + Quotient(zg, 1.0 + zg));
  const Complex i2 = Quotient(Product(-i1, zg), 1.0 + zg);
  const Complex i0 = Quotient(-i1, 1.0 + zg);
  const Complex v1 = 1.0 - a * i1;
  const Complex v2 = -a * i2;
  const Complex v0 = Product(-a * z0, i0);
  const Complex op(-0.5, std::sqrt(3.0) / 2.0);  // the operator a
  const Complex op2 = std::conj(op);
  return {Polar(v0 + v1 + v2), Polar(v0 + Product(op2, v1) + Product(op, v2)),
          Polar(v0 + Product(op, v1) + Product(op2, v2))};
}

PhaseTriple RunFaultModel(const FaultInputs& in) {
  PhaseTriple v;
  switch (in.faultType) {
    case FaultType::SinglePhase:
      v = FaultSinglePhase(in);
      break;
    case FaultType::PhaseToPhase:
      v = in.toGround ? FaultTwoPhaseToGround(in) : FaultPhaseToPhase(in);
      break;
    case FaultType::ThreePhase:
      return FaultThreePhase(in);
  }
  switch (in.faultedPhase) {
    case Phase::A:
      break;
    case Phase::B:
      v = {Turned(v.c, -kRotation), Turned(v.a, -kRotation), Turned(v.b, -kRotation)};
      break;
    case Phase::C:
      v = {Turned(v.b, kRotation), Turned(v.c, kRotation), Turned(v.a, kRotation)};
      break;
  }
  return v;
}

}  // namespace dipview

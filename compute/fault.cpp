#include "compute/fault.h"

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

PhaseTriple RunFaultModel(const FaultInputs& in) {
  switch (in.faultType) {
    case FaultType::SinglePhase:
      return FaultSinglePhase(in);
    case FaultType::PhaseToPhase:
      return FaultPhaseToPhase(in);
    case FaultType::ThreePhase:
      return FaultThreePhase(in);
  }
  return {};
}

}  // namespace dipview

#include "compute/sequence.h"

namespace dipview {

SequenceTriple PhaseToSequence(const PhaseTriple& v) {
  constexpr double r = kRotation;
  const Rectangular va = PolarToRect(v.a);
  const Rectangular vb = PolarToRect(v.b);
  Rectangular vc = PolarToRect(v.c);
  vc.im = HoldSingle(vc.im);
  const Rectangular aVb = PolarToRect(v.b.magnitude, v.b.angle + r);
  const Rectangular aVc = PolarToRect(v.c.magnitude, v.c.angle + r);
  Rectangular a2Vb = PolarToRect(v.b.magnitude, v.b.angle - r);
  a2Vb.im = HoldSingle(a2Vb.im);
  Rectangular a2Vc = PolarToRect(v.c.magnitude, HoldSingle(v.c.angle - r));
  a2Vc.im = HoldSingle(a2Vc.im);

  // Sums left to right, then a true division by 3: the residues of a vanished
  // component depend on both.
  const Rectangular v0{(va.re + vb.re + vc.re) / 3.0, (va.im + vb.im + vc.im) / 3.0};
  const Rectangular v1{(va.re + aVb.re + a2Vc.re) / 3.0, (va.im + aVb.im + a2Vc.im) / 3.0};
  const Rectangular v2{(va.re + a2Vb.re + aVc.re) / 3.0,
                       HoldSingle((va.im + a2Vb.im + aVc.im) / 3.0)};
  SequenceTriple s;
  s.zero = RectToPolar(v0);
  s.positive = RectToPolar(v1);
  s.negative = RectToPolar(v2);
  return s;
}

PhaseTriple SequenceToPhase(const SequenceTriple& s) {
  constexpr double r = kRotationSingle;
  const Rectangular v0 = PolarToRect(s.zero);
  const Rectangular v1 = PolarToRect(s.positive);
  Rectangular v2 = PolarToRect(s.negative);
  v2.im = HoldSingle(v2.im);
  const Rectangular aV1 = PolarToRect(s.positive.magnitude, s.positive.angle + r);
  const Rectangular aV2 = PolarToRect(s.negative.magnitude, s.negative.angle + r);
  const Rectangular a2V1 = PolarToRect(s.positive.magnitude, s.positive.angle - r);
  Rectangular a2V2 = PolarToRect(s.negative.magnitude, HoldSingle(s.negative.angle - r));
  a2V2.re = HoldSingle(a2V2.re);
  a2V2.im = HoldSingle(a2V2.im);

  const Rectangular va{v0.re + v1.re + v2.re, v0.im + v1.im + v2.im};
  const Rectangular vb{v0.re + a2V1.re + aV2.re, v0.im + a2V1.im + aV2.im};
  const Rectangular vc{v0.re + aV1.re + a2V2.re, HoldSingle(v0.im + aV1.im + a2V2.im)};
  PhaseTriple p;
  p.a = RectToPolar(va);
  p.b = RectToPolar(vb);
  p.c = RectToPolar(vc);
  return p;
}

}  // namespace dipview

#include "compute/transformer.h"

namespace dipview {

SequenceTriple SequenceVoltages(const PhaseTriple& busVoltages) {
  SequenceTriple s = PhaseToSequence(busVoltages);
  s.negative.angle = HoldSingle(s.negative.angle);
  return s;
}

TransformerConnection FeedingConnection(Bus bus, const FaultInputs& in) {
  switch (bus) {
    case Bus::SubstationHV:
      return TransformerConnection::YY;
    case Bus::SubstationMV:
      return in.hvMvConnection;
    case Bus::CustomerLevel1:
      return in.mvC1Connection;
    case Bus::CustomerLevel2:
      return in.c1C2Connection;
  }
  return TransformerConnection::YY;
}

PhaseTriple ApplyTransformer(Bus bus, const FaultInputs& in, const PhaseTriple& busVoltages) {
  const TransformerConnection connection = FeedingConnection(bus, in);
  if (connection == TransformerConnection::YY) {
    return busVoltages;
  }
  SequenceTriple s = SequenceVoltages(busVoltages);
  s.zero = {0.0, 0.0};
  if (connection == TransformerConnection::DY) {
    s.positive.angle = s.positive.angle - kPi / 6.0;
    s.negative.angle = HoldSingle(s.negative.angle + kPi / 6.0);
  }
  PhaseTriple out = SequenceToPhase(s);
  out.c.angle = HoldSingle(out.c.angle);
  return out;
}

double PrefaultAngle(Bus bus, const FaultInputs& in) {
  double angle = 0.0;
  for (int n = 2; n <= static_cast<int>(bus); ++n) {
    if (FeedingConnection(static_cast<Bus>(n), in) == TransformerConnection::DY) {
      angle = angle - kPi / 6.0;
    }
  }
  return angle;
}

PassVoltages ComputeVoltages(const FaultInputs& in) {
  return VoltagesFrom(RunFaultModel(in), in);
}

PassVoltages VoltagesFrom(const PhaseTriple& substationHV, const FaultInputs& in) {
  PassVoltages result;
  PhaseTriple v = substationHV;
  result.sequenceAtHV = SequenceVoltages(v);
  for (int n = 1; n <= 4; ++n) {
    const Bus bus = static_cast<Bus>(n);
    v = ApplyTransformer(bus, in, v);
    result.busVoltages[n - 1] = v;
  }
  return result;
}

}  // namespace dipview

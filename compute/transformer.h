#pragma once

#include <array>

#include "compute/fault.h"

namespace dipview {

/// The sequence voltages of a bus's phase voltages, computed afresh with
/// PhaseToSequence; V2's angle held in single precision.
SequenceTriple SequenceVoltages(const PhaseTriple& busVoltages);

/// The connection of the transformer that feeds `bus`; bus 1 has none, so the
/// result for it is YY (voltages passed on unchanged).
TransformerConnection FeedingConnection(Bus bus, const FaultInputs& in);

/// The voltages of `bus` from those of the bus above. A DY drops V0, turns V1
/// by -pi/6 and V2 by +pi/6 (pi in double precision) and rebuilds the phases
/// with Vc's angle held in single precision; a DD does the same without the
/// turns; YY and bus 1 leave them unchanged.
PhaseTriple ApplyTransformer(Bus bus, const FaultInputs& in, const PhaseTriple& busVoltages);

/// The pre-fault positive-sequence angle of `bus` in radians: 0 at Substation
/// HV, turned by -pi/6 at each DY from there down to the bus.
double PrefaultAngle(Bus bus, const FaultInputs& in);

/// The computing half of one recalculation pass.
struct PassVoltages {
  std::array<PhaseTriple, 4> busVoltages;  ///< index 0 = Substation HV ... 3 = Customer Level 2
  SequenceTriple sequenceAtHV;             ///< V0, V1, V2 at Substation HV
  friend bool operator==(const PassVoltages&, const PassVoltages&) = default;
};

/// The voltages of every bus from those at Substation HV: their sequence
/// voltages, then HV_MV, MV_C1 and C1_C2 in turn.
PassVoltages VoltagesFrom(const PhaseTriple& substationHV, const FaultInputs& in);

/// Fault model at Substation HV, then VoltagesFrom.
PassVoltages ComputeVoltages(const FaultInputs& in);

}  // namespace dipview

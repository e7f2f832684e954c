#pragma once

#include <cstdint>

#include "compute/sequence.h"

namespace dipview {

enum class FaultType { SinglePhase, PhaseToPhase, ThreePhase };

/// Connection of one transformer; DY blocks the zero sequence and turns the
/// positive sequence by -30 degrees and the negative sequence by +30 degrees.
enum class TransformerConnection { DY, YY };

/// The four buses, top to bottom. Bus n (n >= 2) is fed through one transformer.
enum class Bus : int { SubstationHV = 1, SubstationMV = 2, CustomerLevel1 = 3, CustomerLevel2 = 4 };

/// The settings of one recalculation pass.
struct FaultInputs {
  FaultType faultType = FaultType::SinglePhase;
  double zfRatio = 0.0;  ///< ZF/Z12 magnitude ratio, 0.0 to 3.0
  float z0Ratio = 2.5f;  ///< Z0/Z12 magnitude ratio, 0.5 to 3.0, single precision
  double z12AngleDeg = 90.0;
  double zfAngleDeg = 90.0;
  double z0AngleDeg = 90.0;
  std::int16_t proximity = 50;  ///< percent of the way from Substation HV to the fault
  TransformerConnection hvMvConnection = TransformerConnection::DY;
  TransformerConnection mvC1Connection = TransformerConnection::DY;
  TransformerConnection c1C2Connection = TransformerConnection::DY;
  friend bool operator==(const FaultInputs&, const FaultInputs&) = default;
};

/// Phase A to ground: the three sequence networks in series with 3*ZF.
/// Reads zfRatio, z0Ratio, the three angles and the proximity. The result's
/// phase-C angle is held in single precision.
PhaseTriple FaultSinglePhase(const FaultInputs& in);

/// Phase B to phase C: positive and negative networks in parallel through ZF.
/// Reads zfRatio, the Z12 and ZF angles and the proximity.
PhaseTriple FaultPhaseToPhase(const FaultInputs& in);

/// Balanced three-phase fault through ZF. Reads zfRatio, the Z12 and ZF angles
/// and the proximity. Vb and Vc are Va turned by -/+ 2*pi_s/3, never wrapped.
PhaseTriple FaultThreePhase(const FaultInputs& in);

/// Runs the fault model that in.faultType selects.
PhaseTriple RunFaultModel(const FaultInputs& in);

}  // namespace dipview

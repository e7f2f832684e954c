#pragma once

#include <cstdint>

#include "compute/sequence.h"

namespace dipview {

/// The window's three fault options; with FaultInputs::toGround a fault
/// between two phases also goes to ground.
enum class FaultType { SinglePhase, PhaseToPhase, ThreePhase };

/// Connection of one transformer. DY blocks the zero sequence and turns the
/// positive sequence by -30 degrees and the negative sequence by +30 degrees;
/// YY passes everything; DD (a Dd, or a Yy grounded on one side only) blocks
/// the zero sequence and turns nothing.
enum class TransformerConnection { DY, YY, DD };

/// The phase a fault treats apart from the other two: the phase a
/// single-phase fault takes to ground, or the phase a fault between two
/// phases leaves out (A: B and C faulted, B: C and A, C: A and B).
enum class Phase { A, B, C };

/// The four buses, top to bottom. Bus n (n >= 2) is fed through one transformer.
enum class Bus : int { SubstationHV = 1, SubstationMV = 2, CustomerLevel1 = 3, CustomerLevel2 = 4 };

/// The settings of one recalculation pass.
struct FaultInputs {
  FaultType faultType = FaultType::SinglePhase;
  /// With PhaseToPhase: the two phases are joined and go to ground through ZF
  /// (two-phase-to-ground). The other faults ignore it.
  bool toGround = false;
  /// The faulted phase or phases; the three-phase fault ignores it.
  Phase faultedPhase = Phase::A;
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

/// Phases B and C joined and to ground through ZF, in double precision with
/// no single-precision step and no angle offset. With Z1 = Z2 = 1 (Z12),
/// Z0' = (Z0/Z12)∠(Z0 - Z12 angle), ZF' = (ZF/Z12)∠(ZF - Z12 angle), the
/// positive network in series with the negative network in parallel with
/// the zero network and 3 ZF:
///   Zg = Z0' + 3 ZF',  I1 = 1 / (1 + Zg / (1 + Zg)),
///   I2 = -I1 Zg / (1 + Zg),  I0 = -I1 / (1 + Zg),
///   V1 = 1 - a I1,  V2 = -a I2,  V0 = -a Z0' I0,  a = 1 - proximity/100,
///   Va = V0 + V1 + V2, Vb = V0 + a^2 V1 + a V2, Vc = V0 + a V1 + a^2 V2
/// with the operator a = -1/2 + j sqrt(3)/2, and the phases' polar form from
/// the correctly rounded hypot and atan2 (angles in [-pi, pi]); a phase below 1e-12 pu, the
/// rounding residue of a vanished voltage, is 0 at angle 0. A bolted fault (ZF = 0) at proximity 0
/// with Z0 = Z12 gives V0 = V1 = V2 = 1/3: Va = 1, Vb = Vc = 0.
PhaseTriple FaultTwoPhaseToGround(const FaultInputs& in);

/// Runs the fault model that in.faultType and in.toGround select, on phase A
/// or phases B and C, then relabels the phases for in.faultedPhase: a fault
/// on B gives (a^2 Vc, a^2 Va, a^2 Vb) and one on C (a Vb, a Vc, a Va) of the
/// fault on A, so the magnitudes move exactly from phase to phase and the
/// healthy set stays 1∠0, 1∠-120, 1∠120 degrees. The turned angles are
/// brought into [-pi, pi]. Phase A, and the three-phase fault, are left as
/// the model gives them. A phase of exactly zero keeps angle 0.
PhaseTriple RunFaultModel(const FaultInputs& in);

}  // namespace dipview

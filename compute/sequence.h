#pragma once

#include "compute/phasor.h"

namespace dipview {

/// Phase voltages Va, Vb, Vc (phase sequence a-b-c). Wherever the program
/// keeps one between steps, the angle of Vc is held in single precision.
struct PhaseTriple {
  Phasor a;
  Phasor b;
  Phasor c;
  friend bool operator==(const PhaseTriple&, const PhaseTriple&) = default;
};

/// Sequence voltages V0, V1, V2. Wherever the program keeps one between
/// steps, the angle of V2 is held in single precision.
struct SequenceTriple {
  Phasor zero;
  Phasor positive;
  Phasor negative;
  friend bool operator==(const SequenceTriple&, const SequenceTriple&) = default;
};

/// V0 = (Va + Vb + Vc)/3, V1 = (Va + a Vb + a^2 Vc)/3, V2 = (Va + a^2 Vb + a Vc)/3,
/// with the operator a as a rotation by 2*pi/3 in double precision and the
/// single-precision intermediates of the original arithmetic. The angles come
/// from RectToPolar and are not held in single precision here.
SequenceTriple PhaseToSequence(const PhaseTriple& phases);

/// Va = V0 + V1 + V2, Vb = V0 + a^2 V1 + a V2, Vc = V0 + a V1 + a^2 V2, with
/// the rotation 2*pi_s/3 held in single precision (2.094395160675049). The
/// result's angles are not held in single precision here.
PhaseTriple SequenceToPhase(const SequenceTriple& sequence);

/// The rotation of SequenceToPhase: 2*pi_s/3 rounded to single precision.
inline constexpr double kRotationSingle = HoldSingle(2.0 * kPiSingle / 3.0);

/// The rotation of PhaseToSequence: 2*pi/3 in double precision.
inline constexpr double kRotation = 2.0 * kPi / 3.0;

}  // namespace dipview

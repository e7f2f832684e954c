#pragma once

#include <string_view>

#include "compute/sequence.h"

namespace dipview {

/// The line-to-line voltages of a set, per unit of the line-to-neutral
/// prefault voltage: a healthy set gives sqrt(3) at +30, -90 and +150 degrees.
struct LineToLine {
  Phasor ab;  ///< Va - Vb
  Phasor bc;  ///< Vb - Vc
  Phasor ca;  ///< Vc - Va
  friend bool operator==(const LineToLine&, const LineToLine&) = default;
};

/// Vab = Va - Vb, Vbc = Vb - Vc, Vca = Vc - Va in double precision. Angles are
/// radians in [-pi, pi] from atan2; a difference of exactly zero has angle 0.
/// Non-finite inputs give non-finite results.
LineToLine LineToLineVoltages(const PhaseTriple& phases);

/// Sag types of the ABC classification (Bollen). The types E, F and G of
/// faults between two phases and ground are not told apart; each shows as the
/// C or D of its shape with the zero sequence removed (E and G as C, F as D).
/// Invalid marks a set with a non-finite magnitude or angle.
enum class SagType { None, A, B, C, D, Invalid };

/// The class of one set of phase voltages; see ClassifySag.
struct SagClass {
  SagType type = SagType::None;
  char phase = 0;                      ///< 'a', 'b' or 'c' for B, C and D; 0 otherwise
  double characteristicVoltage = 0.0;  ///< |V|, per unit
  double pnFactor = 0.0;               ///< |F|, per unit
  double phaseAngleJumpDeg = 0.0;      ///< arg V minus the pre-fault angle, degrees in [-180, 180]
  double angleDeviationDeg = 0.0;      ///< arg(V2/V1) minus the type's ideal angle, degrees
  double zeroSequence = 0.0;           ///< |V0|, per unit
  friend bool operator==(const SagClass&, const SagClass&) = default;
};

/// A phase closer than this (per unit) to the healthy set counts as healthy:
/// the resolution of the magnitude readouts.
inline constexpr double kHealthyTolerance = 0.001;

/// A sequence voltage of at most this magnitude (per unit) counts as absent.
/// The round-off of the single-precision steps leaves less than 4e-7; a real
/// fault within the settings' ranges gives at least 4e-4 (|V0|) and 7e-4 (|V2|).
inline constexpr double kVanishedTolerance = 1e-5;

/// Classifies a set by its symmetrical components (Zhang and Bollen):
///   V0 = (Va + Vb + Vc)/3, V1 = (Va + a Vb + a^2 Vc)/3, V2 = (Va + a^2 Vb + a Vc)/3.
/// The characteristic voltage V and the PN factor F are complex: with m the
/// multiple of 60 degrees nearest arg(V2/V1) and u = V2 turned by -m 60
/// degrees, V = V1 - u and F = V1 + u (V = V1 - V2 for a C_a, V1 + V2 for a
/// D_a); V0 takes no part. With |V2| <= kVanishedTolerance, V = F = V1.
/// The class gives |V|, |F| and the phase-angle jump arg V - prefaultAngle
/// (radians in, degrees out; the bus's pre-fault positive-sequence angle,
/// -30 degrees for each DY above it); 0 when |V| <= kVanishedTolerance.
/// The first rule that holds gives the type:
///   None: every phase lies within kHealthyTolerance of 1, a^2, a turned by arg V1
///         (a DY turns a set as a whole, so a healthy bus below one is None);
///   A:    |V2| <= kVanishedTolerance; V = F = |V1|;
///   C, D: the nearest to arg(V2/V1) of the ideal angles (degrees)
///           0 C_a, 120 C_b, -120 C_c, 180 D_a, -60 D_b, 60 D_c
///         gives type and phase; a tie goes to the earlier one in this list.
///         A D with |V0| > kVanishedTolerance is a B: one phase down with a
///         zero sequence. With V0 removed, the phase stays whole in a C and
///         drops deepest in a B or D. Each DY adds 60 degrees to arg(V2/V1),
///         so a chain of them gives B_a, C_c, D_b, C_a, D_c, C_b, D_a.
/// angleDeviationDeg is arg(V2/V1) minus the ideal angle, in [-30, 30]; 0 for
/// None and A. Every finite input gets a type (magnitudes near the largest
/// double may overflow F); a non-finite one gets Invalid, phase 0 and NaN in
/// every number.
SagClass ClassifySag(const PhaseTriple& phases, double prefaultAngle = 0.0);

/// Short name of a class: "none", "A", "invalid", or the letter with the
/// phase as subscript, "B_a", "C_c", "D_b". A B, C or D without a phase of
/// 'a', 'b' or 'c' gives the bare letter.
std::string_view SagName(const SagClass& sag);

/// The characteristic voltage V or PN factor F as written: rounded to the
/// nearest 0.001, not cut like the readouts. Both come out of sums of
/// single-precision steps, so a true 1 may be 0.99999987, which a cut would
/// show as 0.999.
double RoundClassNumber(double value);

/// The phase-angle jump as written: rounded to the nearest 0.1 degree.
double RoundJumpDegrees(double degrees);

/// The seven sag types of the textbook table (Bollen, Understanding Power
/// Quality Problems, ch. 4). None is the healthy set, Unmatched a set that is
/// none of the seven, Invalid one with a non-finite magnitude or angle.
enum class TextbookType { None, A, B, C, D, E, F, G, Unmatched, Invalid };

/// The textbook type of one set of phase voltages; see ClassifyTextbook.
struct TextbookClass {
  TextbookType type = TextbookType::None;
  char phase = 0;           ///< symmetric phase 'a', 'b' or 'c' for B to G; 0 otherwise
  Phasor characteristic;    ///< the complex characteristic voltage V of the fit, per unit
  double maxDeviation = 0;  ///< the largest distance of a phase from the fit, per unit
  friend bool operator==(const TextbookClass&, const TextbookClass&) = default;
};

/// A phase within this distance (per unit) of a type's formula fits it.
inline constexpr double kTextbookTolerance = 0.001;

/// Classifies a set by the defining formulas of the textbook types, written
/// for symmetric phase a with the pre-event voltage 1∠0 (a = -1/2 + j sqrt(3)/2
/// here is the operator, V the complex characteristic voltage):
///   A: Va = V,         Vb = a^2 V,                    Vc = a V
///   B: Va = V,         Vb = a^2,                      Vc = a
///   C: Va = 1,         Vb = -1/2 - j sqrt(3)/2 V,     Vc = -1/2 + j sqrt(3)/2 V
///   D: Va = V,         Vb = -V/2 - j sqrt(3)/2,       Vc = -V/2 + j sqrt(3)/2
///   E: Va = 1,         Vb = a^2 V,                    Vc = a V
///   F: Va = V,         Vb = -V/2 - j sqrt(3)/6 (2+V), Vc = -V/2 + j sqrt(3)/6 (2+V)
///   G: Va = (2+V)/3,   Vb = -(2+V)/6 - j sqrt(3)/2 V, Vc = -(2+V)/6 + j sqrt(3)/2 V
/// Symmetric phase b or c relabels the phases as a fault on B or C does
/// (RunFaultModel), and the whole set may be turned by any angle (the
/// pre-event voltage 1∠phi, as below a DY). Each formula is affine in V, so
/// the turn and V that fit a set best (least squares over the three phases)
/// have a closed form. The set is of the first type, in the order A to G and
/// phases a, b, c, whose best fit leaves every phase within
/// kTextbookTolerance; a set within kHealthyTolerance of the healthy set
/// (as ClassifySag tells it) is None, since every type with V = 1 is healthy.
TextbookClass ClassifyTextbook(const PhaseTriple& phases);

/// Both classes of one set, as ClassifySag and ClassifyTextbook give them,
/// for the cost of one.
struct SagClasses {
  SagClass sag;
  TextbookClass textbook;
};
SagClasses ClassifyBoth(const PhaseTriple& phases, double prefaultAngle = 0.0);

/// Short name: "none", "A", "-" for Unmatched, "invalid", or the letter with
/// the symmetric phase as subscript, "E_a", "F_c", "G_b".
std::string_view TextbookName(const TextbookClass& sag);

}  // namespace dipview

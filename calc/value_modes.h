#pragma once

#include <array>
#include <string>
#include <string_view>

#include "compute/transformer.h"

namespace dipview::calc {

/// How the voltages, V and F are written: as the window shows them (cut to
/// 0.001 per unit and 0.1 degree; V and F rounded to 0.001), rounded to the
/// nearest 0.001 per unit and 0.1 degree, or in full (the shortest text that
/// reads back to the same double).
enum class ValueMode { Shown, Rounded, Full };

/// "shown", "rounded" or "full".
ValueMode ParseValueMode(std::string_view text);
inline constexpr std::string_view kAllowedValues = "shown, rounded or full";

/// Decimals `rounded` keeps: of a magnitude (per unit) and of an angle
/// (degrees).
inline constexpr int kRoundedMagnitudeDecimals = 3;
inline constexpr int kRoundedAngleDecimals = 1;

/// A magnitude (per unit) or an angle (radians, written in degrees) as
/// `mode` writes it.
double MagnitudeValue(double magnitude, ValueMode mode);
double AngleValue(double angleRadians, ValueMode mode);

/// Longest text WriteFullNumberText writes.
inline constexpr int kFullTextMax = 32;

/// Writes the shortest text that reads back to `value` (std::to_chars), with
/// "0" for either zero and NaN, Inf, -Inf as WriteNumberText writes them, and
/// returns the end.
char* WriteFullNumberText(double value, char* out);

/// The text of a value `mode` gave: WriteFullNumberText's in full,
/// WriteNumberText's otherwise.
std::string ValueText(double value, ValueMode mode);

/// Number of readouts of one state: six for each of the four buses, then six
/// for the sequence voltages at Substation HV.
inline constexpr int kReadoutCount = 30;

/// The readout values of one pass as `mode` writes them: for each bus from
/// Substation HV to Customer Level 2 |Va|, angle Va, |Vb|, angle Vb, |Vc|,
/// angle Vc (angles in degrees), then |V0|, angle V0, |V1|, angle V1, |V2|,
/// angle V2 at Substation HV. With ValueMode::Shown they are cut as the
/// window's readouts cut them, and WriteNumberText turns each into the text
/// the readout shows.
std::array<double, kReadoutCount> ReadoutValues(const PassVoltages& pass, ValueMode mode);

/// The same values written to `out`, room for kReadoutCount.
void PutReadoutValues(const PassVoltages& pass, ValueMode mode, double* out);

/// What --classify writes for one bus: the sag type, |V| and |F| as `mode`
/// writes them (RoundClassNumber, compute/sag.h, or in full), the
/// phase-angle jump of V in degrees (to the nearest 0.1, or in full), and the
/// textbook type.
struct BusClassValues {
  std::string_view type;
  double v = 0.0;
  double f = 0.0;
  double jump = 0.0;
  std::string_view textbook;
};

/// --classify's values of each bus from Substation HV to Customer Level 2.
std::array<BusClassValues, 4> ClassifyValues(const FaultInputs& in, const PassVoltages& pass,
                                             ValueMode mode);

/// The line-to-line voltages of each bus as `mode` writes them: for each bus
/// from Substation HV to Customer Level 2 |Vab|, angle Vab, |Vbc|, angle Vbc,
/// |Vca|, angle Vca (angles in degrees).
std::array<double, 24> LineToLineValues(const PassVoltages& pass, ValueMode mode);

}  // namespace dipview::calc

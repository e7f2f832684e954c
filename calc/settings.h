#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "compute/fault.h"
#include "output/quote.h"

namespace dipview::calc {

/// A value that cannot be used. The message names the bad value and what is
/// allowed, but not where the value came from; the caller adds that.
class ValueError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// Whether two texts are equal when ASCII letters are compared without case.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

/// Parses a finite decimal number with std::from_chars: an optional sign, no
/// surrounding blanks, nothing after the number. `allowed` completes the
/// message of the ValueError thrown for an empty value, a text that is not a
/// number, characters after the number, NaN or infinity.
double ParseFiniteNumber(std::string_view text, std::string_view allowed);

/// Impedance angle in degrees, 0 to 90, decimals allowed. Negative zero
/// becomes zero.
double ParseAngle(std::string_view text);
/// Z0/Z12 magnitude ratio, 0.5 to 3.0, held in single precision.
float ParseZ0Ratio(std::string_view text);
/// ZF/Z12 magnitude ratio, 0.0 to 3.0.
double ParseZfRatio(std::string_view text);
/// Distance of the fault from Substation HV in percent, a whole number 0 to 100.
std::int16_t ParseProximity(std::string_view text);
/// "single", "phase-phase", "two-phase-ground" or "three", in any case: sets
/// the fault type and whether it goes to ground.
void ParseFault(std::string_view text, FaultInputs& in);
/// "DY", "YY" or "DD", in any case.
TransformerConnection ParseConnection(std::string_view text);
/// The faulted phases of the fault already in `in`, in any case: "a", "b" or
/// "c" for a single-phase fault, "bc", "ca" or "ab" for a fault between two
/// phases, "abc" for the three-phase fault.
void ParsePhases(std::string_view text, FaultInputs& in);
/// Three connections, HV-MV, MV-C1 and C1-C2, separated by commas with blanks
/// allowed around each: "DY,YY,DY" or "dy, YY, DD".
void ParseConnections(std::string_view text, FaultInputs& in);

/// What each setting allows, as the error messages and the usage text say it.
inline constexpr std::string_view kAllowedAngle = "a number of degrees from 0 to 90";
inline constexpr std::string_view kAllowedZ0Ratio = "a number from 0.5 to 3.0";
inline constexpr std::string_view kAllowedZfRatio = "a number from 0.0 to 3.0";
inline constexpr std::string_view kAllowedProximity = "a whole number from 0 to 100";
inline constexpr std::string_view kAllowedFault = "single, phase-phase, two-phase-ground or three";
inline constexpr std::string_view kAllowedConnection = "DY, YY or DD";
inline constexpr std::string_view kAllowedPhases =
    "a, b or c for a single-phase fault; bc, ca or ab for phase-phase and two-phase-ground; "
    "abc for three";

/// The names the calculator uses for faults, faulted phases and connections.
std::string_view FaultName(const FaultInputs& in);
std::string_view PhasesName(const FaultInputs& in);
std::string_view ConnectionName(TransformerConnection connection);

/// One of the ten settings as a CSV column: its name, whether its value is a
/// number or a name (fault type, connection), how its text is read into
/// FaultInputs (throws ValueError) and how its value is written back as the
/// shortest text that reads back to the same value.
struct SettingColumn {
  std::string_view name;
  bool isNumber;
  void (*parse)(std::string_view text, FaultInputs& in);
  char* (*write)(const FaultInputs& in, char* out);
};

/// Longest text a SettingColumn::write produces.
inline constexpr int kSettingTextMax = 32;

/// fault, z12_angle, z0_angle, zf_angle, z0_ratio, zf_ratio, proximity,
/// hv_mv, mv_c1, c1_c2: the order of the settings in every output.
extern const std::array<SettingColumn, 10> kSettingColumns;

/// The faulted phases: written right after fault when --phases is given or a
/// batch header names it, so that every other output stays as it was. Its
/// parse reads the fault already in the state.
extern const SettingColumn kPhasesColumn;

/// The column called `name` (one of kSettingColumns or kPhasesColumn), in any
/// case, or nullptr.
const SettingColumn* FindSettingColumn(std::string_view name);

}  // namespace dipview::calc

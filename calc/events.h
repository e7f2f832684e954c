#pragma once

#include <array>
#include <string>
#include <string_view>

#include "calc/writers.h"
#include "compute/readout.h"
#include "compute/sag_in_time.h"
#include "output/io.h"

namespace dipview::calc {

struct CalcOptions;

/// The columns --events adds for each bus, in their order: residual voltage
/// (per unit), duration (seconds), the phase-angle jumps of A, B and C
/// (degrees) and the ITIC and SEMI F47 verdicts.
struct EventColumn {
  std::string_view suffix;
  bool isText = false;
};
inline constexpr std::array<EventColumn, 7> kEventColumns = {{{"_residual", false},
                                                              {"_duration", false},
                                                              {"_jump_a", false},
                                                              {"_jump_b", false},
                                                              {"_jump_c", false},
                                                              {"_itic", true},
                                                              {"_f47", true}}};
inline constexpr int kEventsPerBus = static_cast<int>(kEventColumns.size());

/// What a residual, duration and verdict say of a bus without a dip.
inline constexpr std::string_view kNoDip = "none";

/// The texts of the --events cells of all four buses, hv to c2, each bus's in
/// the order of kEventColumns.
struct EventTexts {
  std::array<std::array<char, kNumberTextMax>, 4 * kEventsPerBus> room;
  std::array<std::string_view, 4 * kEventsPerBus> cells;
};

/// Computes the events of `pass` (the voltages of `in` in the fault) and
/// writes their texts: the residual as `mode` writes a magnitude; the
/// duration rounded to 0.0001 s, or in full; the jumps cut down or rounded to
/// 0.1 degree, or in full; "inside" or "outside"; kNoDip for the residual,
/// duration and verdicts of a bus without a dip. Numbers not in full go
/// through `texts`.
void WriteEventTexts(const FaultInputs& in, const PassVoltages& pass, const TimeSettings& time,
                     ValueMode mode, ReadoutTextCache& texts, EventTexts& out);

/// Readers of the options of the sag in time; each throws ValueError.
double ParseDuration(std::string_view text);
double ParseInception(std::string_view text);
int ParseFrequency(std::string_view text);
int ParseSamplesPerCycle(std::string_view text);
inline constexpr std::string_view kAllowedDuration = "a number of seconds from 0.001 to 10";
inline constexpr std::string_view kAllowedInception = "a number of degrees from -360 to 360";
inline constexpr std::string_view kAllowedFrequency = "50 or 60";
inline constexpr std::string_view kAllowedSamplesPerCycle = "an even whole number from 4 to 1024";

/// What goes to standard output in place of rows: the samples (--waveform)
/// or Urms(1/2) (--rms) of the one state, as CSV.
enum class SignalOutput { None, Waveform, Rms };

/// Throws UsageError where the options of the sag in time do not fit the
/// rest of the command line.
void CheckSagInTimeOptions(const CalcOptions& options);

/// Whether the command line asks for samples, Urms(1/2) or COMTRADE files
/// instead of rows.
bool WantsSignals(const CalcOptions& options);

/// Writes what WantsSignals asks for: CSV with the column t (seconds) and
/// hv_a ... c2_c (per unit), each number the shortest text that reads back
/// to it, to `out`; BASE.cfg and BASE.dat through WriteOutputFile.
void WriteSignals(const CalcOptions& options, output::OutputBuffer& out,
                  output::ByteSink& standardOutput);

/// "t,hv_a,hv_b,hv_c,mv_a,...,c2_c"
std::string SignalHeader();

}  // namespace dipview::calc

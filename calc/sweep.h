#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "calc/writers.h"
#include "compute/fault.h"
#include "output/plot_data.h"

namespace dipview::calc {

/// Most states a sweep may compute, over all its settings together.
inline constexpr std::size_t kMaxSweepPoints = 1'000'000;

/// One setting a sweep runs over, with the values it takes.
struct SweepAxis {
  /// The setting's CSV column name, "z12_angle".
  std::string_view column;
  /// The setting and its unit, as a plot's axis names it.
  std::string_view label;
  /// Stores a value of `points` into the state, as the setting's option would.
  void (*set)(FaultInputs& in, double value) = nullptr;
  /// FROM + i * STEP for i = 0, 1, ... up to TO, each a valid value of the
  /// setting. Each point is rounded to the decimals the three numbers were
  /// written with (up to 12), so 0:1:0.1 gives 0.3 and not
  /// 0.30000000000000004; TO itself is the last point when a whole number of
  /// steps reaches it.
  std::vector<double> points;
};

/// Reads "NAME=FROM:TO:STEP". NAME is a setting with a numeric value, in its
/// option's spelling (z12-angle, z0-angle, zf-angle, z0-ratio, zf-ratio,
/// proximity) or its column's (z12_angle, ...). Throws ValueError for a bad
/// text or name, a FROM or TO that the setting does not allow, a STEP of zero
/// or pointing away from TO, a STEP larger than TO - FROM, a point the
/// setting does not allow (proximity 0.5) or more than kMaxSweepPoints points;
/// when the text read as NAME=FROM:STEP:TO is a good sweep, the message says
/// so. NAME may be in any case.
SweepAxis ParseSweep(std::string_view text);

/// What each part of a sweep allows, as the usage text and messages say it.
inline constexpr std::string_view kAllowedSweep =
    "NAME=FROM:TO:STEP with NAME one of z12-angle, z0-angle, zf-angle, z0-ratio, zf-ratio, "
    "proximity";

/// Hands one state for each point of `axes` (one or two; the first is the
/// outer loop) to writer.Add, the other settings taken from `base`. Calls
/// writer.Begin() first; writer.End() writes the last rows. Returns the
/// number of rows.
std::size_t RunSweep(std::span<const SweepAxis> axes, const FaultInputs& base, RowWriter& writer);

/// Whether `path` ends in `extension` (lower case, with its dot) in any case,
/// after at least one other character.
bool HasExtension(std::string_view path, std::string_view extension);

/// The format a plot file's name asks for by its extension, .png or .svg in
/// any case. Throws ValueError for any other name.
output::PlotFormat PlotFormatOf(std::string_view path);

/// The settings of `in` as a plot's caption names them: "Single-Phase-to-Ground
/// (Phase A) fault; Z12 angle 80°, ...; transformers HV-MV DY, MV-C1 DY, C1-C2 DY".
std::string SettingsCaption(const FaultInputs& in);

/// Computes the states of one axis and gathers them into a plot.
output::SweepPlot CollectPlot(const SweepAxis& axis, const FaultInputs& base);

}  // namespace dipview::calc

#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "calc/value_modes.h"

namespace dipview::calc {

/// The four buses as the names of output columns begin.
inline constexpr std::array<const char*, 4> kBusKeys = {"hv", "mv", "c1", "c2"};

/// Columns some options add after the standard ones, in this order.
struct ExtraColumns {
  /// --phases, or a batch header naming phases: the column phases, right
  /// after fault.
  bool phases = false;
  /// --classify: {bus}_type, {bus}_v, {bus}_f, {bus}_jump, {bus}_textbook for hv,
  /// mv, c1, c2.
  bool classify = false;
  /// --line-to-line: {bus}_ab_mag, {bus}_ab_ang, {bus}_bc_mag, {bus}_bc_ang,
  /// {bus}_ca_mag, {bus}_ca_ang for hv, mv, c1, c2.
  bool lineToLine = false;
  /// --events: {bus}_residual, {bus}_duration, {bus}_jump_a, {bus}_jump_b,
  /// {bus}_jump_c, {bus}_itic, {bus}_f47 for hv, mv, c1, c2 (calc/events.h).
  bool events = false;
};

/// The columns --classify adds for each bus, in their order: a suffix to the
/// bus's key and whether the value is a name. A column added here needs its
/// value in RowWriter's cells.
struct ClassifyColumn {
  const char* suffix;
  bool isText;
};
inline constexpr ClassifyColumn kClassifyColumns[] = {
    {"_type", true}, {"_v", false}, {"_f", false}, {"_jump", false}, {"_textbook", true}};
inline constexpr int kClassifyPerBus = static_cast<int>(std::size(kClassifyColumns));

/// The groups of output columns. Each computes the values of all its
/// columns for a state at once; a row computes only the groups it writes.
enum class ColumnGroup { Settings, Readouts, Classify, LineToLine, Events };

/// The index that stands for the column phases among the settings' columns.
inline constexpr int kPhasesIndex = -1;

/// One output column: its name, the group that computes it and its place
/// among the group's values.
struct OutputColumn {
  std::string name;
  ColumnGroup group = ColumnGroup::Settings;
  int index = 0;
  /// A name (fault type, connection, sag type) rather than a number: left
  /// aligned in tables and quoted in JSON.
  bool isText = false;
  friend bool operator==(const OutputColumn&, const OutputColumn&) = default;
};

/// Every column the calculator can write, in the order of a full row: the
/// standard ones, then those of --classify, --line-to-line and --events.
const std::vector<OutputColumn>& AllOutputColumns();

/// The names of the standard columns: the ten settings, then hv_a_mag ...
/// c2_c_ang and v0_mag ... v2_ang, in the order of ReadoutValues.
const std::array<std::string, 10 + kReadoutCount>& OutputColumnNames();

/// The columns written without --columns: the standard ones and those
/// `extras` adds.
std::vector<OutputColumn> DefaultColumns(const ExtraColumns& extras);

/// The names of the columns `extras` adds, in their order.
std::vector<std::string> ExtraColumnNames(const ExtraColumns& extras);

/// Reads --columns: names of AllOutputColumns separated by commas, blanks
/// around them allowed, each at most once. Throws ValueError naming the bad
/// name and listing the valid ones.
std::vector<OutputColumn> ParseColumns(std::string_view text);

}  // namespace dipview::calc

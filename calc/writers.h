#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "calc/io.h"
#include "compute/transformer.h"

namespace dipview::calc {

enum class OutputFormat { Table, Csv, Json };

/// "table", "csv" or "json".
OutputFormat ParseOutputFormat(std::string_view text);
inline constexpr std::string_view kAllowedFormat = "table, csv or json";

/// The four buses, top to bottom, as the window names them.
inline constexpr std::array<std::string_view, 4> kBusNames = {
    "Substation HV", "Substation MV and Along Feeder", "Customer Level 1", "Customer Level 2"};

/// The fault as the table's heading names it: "Single Phase (Phase A)",
/// "Two-Phase-to-Ground (Phases B and C)".
std::string FaultCaption(const FaultInputs& in);

/// Number of readouts of one state: six for each of the four buses, then six
/// for the sequence voltages at Substation HV.
inline constexpr int kReadoutCount = 30;

/// The readout values of one pass, cut as the window's readouts cut them:
/// for each bus from Substation HV to Customer Level 2 |Va|, angle Va, |Vb|,
/// angle Vb, |Vc|, angle Vc (angles in degrees), then |V0|, angle V0, |V1|,
/// angle V1, |V2|, angle V2 at Substation HV. WriteNumberText turns each into
/// the text the readout shows.
std::array<double, kReadoutCount> CutReadouts(const PassVoltages& pass);

/// The names of all output columns: the ten settings, then hv_a_mag ...
/// c2_c_ang and v0_mag ... v2_ang, in the order of CutReadouts.
const std::array<std::string, 10 + kReadoutCount>& OutputColumnNames();

/// Columns some options add: phases right after fault, the others after the
/// standard ones in this order.
struct ExtraColumns {
  /// --phases, or a batch header naming phases: the column phases.
  bool phases = false;
  /// --classify: {bus}_type, {bus}_v, {bus}_f, {bus}_textbook for hv, mv, c1, c2.
  bool classify = false;
  /// --line-to-line: {bus}_ab_mag, {bus}_ab_ang, {bus}_bc_mag, {bus}_bc_ang,
  /// {bus}_ca_mag, {bus}_ca_ang for hv, mv, c1, c2.
  bool lineToLine = false;
};

/// The names of the columns `extras` adds, in their order.
std::vector<std::string> ExtraColumnNames(const ExtraColumns& extras);

/// The line-to-line voltages of each bus, cut as the readouts cut them: for
/// each bus from Substation HV to Customer Level 2 |Vab|, angle Vab, |Vbc|,
/// angle Vbc, |Vca|, angle Vca (angles in degrees).
std::array<double, 24> CutLineToLine(const PassVoltages& pass);

/// Writes readout texts through a memory of the texts WriteNumberText gave
/// for earlier values. The readouts take only a few thousand different values
/// (steps of 0.001 per unit and of 0.1 degree), and looking a text up is many
/// times quicker than converting the number again. Every text is
/// WriteNumberText's own, so the output is the same with or without it.
class ReadoutTextCache {
 public:
  ReadoutTextCache() : entries_(kEntries) {}

  /// Writes the text of `value` as WriteNumberText(value, out) would.
  char* Write(double value, char* out);

 private:
  static constexpr int kEntryBits = 13;
  static constexpr std::size_t kEntries = std::size_t{1} << kEntryBits;
  struct Entry {
    std::uint64_t bits = 0;
    std::uint8_t size = 0;  ///< 0 while empty: no text is empty
    char text[23];
  };
  std::vector<Entry> entries_;
};

/// Writes computed states in one format: CSV rows after a header line, one
/// compact JSON object per line, or a readable table per state.
class RowWriter {
 public:
  RowWriter(OutputFormat format, OutputBuffer& out, ExtraColumns extras = {})
      : format_(format), out_(out), extras_(extras), extraNames_(ExtraColumnNames(extras)) {}

  /// Adds the column phases; before Begin.
  void AddPhasesColumn() { extras_.phases = true; }
  /// Starts the output: the CSV header line; nothing for the other formats.
  void Begin();
  /// Writes one state and the voltages computed from it.
  void Row(const FaultInputs& in, const PassVoltages& pass);

 private:
  void CsvRow(const FaultInputs& in, const PassVoltages& pass);
  void JsonRow(const FaultInputs& in, const PassVoltages& pass);
  void TableBlock(const FaultInputs& in, const PassVoltages& pass);
  struct ExtraCell;
  /// Fills `cells` (room for every extra column) with the extra columns'
  /// values and returns how many.
  int ExtraCells(const PassVoltages& pass, ExtraCell* cells) const;

  OutputFormat format_;
  OutputBuffer& out_;
  ExtraColumns extras_;
  std::vector<std::string> extraNames_;
  ReadoutTextCache texts_;
  bool firstTable_ = true;
};

}  // namespace dipview::calc

#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "calc/io.h"
#include "compute/sag_in_time.h"
#include "compute/transformer.h"
#include "design/constants.h"

namespace dipview::calc {

/// table: one readable block for a single state, aligned rows otherwise;
/// csv; json (one object per line); markdown and latex: aligned table rows.
enum class OutputFormat { Table, Csv, Json, Markdown, Latex };

/// "table", "csv", "json", "markdown" or "latex".
OutputFormat ParseOutputFormat(std::string_view text);
inline constexpr std::string_view kAllowedFormat = "table, csv, json, markdown or latex";

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

/// The four buses, as the window names them.
using design::kBusNames;

/// A name as LaTeX text shows it: underscores escaped.
std::string LatexText(std::string_view text);
/// The four buses as the names of output columns begin.
inline constexpr std::array<const char*, 4> kBusKeys = {"hv", "mv", "c1", "c2"};

/// The fault as the table's heading names it: "Single Phase (Phase A)",
/// "Two-Phase-to-Ground (Phases B and C)".
std::string FaultCaption(const FaultInputs& in);

/// One line of the settings that head a state's block: its label ("Fault")
/// and text ("Single Phase (Phase A)").
struct SettingLine {
  std::string_view label;
  std::string text;
};

/// The fault, angles, ratios, proximity and transformers of `in`, a line each.
std::array<SettingLine, 5> SettingLines(const FaultInputs& in);

/// The headings of the first column of a block's sections: the phases of
/// each bus, the sequence voltages at Substation HV, the line-to-line
/// voltages of each bus.
inline constexpr std::string_view kBusHeading = "Bus";
inline constexpr std::string_view kSequenceHeading = "Sequence voltages";
inline constexpr std::string_view kLineToLineHeading = "Line-to-line voltages";

/// Number of readouts of one state: six for each of the four buses, then six
/// for the sequence voltages at Substation HV.
inline constexpr int kReadoutCount = 30;

/// The readout values of one pass, cut as the window's readouts cut them:
/// for each bus from Substation HV to Customer Level 2 |Va|, angle Va, |Vb|,
/// angle Vb, |Vc|, angle Vc (angles in degrees), then |V0|, angle V0, |V1|,
/// angle V1, |V2|, angle V2 at Substation HV. WriteNumberText turns each into
/// the text the readout shows.
std::array<double, kReadoutCount> CutReadouts(const PassVoltages& pass);

/// The same values as `mode` writes them.
std::array<double, kReadoutCount> ReadoutValues(const PassVoltages& pass, ValueMode mode);

/// The names of all output columns: the ten settings, then hv_a_mag ...
/// c2_c_ang and v0_mag ... v2_ang, in the order of CutReadouts.
const std::array<std::string, 10 + kReadoutCount>& OutputColumnNames();

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

/// The names of the columns `extras` adds, in their order.
std::vector<std::string> ExtraColumnNames(const ExtraColumns& extras);

/// V or F as `mode` writes it: RoundClassNumber (compute/sag.h), or the
/// value in full.
double ClassNumberValue(double value, ValueMode mode);

/// What --classify writes for one bus: the sag type, |V| and |F| as `mode`
/// writes them, the phase-angle jump of V in degrees (to the nearest 0.1 but
/// in full), and the textbook type.
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

/// Writes readout texts through a memory of the texts WriteNumberText gave
/// for earlier values. The readouts take only a few thousand different values
/// (steps of 0.001 per unit and of 0.1 degree), and looking a text up is many
/// times quicker than converting the number again. Every text is
/// WriteNumberText's own, so the output is the same with or without it.
/// Not for sharing between threads: each writer has its own.
class ReadoutTextCache {
 public:
  ReadoutTextCache() : entries_(kEntries) {}

  /// Writes the text of `value` as WriteNumberText(value, out) would, into
  /// room for kNumberTextMax chars; may change the chars after the text.
  char* Write(double value, char* out);

 private:
  static constexpr int kEntryBits = 13;
  static constexpr std::size_t kEntries = std::size_t{1} << kEntryBits;
  struct Entry {
    std::uint64_t bits = 0;
    std::uint8_t size = 0;  ///< 0 while empty: no text is empty
    char text[23];          ///< fits kNumberTextMax
  };
  std::vector<Entry> entries_;
};

/// The groups of output columns. Each computes the values of all its
/// columns for a state at once; a row computes only the groups it writes.
enum class ColumnGroup { Settings, Readouts, Classify, LineToLine, Events };

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

/// The columns written without --columns: the standard ones and those
/// `extras` adds.
std::vector<OutputColumn> DefaultColumns(const ExtraColumns& extras);

/// Reads --columns: names of AllOutputColumns separated by commas, blanks
/// around them allowed, each at most once. Throws ValueError naming the bad
/// name and listing the valid ones.
std::vector<OutputColumn> ParseColumns(std::string_view text);

/// Everything that decides how rows look; shared by the threads that write
/// them.
struct RowLayout {
  OutputFormat format = OutputFormat::Csv;
  ValueMode values = ValueMode::Shown;
  std::vector<OutputColumn> columns = DefaultColumns({});
  /// Instead of aligned rows of `columns`, one block per state with the
  /// sections `extras` asks for: readable text with OutputFormat::Table, a
  /// sheet (calc/sheet.h) with Markdown and LaTeX.
  bool blocks = false;
  ExtraColumns extras;
  /// A sheet writes each phasor as one cell in polar form (--polar).
  bool polar = false;
  /// How the sag runs in time, for the --events columns.
  TimeSettings time{};
  /// Threads that compute and write rows given to RowWriter::Add; 1 computes
  /// them at once on the calling thread.
  int jobs = 1;
};

/// Writes computed states in one format: CSV rows after a header line, one
/// compact JSON object per line, aligned table, Markdown or LaTeX rows after
/// a header, or a readable block per state.
///
/// Aligned rows stream: each column's width is fixed beforehand from its
/// name and the longest text a voltage, V, F or name takes in the settings'
/// ranges; a longer value, such as a setting with many decimals, widens its
/// own cell only.
class RowWriter {
 public:
  RowWriter(std::shared_ptr<const RowLayout> layout, OutputBuffer& out);
  RowWriter(OutputFormat format, OutputBuffer& out, ExtraColumns extras = {});
  ~RowWriter();
  RowWriter(const RowWriter&) = delete;
  RowWriter& operator=(const RowWriter&) = delete;

  /// Adds the column phases after fault, unless the columns were chosen;
  /// before Begin.
  void AddPhasesColumn();
  /// Starts the output: the header lines, if the format has any.
  void Begin();
  /// Writes one state and the voltages computed from it, now.
  void Row(const FaultInputs& in, const PassVoltages& pass);
  /// Computes the state and writes its row after those of the states added
  /// before. With more than one job the rows are computed in chunks by
  /// worker threads, each with its own text cache, and written in order as
  /// the chunks complete; Flush or End writes the rest.
  void Add(const FaultInputs& in);
  /// Writes the rows of every state added so far and passes the output on.
  void Flush();
  /// Writes the rows of every state added, then the closing lines, if the
  /// format has any.
  void End();

 private:
  struct Chunk;
  class Workers;
  struct Cells;
  struct Slot;
  struct NumberRun;
  void FillCells(const FaultInputs& in, const PassVoltages& pass, Cells& cells);
  char* WriteCell(const Slot& slot, const FaultInputs& in, const Cells& cells, char* out);
  void CsvRow(const FaultInputs& in, const Cells& cells);
  void JsonRow(const FaultInputs& in, const Cells& cells);
  void AlignedRow(const FaultInputs& in, const Cells& cells);
  void AlignedHeader();
  void TableBlock(const FaultInputs& in, const Cells& cells);
  std::string NumberCell(double value);
  void Configure();

  std::shared_ptr<const RowLayout> layout_;
  OutputBuffer& out_;
  bool full_;
  std::vector<Slot> slots_;
  /// The columns in runs: a number run of one or more slots, or one other.
  std::vector<NumberRun> runs_;
  /// Each column's key in JSON with what goes before it: {"fault": ,"z12_angle":
  std::vector<std::string> jsonKeys_;
  std::vector<int> widths_;
  std::size_t rowRoom_ = 0;
  bool needClassify_ = false;
  bool needLineToLine_ = false;
  bool needEvents_ = false;
  ReadoutTextCache texts_;
  bool firstTable_ = true;
  std::vector<FaultInputs> pending_;
  std::unique_ptr<Workers> workers_;
};

}  // namespace dipview::calc

#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "calc/columns.h"
#include "calc/text_cache.h"
#include "calc/value_modes.h"
#include "compute/sag_in_time.h"
#include "compute/transformer.h"
#include "design/constants.h"
#include "output/io.h"

namespace dipview::calc {

class RowWorkers;

/// table: one readable block for a single state, aligned rows otherwise;
/// csv; json (one object per line); markdown and latex: aligned table rows.
enum class OutputFormat { Table, Csv, Json, Markdown, Latex };

/// "table", "csv", "json", "markdown" or "latex".
OutputFormat ParseOutputFormat(std::string_view text);
inline constexpr std::string_view kAllowedFormat = "table, csv, json, markdown or latex";

/// The four buses, as the window names them.
using design::kBusNames;

/// A name as LaTeX text shows it: underscores escaped.
std::string LatexText(std::string_view text);

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
  RowWriter(std::shared_ptr<const RowLayout> layout, output::OutputBuffer& out);
  RowWriter(OutputFormat format, output::OutputBuffer& out, ExtraColumns extras = {});
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
  void WriteAdded();

  std::shared_ptr<const RowLayout> layout_;
  output::OutputBuffer& out_;
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
  std::unique_ptr<RowWorkers> workers_;
};

}  // namespace dipview::calc

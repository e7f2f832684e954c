#include "calc/writers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <utility>

#include "calc/events.h"
#include "calc/row_workers.h"
#include "calc/settings.h"
#include "calc/sheet.h"
#include "compute/readout.h"
#include "compute/sag.h"

namespace dipview::calc {

namespace {

// States a worker thread computes at a time: enough to keep it busy, few
// enough that rows still stream.
constexpr std::size_t kChunkStates = 2048;

char* Copy(std::string_view text, char* out) {
  std::memcpy(out, text.data(), text.size());
  return out + text.size();
}

std::string SettingText(const FaultInputs& in, std::string_view column) {
  char text[kSettingTextMax];
  return std::string(text, FindSettingColumn(column)->write(in, text));
}

void AppendTableLine(std::string& s, std::string_view label, const std::string* cells, int count,
                     std::size_t cellWidth) {
  constexpr std::size_t kLabelWidth = 31;
  s += label;
  s.append(kLabelWidth > label.size() ? kLabelWidth - label.size() : 1, ' ');
  for (int i = 0; i < count; ++i) {
    const std::size_t size = cells[i].size();
    s.append(cellWidth > size ? cellWidth - size : 1, ' ');
    s += cells[i];
  }
  s += '\n';
}

// The longest text a column's values take within the settings' ranges: sag
// types up to "invalid", magnitudes below 10 per unit, angles from -180 to
// 180 degrees; in full, 17 significant digits with a sign and a two-digit
// exponent.
int LongestValueText(const OutputColumn& column, ValueMode mode) {
  const bool full = mode == ValueMode::Full;
  switch (column.group) {
    case ColumnGroup::Settings: {
      if (!column.isText) {
        return 4;  // "22.5", "0.5", "100"
      }
      if (column.name == "phases") {
        return 3;  // "abc"
      }
      if (column.name != "fault") {
        return 2;  // DY, YY, DD
      }
      std::size_t longest = 0;
      for (const bool toGround : {false, true}) {
        for (FaultType type :
             {FaultType::SinglePhase, FaultType::PhaseToPhase, FaultType::ThreePhase}) {
          longest = std::max(longest, FaultName({.faultType = type, .toGround = toGround}).size());
        }
      }
      return static_cast<int>(longest);
    }
    case ColumnGroup::Readouts:
    case ColumnGroup::LineToLine: {
      const bool angle = column.index % 2 == 1;
      return full ? (angle ? 23 : 22) : (angle ? 6 : 5);
    }
    case ColumnGroup::Classify:
      // The jump is an angle, "-179.9" or in full as wide as the readouts'.
      return column.isText                         ? 7
             : column.index % kClassifyPerBus == 3 ? (full ? 23 : 6)
                                                   : (full ? 22 : 5);
    case ColumnGroup::Events: {
      // "outside"; a residual as a magnitude, "0.0083" s, a jump as an angle.
      const int kind = column.index % kEventsPerBus;
      return column.isText ? 7
             : kind == 0   ? (full ? 22 : 5)
             : kind == 1   ? (full ? 22 : 6)
                           : (full ? 23 : 6);
    }
  }
  return 0;
}

}  // namespace

// Where each group's values start among the numbers of a row.
constexpr int kClassifyFirst = kReadoutCount;
constexpr int kLineToLineFirst = kClassifyFirst + 4 * kClassifyPerBus;

// Where the texts of --events start among the names of a row.
constexpr int kEventsFirst = 4 * kClassifyPerBus;

// The values of one row: every number, --classify's names at the places of
// their columns, then the texts of --events.
struct RowWriter::Cells {
  double numbers[kLineToLineFirst + 24];
  std::string_view names[kEventsFirst + 4 * kEventsPerBus];
  EventTexts events;
};

// Where a column's value is: a setting, a name or a number of the row.
struct RowWriter::Slot {
  const SettingColumn* setting = nullptr;
  int name = -1;
  int number = -1;
};

// Columns next to each other whose values follow each other among the
// numbers of a row, written in one go: the standard readouts are one run.
struct RowWriter::NumberRun {
  std::size_t firstSlot = 0;
  std::size_t slots = 0;
};

std::string FaultCaption(const FaultInputs& in) {
  const int phase = static_cast<int>(in.faultedPhase);
  const std::string_view p = &"ABCABC"[phase >= 0 && phase < 3 ? phase : 0];
  switch (in.faultType) {
    case FaultType::SinglePhase:
      return "Single Phase (Phase " + std::string(p.substr(0, 1)) + ")";
    case FaultType::PhaseToPhase:
      return (in.toGround ? "Two-Phase-to-Ground (Phases " : "Phase-to-Phase (Phase ") +
             std::string(p.substr(1, 1)) + (in.toGround ? " and " : " to ") +
             std::string(p.substr(2, 1)) + ")";
    case FaultType::ThreePhase:
      return "Three Phase";
  }
  return "";
}

std::string LatexText(std::string_view text) {
  std::string s;
  for (char c : text) {
    if (c == '_') {
      s += '\\';
    }
    s += c;
  }
  return s;
}

std::array<SettingLine, 5> SettingLines(const FaultInputs& in) {
  return {{
      {"Fault", FaultCaption(in)},
      {"Angles", "Z12 " + SettingText(in, "z12_angle") + ", Z0 " + SettingText(in, "z0_angle") +
                     ", ZF " + SettingText(in, "zf_angle") + " degrees"},
      {"Ratios",
       "Z0/Z12 " + SettingText(in, "z0_ratio") + ", ZF/Z12 " + SettingText(in, "zf_ratio")},
      {"Proximity", SettingText(in, "proximity")},
      {"Transformers", "HV-MV " + SettingText(in, "hv_mv") + ", MV-C1 " + SettingText(in, "mv_c1") +
                           ", C1-C2 " + SettingText(in, "c1_c2")},
  }};
}

OutputFormat ParseOutputFormat(std::string_view text) {
  constexpr std::pair<std::string_view, OutputFormat> kFormats[] = {
      {"table", OutputFormat::Table},
      {"csv", OutputFormat::Csv},
      {"json", OutputFormat::Json},
      {"markdown", OutputFormat::Markdown},
      {"latex", OutputFormat::Latex}};
  for (const auto& [name, format] : kFormats) {
    if (EqualsIgnoringCase(text, name)) {
      return format;
    }
  }
  throw ValueError("'" + std::string(text) +
                   "' is not an output format; allowed: " + std::string(kAllowedFormat));
}

namespace {

// Room for the text of any one cell, a JSON key and separators.
std::size_t RowRoom(const std::vector<OutputColumn>& columns, const std::vector<int>& widths) {
  std::size_t room = 16;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    room += 2 * columns[i].name.size() + 2 * (kNumberTextMax + kSettingTextMax) +
            static_cast<std::size_t>(widths[i]) + 8;
  }
  return room;
}

}  // namespace

RowWriter::RowWriter(std::shared_ptr<const RowLayout> layout, output::OutputBuffer& out)
    : layout_(std::move(layout)), out_(out), full_(layout_->values == ValueMode::Full) {
  Configure();
}

void RowWriter::AddPhasesColumn() {
  if (layout_->extras.phases) {
    return;
  }
  RowLayout layout = *layout_;
  if (layout.columns == DefaultColumns(layout.extras)) {
    layout.extras.phases = true;
    layout.columns = DefaultColumns(layout.extras);
  }
  layout.extras.phases = true;
  layout_ = std::make_shared<const RowLayout>(std::move(layout));
  Configure();
}

void RowWriter::Configure() {
  slots_.clear();
  runs_.clear();
  jsonKeys_.clear();
  widths_.clear();
  needClassify_ = needLineToLine_ = needEvents_ = false;
  for (const OutputColumn& column : layout_->columns) {
    Slot slot;
    switch (column.group) {
      case ColumnGroup::Settings:
        slot.setting = column.index == kPhasesIndex
                           ? &kPhasesColumn
                           : &kSettingColumns[static_cast<std::size_t>(column.index)];
        break;
      case ColumnGroup::Readouts:
        slot.number = column.index;
        break;
      case ColumnGroup::Classify:
        (column.isText ? slot.name : slot.number) =
            (column.isText ? 0 : kClassifyFirst) + column.index;
        break;
      case ColumnGroup::LineToLine:
        slot.number = kLineToLineFirst + column.index;
        break;
      case ColumnGroup::Events:
        slot.name = kEventsFirst + column.index;
        break;
    }
    const bool continues =
        !slots_.empty() && slots_.back().number >= 0 && slots_.back().number + 1 == slot.number;
    if (continues) {
      ++runs_.back().slots;
    } else {
      runs_.push_back({slots_.size(), 1});
    }
    slots_.push_back(slot);
    needClassify_ |= column.group == ColumnGroup::Classify;
    needLineToLine_ |= column.group == ColumnGroup::LineToLine;
    needEvents_ |= column.group == ColumnGroup::Events;
    const std::size_t name =
        layout_->format == OutputFormat::Latex ? LatexText(column.name).size() : column.name.size();
    widths_.push_back(std::max(static_cast<int>(name), LongestValueText(column, layout_->values)));
  }
  for (const OutputColumn& column : layout_->columns) {
    jsonKeys_.push_back((jsonKeys_.empty() ? "{\"" : ",\"") + column.name + "\":");
  }
  rowRoom_ = RowRoom(layout_->columns, widths_);
  if (layout_->blocks) {
    needClassify_ = layout_->extras.classify;
    needLineToLine_ = layout_->extras.lineToLine;
    needEvents_ = layout_->extras.events;
  }
}

RowWriter::RowWriter(OutputFormat format, output::OutputBuffer& out, ExtraColumns extras)
    : RowWriter(std::make_shared<const RowLayout>(RowLayout{
                    .format = format,
                    .columns = DefaultColumns(extras),
                    .blocks = format == OutputFormat::Table,
                    .extras = extras,
                }),
                out) {}

RowWriter::~RowWriter() = default;

void RowWriter::Begin() {
  const std::vector<OutputColumn>& columns = layout_->columns;
  switch (layout_->format) {
    case OutputFormat::Csv:
      for (std::size_t i = 0; i < columns.size(); ++i) {
        out_.Append(i == 0 ? "" : ",");
        out_.Append(columns[i].name);
      }
      out_.Append('\n');
      break;
    case OutputFormat::Table:
    case OutputFormat::Markdown:
    case OutputFormat::Latex:
      if (!layout_->blocks) {
        AlignedHeader();
      }
      break;
    case OutputFormat::Json:
      break;
  }
}

void RowWriter::FillCells(const FaultInputs& in, const PassVoltages& pass, Cells& cells) {
  const ValueMode mode = layout_->values;
  PutReadoutValues(pass, mode, cells.numbers);
  if (needClassify_) {
    int i = 0;
    for (const BusClassValues& bus : ClassifyValues(in, pass, mode)) {
      cells.names[i] = bus.type;
      cells.numbers[kClassifyFirst + i + 1] = bus.v;
      cells.numbers[kClassifyFirst + i + 2] = bus.f;
      cells.numbers[kClassifyFirst + i + 3] = bus.jump;
      cells.names[i + 4] = bus.textbook;
      i += kClassifyPerBus;
    }
  }
  if (needLineToLine_) {
    const std::array<double, 24> lines = LineToLineValues(pass, mode);
    std::copy(lines.begin(), lines.end(), cells.numbers + kLineToLineFirst);
  }
  if (needEvents_) {
    WriteEventTexts(in, pass, layout_->time, mode, texts_, cells.events);
    std::copy(cells.events.cells.begin(), cells.events.cells.end(), cells.names + kEventsFirst);
  }
}

void RowWriter::Row(const FaultInputs& in, const PassVoltages& pass) {
  if (layout_->blocks &&
      (layout_->format == OutputFormat::Markdown || layout_->format == OutputFormat::Latex)) {
    out_.Append(SheetText(in, pass, *layout_));
    return;
  }
  Cells cells;
  FillCells(in, pass, cells);
  switch (layout_->format) {
    case OutputFormat::Csv:
      CsvRow(in, cells);
      break;
    case OutputFormat::Json:
      JsonRow(in, cells);
      break;
    case OutputFormat::Table:
    case OutputFormat::Markdown:
    case OutputFormat::Latex:
      if (layout_->blocks) {
        TableBlock(in, cells);
      } else {
        AlignedRow(in, cells);
      }
      break;
  }
}

void RowWriter::Add(const FaultInputs& in) {
  if (layout_->jobs <= 1) {
    Row(in, ComputeVoltages(in));
    return;
  }
  pending_.push_back(in);
  if (pending_.size() == kChunkStates) {
    if (!workers_) {
      workers_ = std::make_unique<RowWorkers>(layout_->jobs, [layout = layout_]() -> ChunkWriter {
        // Each thread writes its rows into a string of its own.
        struct ThreadRows {
          explicit ThreadRows(std::shared_ptr<const RowLayout> layout)
              : writer(std::move(layout), buffer) {}
          output::StringSink sink;
          output::OutputBuffer buffer{sink};
          RowWriter writer;
        };
        auto rows = std::make_shared<ThreadRows>(layout);
        return [rows](const std::vector<FaultInputs>& states) {
          for (const FaultInputs& in : states) {
            rows->writer.Row(in, ComputeVoltages(in));
          }
          rows->buffer.Flush();
          return std::exchange(rows->sink.text, {});
        };
      });
    }
    if (!workers_->Started()) {
      Flush();
      return;
    }
    std::vector<FaultInputs> states;
    states.reserve(kChunkStates);
    std::swap(states, pending_);
    workers_->Submit(std::move(states), out_);
  }
}

void RowWriter::WriteAdded() {
  if (workers_) {
    workers_->WriteFinished(out_, 0);
  }
  // A part chunk is quicker here than handed to a worker and waited for.
  for (const FaultInputs& in : pending_) {
    Row(in, ComputeVoltages(in));
  }
  pending_.clear();
}

void RowWriter::Flush() {
  WriteAdded();
  out_.Flush();
}

void RowWriter::End() {
  WriteAdded();
  if (layout_->format == OutputFormat::Latex && !layout_->blocks) {
    out_.Append("\\hline\n\\end{longtable}\n");
  }
}

char* RowWriter::WriteCell(const Slot& slot, const FaultInputs& in, const Cells& cells, char* o) {
  if (slot.setting != nullptr) {
    return slot.setting->write(in, o);
  }
  if (slot.name >= 0) {
    return Copy(cells.names[slot.name], o);
  }
  const double value = cells.numbers[slot.number];
  return full_ ? WriteFullNumberText(value, o) : texts_.Write(value, o);
}

void RowWriter::CsvRow(const FaultInputs& in, const Cells& cells) {
  char* const start = out_.Reserve(rowRoom_);
  char* o = start;
  for (const NumberRun& run : runs_) {
    const Slot& first = slots_[run.firstSlot];
    if (first.number < 0) {
      o = first.setting != nullptr ? first.setting->write(in, o) : WriteCell(first, in, cells, o);
      *o++ = ',';
      continue;
    }
    const double* const values = cells.numbers + first.number;
    if (full_) {
      for (std::size_t i = 0; i < run.slots; ++i) {
        o = WriteFullNumberText(values[i], o);
        *o++ = ',';
      }
    } else {
      for (std::size_t i = 0; i < run.slots; ++i) {
        o = texts_.Write(values[i], o);
        *o++ = ',';
      }
    }
  }
  o[-1] = '\n';
  out_.Commit(o);
}

void RowWriter::JsonRow(const FaultInputs& in, const Cells& cells) {
  char* o = out_.Reserve(rowRoom_);
  for (std::size_t i = 0; i < slots_.size(); ++i) {
    o = Copy(jsonKeys_[i], o);
    const Slot& slot = slots_[i];
    if (slot.number >= 0) {
      const double value = cells.numbers[slot.number];
      // The number texts are plain decimals and so valid JSON numbers; JSON
      // has no text for what is not finite.
      o = !std::isfinite(value) ? Copy("null", o)
          : full_               ? WriteFullNumberText(value, o)
                                : texts_.Write(value, o);
    } else if (layout_->columns[i].isText) {
      *o++ = '"';
      o = WriteCell(slot, in, cells, o);
      *o++ = '"';
    } else if (slot.name >= 0 && cells.names[slot.name] == kNoDip) {
      o = Copy("null", o);
    } else {
      o = WriteCell(slot, in, cells, o);
    }
  }
  *o++ = '}';
  *o++ = '\n';
  out_.Commit(o);
}

namespace {

// Writes `text` padded to `width`: names to the left, numbers to the right.
// The last cell of a plain table row gets no padding after it.
char* PadCell(std::string_view text, int width, bool left, bool last, OutputFormat format,
              char* o) {
  const std::size_t size =
      format == OutputFormat::Latex && left ? LatexText(text).size() : text.size();
  const std::size_t pad =
      static_cast<std::size_t>(width) > size ? static_cast<std::size_t>(width) - size : 0;
  if (!left) {
    o = static_cast<char*>(std::memset(o, ' ', pad)) + pad;
  }
  if (format == OutputFormat::Latex && left) {
    o = Copy(LatexText(text), o);
  } else {
    o = Copy(text, o);
  }
  if (left && !(last && format == OutputFormat::Table)) {
    o = static_cast<char*>(std::memset(o, ' ', pad)) + pad;
  }
  return o;
}

std::string_view CellSeparator(OutputFormat format) {
  return format == OutputFormat::Table ? "  " : format == OutputFormat::Markdown ? " | " : " & ";
}

}  // namespace

void RowWriter::AlignedHeader() {
  const std::vector<OutputColumn>& columns = layout_->columns;
  const OutputFormat format = layout_->format;
  std::string s;
  if (format == OutputFormat::Latex) {
    s += "\\begin{longtable}{";
    for (const OutputColumn& column : columns) {
      s += column.isText ? 'l' : 'r';
    }
    s += "}\n\\hline\n";
  }
  std::string names(rowRoom_, '\0');
  char* o = names.data();
  if (format == OutputFormat::Markdown) {
    o = Copy("| ", o);
  }
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (i > 0) {
      o = Copy(CellSeparator(format), o);
    }
    // LaTeX escapes every name, as it escapes text cells; its headings are
    // left aligned in the source, and the column's alignment places them.
    o = PadCell(columns[i].name, widths_[i], columns[i].isText || format == OutputFormat::Latex,
                i + 1 == columns.size(), format, o);
  }
  names.resize(static_cast<std::size_t>(o - names.data()));
  s += names;
  switch (format) {
    case OutputFormat::Table:
      s += '\n';
      for (std::size_t i = 0; i < columns.size(); ++i) {
        s += i > 0 ? "  " : "";
        s.append(static_cast<std::size_t>(widths_[i]), '-');
      }
      s += '\n';
      break;
    case OutputFormat::Markdown:
      s += " |\n|";
      for (std::size_t i = 0; i < columns.size(); ++i) {
        const std::size_t dashes = static_cast<std::size_t>(widths_[i]) + 1;
        if (columns[i].isText) {
          s += ':';
          s.append(dashes, '-');
        } else {
          s.append(dashes, '-');
          s += ':';
        }
        s += '|';
      }
      s += '\n';
      break;
    default:
      s += " \\\\\n\\hline\n\\endhead\n";
      break;
  }
  out_.Append(s);
}

void RowWriter::AlignedRow(const FaultInputs& in, const Cells& cells) {
  const std::vector<OutputColumn>& columns = layout_->columns;
  const OutputFormat format = layout_->format;
  char* o = out_.Reserve(rowRoom_);
  if (format == OutputFormat::Markdown) {
    o = Copy("| ", o);
  }
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (i > 0) {
      o = Copy(CellSeparator(format), o);
    }
    char text[kNumberTextMax + kSettingTextMax];
    const std::string_view cell(text, WriteCell(slots_[i], in, cells, text) - text);
    o = PadCell(cell, widths_[i], columns[i].isText, i + 1 == columns.size(), format, o);
  }
  o = Copy(format == OutputFormat::Markdown ? " |\n"
           : format == OutputFormat::Latex  ? " \\\\\n"
                                            : "\n",
           o);
  out_.Commit(o);
}

std::string RowWriter::NumberCell(double value) {
  return ValueText(value, layout_->values);
}

void RowWriter::TableBlock(const FaultInputs& in, const Cells& cells) {
  std::string s;
  if (!firstTable_) {
    s += '\n';
  }
  firstTable_ = false;
  constexpr std::size_t kLabelWidth = 15;
  for (const SettingLine& line : SettingLines(in)) {
    s += line.label;
    s += ':';
    s.append(kLabelWidth - line.label.size() - 1, ' ');
    s += line.text;
    s += '\n';
  }
  s += '\n';

  std::array<std::string, kReadoutCount> readouts;
  std::array<std::string, 4 * kClassifyPerBus> classify;
  std::array<std::string, 24> lines;
  // Eight characters a cell, or one more than the longest value in full.
  std::size_t width = 8;
  const auto keep = [&width](std::string text) {
    width = std::max(width, text.size() + 1);
    return text;
  };
  for (std::size_t i = 0; i < readouts.size(); ++i) {
    readouts[i] = keep(NumberCell(cells.numbers[i]));
  }
  if (layout_->extras.classify) {
    for (std::size_t i = 0; i < classify.size(); ++i) {
      classify[i] = keep(kClassifyColumns[i % kClassifyPerBus].isText
                             ? std::string(cells.names[i])
                             : NumberCell(cells.numbers[kClassifyFirst + i]));
    }
  }
  if (layout_->extras.lineToLine) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
      lines[i] = keep(NumberCell(cells.numbers[kLineToLineFirst + i]));
    }
  }

  std::array<std::string, 4 * kEventsPerBus> events;
  if (layout_->extras.events) {
    for (std::size_t i = 0; i < events.size(); ++i) {
      events[i] = keep(std::string(cells.names[kEventsFirst + i]));
    }
  }

  const std::string phaseHeads[6] = {"|Va|", "Va deg", "|Vb|", "Vb deg", "|Vc|", "Vc deg"};
  AppendTableLine(s, kBusHeading, phaseHeads, 6, width);
  for (int bus = 0; bus < 4; ++bus) {
    AppendTableLine(s, kBusNames[bus], &readouts[6 * bus], 6, width);
  }
  const std::string sequenceHeads[6] = {"|V0|", "V0 deg", "|V1|", "V1 deg", "|V2|", "V2 deg"};
  s += '\n';
  AppendTableLine(s, kSequenceHeading, sequenceHeads, 6, width);
  AppendTableLine(s, "Substation HV", &readouts[24], 6, width);

  if (layout_->extras.classify) {
    const std::string heads[kClassifyPerBus] = {"Type", "|V|", "|F|", "Jump", "Textbook"};
    s += '\n';
    AppendTableLine(s, "Sag type", heads, kClassifyPerBus, width);
    for (int bus = 0; bus < 4; ++bus) {
      AppendTableLine(s, kBusNames[bus], &classify[kClassifyPerBus * bus], kClassifyPerBus, width);
    }
  }
  if (layout_->extras.lineToLine) {
    const std::string heads[6] = {"|Vab|", "Vab deg", "|Vbc|", "Vbc deg", "|Vca|", "Vca deg"};
    s += '\n';
    AppendTableLine(s, kLineToLineHeading, heads, 6, width);
    for (int bus = 0; bus < 4; ++bus) {
      AppendTableLine(s, kBusNames[bus], &lines[6 * bus], 6, width);
    }
  }
  if (layout_->extras.events) {
    const std::string heads[kEventsPerBus] = {"Residual", "Duration", "Jump A", "Jump B",
                                              "Jump C",   "ITIC",     "F47"};
    s += '\n';
    AppendTableLine(s, "Dip", heads, kEventsPerBus, width);
    for (int bus = 0; bus < 4; ++bus) {
      AppendTableLine(s, kBusNames[bus], &events[kEventsPerBus * bus], kEventsPerBus, width);
    }
  }
  out_.Append(s);
}

}  // namespace dipview::calc

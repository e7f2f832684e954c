#include "calc/writers.h"

#include <cmath>
#include <cstring>

#include "calc/settings.h"
#include "compute/readout.h"
#include "compute/sag.h"

namespace dipview::calc {

namespace {

// Four classification columns and six line-to-line columns for each bus.
constexpr int kExtraMax = 4 * 4 + 24;

// Room for one CSV or JSON row: every setting (with phases), readout and extra
// column at its longest, with its key, quotes and separator.
constexpr std::size_t kRowMax =
    (11 + kReadoutCount + kExtraMax) * (kNumberTextMax + kSettingTextMax + 8) + 16;

constexpr const char* kBusKeys[4] = {"hv", "mv", "c1", "c2"};

char* Copy(std::string_view text, char* out) {
  std::memcpy(out, text.data(), text.size());
  return out + text.size();
}

std::string SettingText(const FaultInputs& in, std::string_view column) {
  char text[kSettingTextMax];
  return std::string(text, FindSettingColumn(column)->write(in, text));
}

std::string NumberCell(double value) {
  char text[kNumberTextMax];
  return std::string(text, WriteNumberText(value, text));
}

void AppendTableLine(std::string& s, std::string_view label, const std::string* cells,
                     int count = 6) {
  constexpr std::size_t kLabelWidth = 31;
  constexpr std::size_t kCellWidth = 8;
  s += label;
  s.append(kLabelWidth > label.size() ? kLabelWidth - label.size() : 1, ' ');
  for (int i = 0; i < count; ++i) {
    const std::size_t size = cells[i].size();
    s.append(kCellWidth > size ? kCellWidth - size : 1, ' ');
    s += cells[i];
  }
  s += '\n';
}

}  // namespace

// One value of an extra column: a sag type's name, or a number when the name
// is empty.
struct RowWriter::ExtraCell {
  std::string_view name;
  double number = 0.0;
};

char* ReadoutTextCache::Write(double value, char* out) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  Entry& entry = entries_[(bits * 0x9E3779B97F4A7C15u) >> (64 - kEntryBits)];
  if (entry.size != 0 && entry.bits == bits) {
    std::memcpy(out, entry.text, entry.size);
    return out + entry.size;
  }
  char* end = WriteNumberText(value, out);
  const std::size_t size = static_cast<std::size_t>(end - out);
  if (size <= sizeof entry.text) {
    entry.bits = bits;
    entry.size = static_cast<std::uint8_t>(size);
    std::memcpy(entry.text, out, size);
  }
  return end;
}

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

OutputFormat ParseOutputFormat(std::string_view text) {
  if (text == "table") {
    return OutputFormat::Table;
  }
  if (text == "csv") {
    return OutputFormat::Csv;
  }
  if (text == "json") {
    return OutputFormat::Json;
  }
  throw ValueError("'" + std::string(text) +
                   "' is not an output format; allowed: " + std::string(kAllowedFormat));
}

std::array<double, kReadoutCount> CutReadouts(const PassVoltages& pass) {
  std::array<double, kReadoutCount> values;
  double* v = values.data();
  const auto cut = [&v](const Phasor& first, const Phasor& second, const Phasor& third) {
    for (const Phasor* p : {&first, &second, &third}) {
      *v++ = CutMagnitude(p->magnitude);
      *v++ = CutAngleDegrees(p->angle);
    }
  };
  for (const PhaseTriple& bus : pass.busVoltages) {
    cut(bus.a, bus.b, bus.c);
  }
  cut(pass.sequenceAtHV.zero, pass.sequenceAtHV.positive, pass.sequenceAtHV.negative);
  return values;
}

std::vector<std::string> ExtraColumnNames(const ExtraColumns& extras) {
  std::vector<std::string> names;
  if (extras.classify) {
    for (const char* bus : kBusKeys) {
      for (const char* value : {"_type", "_v", "_f", "_textbook"}) {
        names.push_back(bus + std::string(value));
      }
    }
  }
  if (extras.lineToLine) {
    for (const char* bus : kBusKeys) {
      for (const char* pair : {"_ab", "_bc", "_ca"}) {
        names.push_back(bus + std::string(pair) + "_mag");
        names.push_back(bus + std::string(pair) + "_ang");
      }
    }
  }
  return names;
}

std::array<double, 24> CutLineToLine(const PassVoltages& pass) {
  std::array<double, 24> values;
  double* v = values.data();
  for (const PhaseTriple& bus : pass.busVoltages) {
    const LineToLine lines = LineToLineVoltages(bus);
    for (const Phasor* p : {&lines.ab, &lines.bc, &lines.ca}) {
      *v++ = CutMagnitude(p->magnitude);
      *v++ = CutAngleDegrees(p->angle);
    }
  }
  return values;
}

const std::array<std::string, 10 + kReadoutCount>& OutputColumnNames() {
  static const std::array<std::string, 10 + kReadoutCount> names = [] {
    std::array<std::string, 10 + kReadoutCount> n;
    std::size_t i = 0;
    for (const SettingColumn& column : kSettingColumns) {
      n[i++] = std::string(column.name);
    }
    for (const char* bus : {"hv", "mv", "c1", "c2"}) {
      for (const char* phase : {"a", "b", "c"}) {
        n[i++] = std::string(bus) + "_" + phase + "_mag";
        n[i++] = std::string(bus) + "_" + phase + "_ang";
      }
    }
    for (const char* sequence : {"v0", "v1", "v2"}) {
      n[i++] = std::string(sequence) + "_mag";
      n[i++] = std::string(sequence) + "_ang";
    }
    return n;
  }();
  return names;
}

void RowWriter::Begin() {
  if (format_ != OutputFormat::Csv) {
    return;
  }
  const auto& names = OutputColumnNames();
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) {
      out_.Append(',');
    }
    out_.Append(names[i]);
    if (i == 0 && extras_.phases) {
      out_.Append(',');
      out_.Append(kPhasesColumn.name);
    }
  }
  for (const std::string& name : extraNames_) {
    out_.Append(',');
    out_.Append(name);
  }
  out_.Append('\n');
}

void RowWriter::Row(const FaultInputs& in, const PassVoltages& pass) {
  switch (format_) {
    case OutputFormat::Csv:
      CsvRow(in, pass);
      break;
    case OutputFormat::Json:
      JsonRow(in, pass);
      break;
    case OutputFormat::Table:
      TableBlock(in, pass);
      break;
  }
}

void RowWriter::CsvRow(const FaultInputs& in, const PassVoltages& pass) {
  const std::array<double, kReadoutCount> values = CutReadouts(pass);
  char* const start = out_.Reserve(kRowMax);
  char* o = start;
  o = kSettingColumns[0].write(in, o);
  *o++ = ',';
  if (extras_.phases) {
    o = kPhasesColumn.write(in, o);
    *o++ = ',';
  }
  for (std::size_t i = 1; i < kSettingColumns.size(); ++i) {
    o = kSettingColumns[i].write(in, o);
    *o++ = ',';
  }
  for (double value : values) {
    o = texts_.Write(value, o);
    *o++ = ',';
  }
  if (!extraNames_.empty()) {
    ExtraCell cells[kExtraMax];
    const int count = ExtraCells(pass, cells);
    for (int i = 0; i < count; ++i) {
      o = cells[i].name.empty() ? texts_.Write(cells[i].number, o) : Copy(cells[i].name, o);
      *o++ = ',';
    }
  }
  o[-1] = '\n';
  out_.Commit(o);
}

int RowWriter::ExtraCells(const PassVoltages& pass, ExtraCell* cells) const {
  ExtraCell* c = cells;
  if (extras_.classify) {
    for (const PhaseTriple& bus : pass.busVoltages) {
      const SagClasses classes = ClassifyBoth(bus);
      const SagClass& sag = classes.sag;
      *c++ = {SagName(sag)};
      *c++ = {{}, RoundClassNumber(sag.characteristicVoltage)};
      *c++ = {{}, RoundClassNumber(sag.pnFactor)};
      *c++ = {TextbookName(classes.textbook)};
    }
  }
  if (extras_.lineToLine) {
    for (double value : CutLineToLine(pass)) {
      *c++ = {{}, value};
    }
  }
  return static_cast<int>(c - cells);
}

void RowWriter::JsonRow(const FaultInputs& in, const PassVoltages& pass) {
  const auto& names = OutputColumnNames();
  const std::array<double, kReadoutCount> values = CutReadouts(pass);
  char* o = out_.Reserve(kRowMax);
  *o++ = '{';
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) {
      *o++ = ',';
    }
    *o++ = '"';
    o = Copy(names[i], o);
    *o++ = '"';
    *o++ = ':';
    if (i < kSettingColumns.size()) {
      const bool quoted = !kSettingColumns[i].isNumber;
      if (quoted) {
        *o++ = '"';
      }
      o = kSettingColumns[i].write(in, o);
      if (quoted) {
        *o++ = '"';
      }
      if (i == 0 && extras_.phases) {
        o = Copy(",\"phases\":\"", o);
        o = kPhasesColumn.write(in, o);
        *o++ = '"';
      }
    } else {
      const double value = values[i - kSettingColumns.size()];
      // The readout texts are plain decimals and so valid JSON numbers; JSON
      // has no text for what is not finite.
      o = std::isfinite(value) ? texts_.Write(value, o) : Copy("null", o);
    }
  }
  if (!extraNames_.empty()) {
    ExtraCell cells[kExtraMax];
    const int count = ExtraCells(pass, cells);
    for (int i = 0; i < count; ++i) {
      *o++ = ',';
      *o++ = '"';
      o = Copy(extraNames_[i], o);
      *o++ = '"';
      *o++ = ':';
      if (!cells[i].name.empty()) {
        *o++ = '"';
        o = Copy(cells[i].name, o);
        *o++ = '"';
      } else {
        o = std::isfinite(cells[i].number) ? texts_.Write(cells[i].number, o) : Copy("null", o);
      }
    }
  }
  *o++ = '}';
  *o++ = '\n';
  out_.Commit(o);
}

void RowWriter::TableBlock(const FaultInputs& in, const PassVoltages& pass) {
  std::string s;
  if (!firstTable_) {
    s += '\n';
  }
  firstTable_ = false;
  s += "Fault:         ";
  s += FaultCaption(in);
  s += "\nAngles:        Z12 " + SettingText(in, "z12_angle") + ", Z0 " +
       SettingText(in, "z0_angle") + ", ZF " + SettingText(in, "zf_angle") + " degrees";
  s += "\nRatios:        Z0/Z12 " + SettingText(in, "z0_ratio") + ", ZF/Z12 " +
       SettingText(in, "zf_ratio");
  s += "\nProximity:     " + SettingText(in, "proximity");
  s += "\nTransformers:  HV-MV " + SettingText(in, "hv_mv") + ", MV-C1 " +
       SettingText(in, "mv_c1") + ", C1-C2 " + SettingText(in, "c1_c2") + "\n\n";

  const std::array<double, kReadoutCount> values = CutReadouts(pass);
  std::array<std::string, kReadoutCount> cells;
  for (int i = 0; i < kReadoutCount; ++i) {
    cells[i] = NumberCell(values[i]);
  }
  const std::string phaseHeads[6] = {"|Va|", "Va deg", "|Vb|", "Vb deg", "|Vc|", "Vc deg"};
  AppendTableLine(s, "Bus", phaseHeads);
  for (int bus = 0; bus < 4; ++bus) {
    AppendTableLine(s, kBusNames[bus], &cells[6 * bus]);
  }
  const std::string sequenceHeads[6] = {"|V0|", "V0 deg", "|V1|", "V1 deg", "|V2|", "V2 deg"};
  s += '\n';
  AppendTableLine(s, "Sequence voltages", sequenceHeads);
  AppendTableLine(s, "Substation HV", &cells[24]);

  ExtraCell extra[kExtraMax];
  const ExtraCell* e = extra;
  ExtraCells(pass, extra);
  const auto text = [](const ExtraCell& cell) {
    return cell.name.empty() ? NumberCell(cell.number) : std::string(cell.name);
  };
  if (extras_.classify) {
    const std::string heads[4] = {"Type", "V", "F", "Textbook"};
    s += '\n';
    AppendTableLine(s, "Sag type", heads, 4);
    for (int bus = 0; bus < 4; ++bus, e += 4) {
      const std::string row[4] = {text(e[0]), text(e[1]), text(e[2]), text(e[3])};
      AppendTableLine(s, kBusNames[bus], row, 4);
    }
  }
  if (extras_.lineToLine) {
    const std::string heads[6] = {"|Vab|", "Vab deg", "|Vbc|", "Vbc deg", "|Vca|", "Vca deg"};
    s += '\n';
    AppendTableLine(s, "Line-to-line voltages", heads);
    for (int bus = 0; bus < 4; ++bus, e += 6) {
      std::string row[6];
      for (int i = 0; i < 6; ++i) {
        row[i] = text(e[i]);
      }
      AppendTableLine(s, kBusNames[bus], row);
    }
  }
  out_.Append(s);
}

}  // namespace dipview::calc

#include "calc/sheet.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <vector>

namespace dipview::calc {

namespace {

// A phasor's name as the headings write it, in Markdown and in LaTeX.
struct Quantity {
  std::string_view markdown;
  std::string_view latex;
};
constexpr Quantity kPhases[3] = {{"Va", "V_a"}, {"Vb", "V_b"}, {"Vc", "V_c"}};
constexpr Quantity kSequences[3] = {{"V0", "V_0"}, {"V1", "V_1"}, {"V2", "V_2"}};
constexpr Quantity kLines[3] = {{"Vab", "V_{ab}"}, {"Vbc", "V_{bc}"}, {"Vca", "V_{ca}"}};

struct Column {
  std::string head;
  bool left = false;  ///< names to the left, numbers to the right
};

struct Table {
  std::vector<Column> columns;
  std::vector<std::vector<std::string>> rows;
};

// Characters as a text editor counts them: the headings and cells hold
// UTF-8 (the angle and degree signs in Markdown).
std::size_t Width(std::string_view text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

// `text` with at least `decimals` decimals: a rounded value written with the
// zeros its shortest text leaves off. A text that is no plain decimal (Inf,
// NaN) stays as it is.
std::string WithDecimals(std::string text, int decimals) {
  if (text.find_first_not_of("-0123456789.") != std::string::npos) {
    return text;
  }
  std::size_t point = text.find('.');
  if (point == std::string::npos) {
    point = text.size();
    text += '.';
  }
  const std::size_t have = text.size() - point - 1;
  const auto want = static_cast<std::size_t>(decimals);
  if (have < want) {
    text.append(want - have, '0');
  }
  return text;
}

class Sheet {
 public:
  explicit Sheet(const RowLayout& layout)
      : latex_(layout.format == OutputFormat::Latex),
        values_(layout.values),
        polar_(layout.polar) {}

  // The columns of three phasors, with `first` as the first column's heading.
  Table PhasorTable(std::string_view first, const Quantity (&quantities)[3]) const {
    Table table;
    table.columns.push_back({std::string(first), true});
    for (const Quantity& q : quantities) {
      const std::string name(latex_ ? q.latex : q.markdown);
      if (polar_) {
        table.columns.push_back({latex_ ? "$" + name + "$ (pu)" : name + " (pu)"});
      } else {
        table.columns.push_back({latex_ ? "$|" + name + "|$ (pu)" : "\\|" + name + "\\| (pu)"});
        table.columns.push_back(
            {latex_ ? "$\\angle " + name + "$ ($^\\circ$)" : "\u2220" + name + " (\u00b0)"});
      }
    }
    return table;
  }

  // A row of three phasors from `values`: magnitude, angle, for each.
  std::vector<std::string> PhasorRow(std::string_view name, const double* values) const {
    std::vector<std::string> row = {Name(name)};
    for (int i = 0; i < 3; ++i) {
      const std::string magnitude = Text(values[2 * i], kRoundedMagnitudeDecimals);
      const std::string angle = Text(values[2 * i + 1], kRoundedAngleDecimals);
      if (polar_) {
        row.push_back(latex_ ? "$" + magnitude + "\\angle{" + angle + "}^\\circ$"
                             : magnitude + "\u2220" + angle + "\u00b0");
      } else {
        row.push_back(Number(magnitude));
        row.push_back(Number(angle));
      }
    }
    return row;
  }

  void AddClassColumns(Table& table) const {
    table.columns.push_back({"Type", true});
    table.columns.push_back({latex_ ? "$|V|$ (pu)" : "\\|V\\| (pu)"});
    table.columns.push_back({latex_ ? "$|F|$ (pu)" : "\\|F\\| (pu)"});
    table.columns.push_back({latex_ ? "Jump ($^\\circ$)" : "Jump (\u00b0)"});
    table.columns.push_back({"Textbook", true});
  }

  void AddClassCells(const BusClassValues& bus, std::vector<std::string>& row) const {
    row.push_back(Name(bus.type));
    row.push_back(Number(Text(bus.v, kRoundedMagnitudeDecimals)));
    row.push_back(Number(Text(bus.f, kRoundedMagnitudeDecimals)));
    row.push_back(Number(Text(bus.jump, kRoundedAngleDecimals)));
    row.push_back(Name(bus.textbook));
  }

  void Settings(const FaultInputs& in, std::string& s) const {
    s += latex_ ? "\\begin{itemize}\n" : "";
    for (const SettingLine& line : SettingLines(in)) {
      s += latex_ ? "\\item " : "- ";
      s += line.label;
      s += ": ";
      s += Name(line.text);
      s += '\n';
    }
    s += latex_ ? "\\end{itemize}\n" : "";
  }

  // Before a table: a blank line, and in LaTeX some space, so that two
  // tables do not read as one.
  void Gap(std::string& s) const { s += latex_ ? "\n\\medskip\n" : "\n"; }

  void Write(const Table& table, std::string& s) const {
    std::vector<std::size_t> widths;
    for (const Column& column : table.columns) {
      widths.push_back(Width(column.head));
    }
    for (const auto& row : table.rows) {
      for (std::size_t i = 0; i < row.size(); ++i) {
        widths[i] = std::max(widths[i], Width(row[i]));
      }
    }
    const auto line = [&](const auto& cell) {
      s += latex_ ? "" : "| ";
      for (std::size_t i = 0; i < table.columns.size(); ++i) {
        const std::string& text = cell(i);
        const std::string pad(widths[i] - Width(text), ' ');
        s += i == 0 ? "" : latex_ ? " & " : " | ";
        s += table.columns[i].left ? text + pad : pad + text;
      }
      s += latex_ ? " \\\\\n" : " |\n";
    };
    if (latex_) {
      s += "\\begin{tabular}{";
      for (const Column& column : table.columns) {
        s += column.left ? 'l' : 'r';
      }
      s += "}\n\\hline\n";
    }
    line([&](std::size_t i) -> const std::string& { return table.columns[i].head; });
    if (latex_) {
      s += "\\hline\n";
    } else {
      s += '|';
      for (std::size_t i = 0; i < table.columns.size(); ++i) {
        const std::string dashes(widths[i] + 1, '-');
        s += table.columns[i].left ? ":" + dashes : dashes + ":";
        s += '|';
      }
      s += '\n';
    }
    for (const auto& row : table.rows) {
      line([&](std::size_t i) -> const std::string& { return row[i]; });
    }
    s += latex_ ? "\\hline\n\\end{tabular}\n" : "";
  }

 private:
  // The text the CSV writes for a value; rounded, with all its decimals.
  std::string Text(double value, int decimals) const {
    std::string text = ValueText(value, values_);
    return values_ == ValueMode::Rounded ? WithDecimals(std::move(text), decimals) : text;
  }

  // A number cell: in LaTeX in mathematics, for a true minus sign.
  std::string Number(const std::string& text) const { return latex_ ? "$" + text + "$" : text; }

  std::string Name(std::string_view text) const {
    return latex_ ? LatexText(text) : std::string(text);
  }

  bool latex_;
  ValueMode values_;
  bool polar_;
};

}  // namespace

std::string SheetText(const FaultInputs& in, const PassVoltages& pass, const RowLayout& layout) {
  const Sheet sheet(layout);
  const std::array<double, kReadoutCount> readouts = ReadoutValues(pass, layout.values);
  std::string s;
  sheet.Settings(in, s);

  Table buses = sheet.PhasorTable(kBusHeading, kPhases);
  if (layout.extras.classify) {
    sheet.AddClassColumns(buses);
  }
  const std::array<BusClassValues, 4> classes = layout.extras.classify
                                                    ? ClassifyValues(in, pass, layout.values)
                                                    : std::array<BusClassValues, 4>{};
  for (std::size_t bus = 0; bus < 4; ++bus) {
    buses.rows.push_back(sheet.PhasorRow(kBusNames[bus], &readouts[6 * bus]));
    if (layout.extras.classify) {
      sheet.AddClassCells(classes[bus], buses.rows.back());
    }
  }
  sheet.Gap(s);
  sheet.Write(buses, s);

  Table sequences = sheet.PhasorTable(kSequenceHeading, kSequences);
  sequences.rows.push_back(sheet.PhasorRow(kBusNames[0], &readouts[24]));
  sheet.Gap(s);
  sheet.Write(sequences, s);

  if (layout.extras.lineToLine) {
    const std::array<double, 24> lines = LineToLineValues(pass, layout.values);
    Table table = sheet.PhasorTable(kLineToLineHeading, kLines);
    for (std::size_t bus = 0; bus < 4; ++bus) {
      table.rows.push_back(sheet.PhasorRow(kBusNames[bus], &lines[6 * bus]));
    }
    sheet.Gap(s);
    sheet.Write(table, s);
  }
  return s;
}

}  // namespace dipview::calc

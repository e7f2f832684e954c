#include "calc/writers.h"

#include <charconv>
#include <sstream>

#include <gtest/gtest.h>

#include "calc_test_support.h"
#include "compute/readout.h"

namespace dipview::calc {
namespace {

std::vector<FaultInputs> VariedStates() {
  std::vector<FaultInputs> states;
  const TransformerConnection connections[] = {TransformerConnection::DY,
                                               TransformerConnection::YY};
  for (FaultType type : {FaultType::SinglePhase, FaultType::PhaseToPhase, FaultType::ThreePhase}) {
    for (int i = 0; i < 40; ++i) {
      FaultInputs in;
      in.faultType = type;
      in.z12AngleDeg = (i * 37) % 91;
      in.z0AngleDeg = (i * 53) % 91 + 0.5 * (i % 2);
      in.zfAngleDeg = (i * 11) % 91;
      in.z0Ratio = 0.5f + 0.5f * static_cast<float>(i % 6);
      in.zfRatio = 0.5 * (i % 7);
      in.proximity = static_cast<std::int16_t>((i * 29) % 101);
      in.hvMvConnection = connections[i % 2];
      in.mvC1Connection = connections[(i / 2) % 2];
      in.c1C2Connection = connections[(i / 4) % 2];
      states.push_back(in);
    }
  }
  return states;
}

TEST(RowWriterTest, CsvRowsHoldTheReadoutTextsOfEveryBusAndSequence) {
  output::StringSink sink;
  output::OutputBuffer out(sink, 4096);
  RowWriter writer(OutputFormat::Csv, out);
  writer.Begin();
  const std::vector<FaultInputs> states = VariedStates();
  for (const FaultInputs& in : states) {
    writer.Row(in, ComputeVoltages(in));
  }
  out.Flush();
  const std::vector<std::string> rows = Lines(sink.text);
  ASSERT_EQ(rows.size(), states.size() + 1);
  for (std::size_t r = 0; r < states.size(); ++r) {
    const PassVoltages pass = ComputeVoltages(states[r]);
    std::vector<std::string> expected;
    for (const PhaseTriple& bus : pass.busVoltages) {
      for (const std::string& text : ReadoutTexts(bus)) {
        expected.push_back(text);
      }
    }
    for (const std::string& text : ReadoutTexts(pass.sequenceAtHV)) {
      expected.push_back(text);
    }
    const std::vector<std::string> fields = Fields(rows[r + 1]);
    ASSERT_EQ(fields.size(), 40u);
    EXPECT_EQ(std::vector<std::string>(fields.begin() + 10, fields.end()), expected) << "row " << r;
  }
}

TEST(ReadoutTextCacheTest, WritesWhatWriteNumberTextWrites) {
  ReadoutTextCache cache;
  std::vector<double> values = {
      0.0, -0.0, 1.0, 0.999, -127.6, 1e20, -1.234567890123e-7, 123456789.123456, 0.1 + 0.2};
  // Far more values than the cache holds, so that entries are replaced.
  for (int k = -40000; k <= 40000; k += 3) {
    values.push_back(k / 1000.0);
    values.push_back(k / 10.0);
  }
  for (int pass = 0; pass < 2; ++pass) {
    for (double value : values) {
      char expected[kNumberTextMax];
      char actual[kNumberTextMax];
      const std::string_view want(expected, WriteNumberText(value, expected) - expected);
      const std::string_view got(actual, cache.Write(value, actual) - actual);
      ASSERT_EQ(got, want) << "value " << value << " pass " << pass;
    }
  }
}

// The CSV lines of a run that must succeed.
std::vector<std::string> CsvLines(std::vector<std::string_view> args) {
  args.push_back("--format=csv");
  const RunResult run = RunInProcess(args);
  EXPECT_EQ(run.status, 0) << run.err;
  return Lines(run.out);
}

TEST(ValuesTest, ShownRoundedAndFullOfEachKindOfValue) {
  const struct Row {
    const char* values;
    const char* fields;
  } rows[] = {
      // |Va| is 0.49999999999980405 and angle Vc 127.5892041110238 degrees at
      // Substation HV; the cut takes both down, rounding takes them to 0.5
      // and 127.6; V and F are rounded in both.
      {"shown", "0.499,127.5,0.999,-180,0.778,1,1.452,36.5"},
      {"rounded", "0.5,127.6,1,-180,0.778,1,1.453,36.6"},
      {"full",
       "0.49999999999980405,127.5892041110238,0.9999998807907144,-179.9998526928247,"
       "0.7777778771378941,0.9999998694771204,1.452968279671729,36.586872396560565"},
  };
  for (const Row& row : rows) {
    const std::vector<std::string> lines =
        CsvLines({"--values", row.values, "--columns",
                  "hv_a_mag,hv_c_ang,mv_c_mag,c1_b_ang,hv_v,hv_f,hv_ab_mag,hv_ab_ang"});
    EXPECT_EQ(lines.at(1), row.fields) << row.values;
  }
  EXPECT_EQ(CsvLines({"--values=shown", "--classify"}), CsvLines({"--classify"}));
}

TEST(ValuesTest, FullTextsReadBackToTheComputedDoubles) {
  output::StringSink sink;
  output::OutputBuffer out(sink);
  RowLayout layout;
  layout.values = ValueMode::Full;
  RowWriter writer(std::make_shared<const RowLayout>(layout), out);
  const std::vector<FaultInputs> states = VariedStates();
  for (const FaultInputs& in : states) {
    writer.Row(in, ComputeVoltages(in));
  }
  out.Flush();
  const std::vector<std::string> rows = Lines(sink.text);
  ASSERT_EQ(rows.size(), states.size());
  for (std::size_t r = 0; r < states.size(); ++r) {
    const PassVoltages pass = ComputeVoltages(states[r]);
    const std::vector<std::string> fields = Fields(rows[r]);
    ASSERT_EQ(fields.size(), 40u);
    for (int bus = 0; bus < 4; ++bus) {
      const PhaseTriple& v = pass.busVoltages[bus];
      const double want[6] = {v.a.magnitude, v.a.angle * 180.0 / kPi,
                              v.b.magnitude, v.b.angle * 180.0 / kPi,
                              v.c.magnitude, v.c.angle * 180.0 / kPi};
      for (int i = 0; i < 6; ++i) {
        const std::string& text = fields[10 + 6 * bus + i];
        double got = 0.0;
        std::from_chars(text.data(), text.data() + text.size(), got);
        EXPECT_EQ(got, want[i]) << "row " << r << " bus " << bus << " readout " << i;
      }
    }
  }
}

TEST(ColumnsTest, ChosenColumnsInTheirOrder) {
  // Blanks around names are allowed; --classify's columns need no --classify.
  EXPECT_EQ(CsvLines({"--columns", " v2_ang, fault ,c2_type,proximity"}),
            (std::vector<std::string>{"v2_ang,fault,c2_type,proximity", "179.9,single,C_a,50"}));
  // --columns decides, whatever --classify and --line-to-line add.
  EXPECT_EQ(CsvLines({"--classify", "--columns=hv_v", "--line-to-line"}),
            (std::vector<std::string>{"hv_v", "0.778"}));

  std::string all = "fault,phases" + std::string(kCsvHeader.substr(5, kCsvHeader.size() - 6)) +
                    "," +
                    "hv_type,hv_v,hv_f,hv_jump,hv_textbook,mv_type,mv_v,mv_f,mv_jump,mv_textbook,"
                    "c1_type,c1_v,c1_f,c1_jump,c1_textbook,c2_type,c2_v,c2_f,c2_jump,c2_textbook";
  for (const char* bus : {"hv", "mv", "c1", "c2"}) {
    for (const char* name : {"_ab_mag", "_ab_ang", "_bc_mag", "_bc_ang", "_ca_mag", "_ca_ang"}) {
      all += std::string(",") + bus + name;
    }
  }
  for (const char* bus : {"hv", "mv", "c1", "c2"}) {
    for (const char* name :
         {"_residual", "_duration", "_jump_a", "_jump_b", "_jump_c", "_itic", "_f47"}) {
      all += std::string(",") + bus + name;
    }
  }
  const std::string allowed = "; allowed: names of columns separated by commas, each once: " + all;
  const struct Bad {
    const char* columns;
    std::string message;
  } bad[] = {
      {"fault,hv_a_magnitude", "'hv_a_magnitude' is not a column" + allowed},
      {"fault,v0_mag,fault", "'fault' is named twice" + allowed},
      {"fault,,v0_mag", "'fault,,v0_mag' has an empty column name" + allowed},
      {"", "'' has an empty column name" + allowed},
  };
  for (const Bad& row : bad) {
    const RunResult run = RunInProcess({"--columns", row.columns, "--batch"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "dipview-calc: --columns: " + row.message + "\n");
  }
}

TEST(FormatsTest, AlignedRowsWithAHeaderInEachFormat) {
  const struct Row {
    std::vector<std::string_view> args;
    const char* out;
  } rows[] = {
      {{"--format", "table"},
       "fault             proximity  hv_a_mag  hv_a_ang  c2_type\n"
       "----------------  ---------  --------  --------  -------\n"
       "single                    0         0        90  C_a\n"
       "single                   50     0.499         0  C_a\n"
       "single                  100         1         0  none\n"},
      {{"--format", "markdown"},
       "| fault            | proximity | hv_a_mag | hv_a_ang | c2_type |\n"
       "|:-----------------|----------:|---------:|---------:|:--------|\n"
       "| single           |         0 |        0 |       90 | C_a     |\n"
       "| single           |        50 |    0.499 |        0 | C_a     |\n"
       "| single           |       100 |        1 |        0 | none    |\n"},
      {{"--format", "latex"},
       "\\begin{longtable}{lrrrl}\n"
       "\\hline\n"
       "fault            & proximity & hv\\_a\\_mag & hv\\_a\\_ang & c2\\_type \\\\\n"
       "\\hline\n"
       "\\endhead\n"
       "single           &         0 &          0 &         90 & C\\_a     \\\\\n"
       "single           &        50 &      0.499 &          0 & C\\_a     \\\\\n"
       "single           &       100 &          1 &          0 & none     \\\\\n"
       "\\hline\n"
       "\\end{longtable}\n"},
      // In full a magnitude takes up to 22 characters and an angle 23.
      {{"--format", "table", "--values", "full", "--columns", "proximity,hv_a_mag,hv_a_ang"},
       "proximity                hv_a_mag                 hv_a_ang\n"
       "---------  ----------------------  -----------------------\n"
       "        0   4.667186401568876e-08        90.00000250447816\n"
       "       50     0.49999999999980405   2.6741008300137014e-06\n"
       "      100                       1                        0\n"},
  };
  for (const Row& row : rows) {
    std::vector<std::string_view> args = {"--sweep", "proximity=0:100:50", "--columns",
                                          "fault,proximity,hv_a_mag,hv_a_ang,c2_type"};
    args.insert(args.end(), row.args.begin(), row.args.end());
    const RunResult run = RunInProcess(args);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, row.out) << row.args[1];
  }
  // One state with --columns: rows, not the readable block.
  EXPECT_EQ(RunInProcess({"--columns", "v1_mag,fault,v0_ang"}).out,
            "v1_mag  fault             v0_ang\n"
            "------  ----------------  ------\n"
            " 0.888  single              -180\n");
  // A batch the same way, with the rows of the lines before a bad one: half
  // way to a bolted fault, V1 is a half (cut to 0.499) for a three-phase
  // fault and three quarters for a phase-to-phase fault.
  const RunResult batch = RunInProcess({"--batch", "--format=markdown", "--columns=fault,v1_mag"},
                                       "fault\nthree\nphase-phase\nground\n");
  EXPECT_EQ(batch.status, 2);
  EXPECT_EQ(batch.out,
            "| fault            | v1_mag |\n"
            "|:-----------------|-------:|\n"
            "| three            |  0.499 |\n"
            "| phase-phase      |   0.75 |\n");
}

TEST(SheetTest, OneStateAsTablesWithARowForEachBus) {
  // The texts the CSV writes, readable headings; the settings come first.
  EXPECT_EQ(RunInProcess({"--format", "markdown"}).out,
            "- Fault: Single Phase (Phase A)\n"
            "- Angles: Z12 90, Z0 90, ZF 90 degrees\n"
            "- Ratios: Z0/Z12 2.5, ZF/Z12 0\n"
            "- Proximity: 50\n"
            "- Transformers: HV-MV DY, MV-C1 DY, C1-C2 DY\n"
            "\n"
            "| Bus                            | \\|Va\\| (pu) | ∠Va (°) | \\|Vb\\| (pu) | ∠Vb (°) "
            "| \\|Vc\\| (pu) | ∠Vc (°) |\n"
            "|:-------------------------------|------------:|--------:|------------:|--------:|----"
            "--------:|--------:|\n"
            "| Substation HV                  |       0.499 |       0 |       1.092 |  -127.6 |    "
            "   1.092 |   127.5 |\n"
            "| Substation MV and Along Feeder |       0.838 |   -36.6 |       0.838 |  -143.5 |    "
            "   0.999 |      90 |\n"
            "| Customer Level 1               |       0.949 |   -65.9 |       0.777 |    -180 |    "
            "   0.949 |    65.8 |\n"
            "| Customer Level 2               |       0.999 |   -90.1 |       0.838 |   143.4 |    "
            "   0.838 |    36.5 |\n"
            "\n"
            "| Sequence voltages | \\|V0\\| (pu) | ∠V0 (°) | \\|V1\\| (pu) | ∠V1 (°) | \\|V2\\| "
            "(pu) | ∠V2 (°) |\n"
            "|:------------------|------------:|--------:|------------:|--------:|------------:|---"
            "-----:|\n"
            "| Substation HV     |       0.277 |    -180 |       0.888 |       0 |       0.111 |   "
            "179.9 |\n");
  // Rounded with all their decimals, each phasor in one cell in polar form.
  EXPECT_EQ(RunInProcess({"--format", "latex", "--polar", "--values", "rounded"}).out,
            "\\begin{itemize}\n"
            "\\item Fault: Single Phase (Phase A)\n"
            "\\item Angles: Z12 90, Z0 90, ZF 90 degrees\n"
            "\\item Ratios: Z0/Z12 2.5, ZF/Z12 0\n"
            "\\item Proximity: 50\n"
            "\\item Transformers: HV-MV DY, MV-C1 DY, C1-C2 DY\n"
            "\\end{itemize}\n"
            "\n"
            "\\medskip\n"
            "\\begin{tabular}{lrrr}\n"
            "\\hline\n"
            "Bus                            &                 $V_a$ (pu) &                  $V_b$ "
            "(pu) &                 $V_c$ (pu) \\\\\n"
            "\\hline\n"
            "Substation HV                  &   $0.500\\angle{0.0}^\\circ$ & "
            "$1.093\\angle{-127.6}^\\circ$ & $1.093\\angle{127.6}^\\circ$ \\\\\n"
            "Substation MV and Along Feeder & $0.839\\angle{-36.6}^\\circ$ & "
            "$0.839\\angle{-143.4}^\\circ$ &  $1.000\\angle{90.0}^\\circ$ \\\\\n"
            "Customer Level 1               & $0.949\\angle{-65.8}^\\circ$ & "
            "$0.778\\angle{-180.0}^\\circ$ &  $0.949\\angle{65.8}^\\circ$ \\\\\n"
            "Customer Level 2               & $1.000\\angle{-90.0}^\\circ$ &  "
            "$0.839\\angle{143.4}^\\circ$ &  $0.839\\angle{36.6}^\\circ$ \\\\\n"
            "\\hline\n"
            "\\end{tabular}\n"
            "\n"
            "\\medskip\n"
            "\\begin{tabular}{lrrr}\n"
            "\\hline\n"
            "Sequence voltages &                  $V_0$ (pu) &               $V_1$ (pu) &          "
            "       $V_2$ (pu) \\\\\n"
            "\\hline\n"
            "Substation HV     & $0.278\\angle{-180.0}^\\circ$ & $0.889\\angle{0.0}^\\circ$ & "
            "$0.111\\angle{180.0}^\\circ$ \\\\\n"
            "\\hline\n"
            "\\end{tabular}\n");
  // --classify adds columns to the bus rows, --line-to-line a table of its own.
  const std::vector<std::string> lines = Lines(
      RunInProcess({"--format=markdown", "--values=rounded", "--classify", "--line-to-line"}).out);
  ASSERT_EQ(lines.size(), 23u);
  EXPECT_EQ(
      lines[6],
      "| Bus                            | \\|Va\\| (pu) | \u2220Va (\u00b0) | \\|Vb\\| (pu) | "
      "\u2220Vb (\u00b0) | \\|Vc\\| (pu) | \u2220Vc (\u00b0) | Type | \\|V\\| (pu) | \\|F\\| (pu) "
      "| "
      "Jump (\u00b0) | Textbook |");
  EXPECT_EQ(lines[8],
            "| Substation HV                  |       0.500 |     0.0 |       1.093 |  -127.6 |"
            "       1.093 |   127.6 | B_a  |      0.778 |      1.000 |      0.0 | -        |");
  EXPECT_EQ(
      lines[17],
      "| Line-to-line voltages          | \\|Vab\\| (pu) | \u2220Vab (\u00b0) | \\|Vbc\\| (pu) | "
      "\u2220Vbc (\u00b0) | \\|Vca\\| (pu) | \u2220Vca (\u00b0) |");
  EXPECT_EQ(lines[20],
            "| Substation MV and Along Feeder |        1.347 |      0.0 |        1.644 |   -114.2 |"
            "        1.644 |    114.2 |");
}

TEST(SheetTest, CellsHoldTheCsvValues) {
  const auto write = [](OutputFormat format, ValueMode mode, const FaultInputs& in) {
    RowLayout layout;
    layout.format = format;
    layout.values = mode;
    layout.blocks = format == OutputFormat::Markdown;
    output::StringSink sink;
    output::OutputBuffer out(sink);
    RowWriter writer(std::make_shared<const RowLayout>(layout), out);
    writer.Row(in, ComputeVoltages(in));
    out.Flush();
    return Lines(sink.text);
  };
  for (const ValueMode mode : {ValueMode::Shown, ValueMode::Rounded, ValueMode::Full}) {
    for (const FaultInputs& in : VariedStates()) {
      const std::vector<std::string> csv = Fields(write(OutputFormat::Csv, mode, in).at(0));
      const std::vector<std::string> sheet = write(OutputFormat::Markdown, mode, in);
      for (int bus = 0; bus < 4; ++bus) {
        std::istringstream row(sheet.at(8 + bus));
        std::string cell;
        std::getline(row, cell, '|');  // before the first bar
        std::getline(row, cell, '|');  // the bus
        for (int i = 0; i < 6; ++i) {
          std::getline(row, cell, '|');
          const std::string text = cell.substr(cell.find_first_not_of(' '),
                                               cell.size() - 1 - cell.find_first_not_of(' '));
          const std::string& want = csv.at(10 + 6 * bus + i);
          if (mode == ValueMode::Rounded) {
            // The same number, with every decimal of its step.
            EXPECT_EQ(std::stod(text), std::stod(want)) << text;
            EXPECT_EQ(text.size() - text.find('.') - 1, i % 2 == 0 ? 3u : 1u) << text;
          } else {
            EXPECT_EQ(text, want);
          }
        }
      }
    }
  }
}

TEST(OutputBufferTest, KeepsOrderAndTakesBlocksLargerThanItself) {
  output::StringSink sink;
  output::OutputBuffer out(sink, 8);
  out.Append("abc");
  out.Append(std::string(20, 'x'));
  out.Append('!');
  EXPECT_LT(sink.text.size(), 24u);
  out.Flush();
  EXPECT_EQ(sink.text, "abc" + std::string(20, 'x') + "!");
}

}  // namespace
}  // namespace dipview::calc

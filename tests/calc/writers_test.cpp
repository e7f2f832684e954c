#include "calc/writers.h"

#include <charconv>

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
  StringSink sink;
  OutputBuffer out(sink, 4096);
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
       "0.7777778771304453,0.999999869482914,1.452968279671729,36.586872396560565"},
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
  StringSink sink;
  OutputBuffer out(sink);
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
                    "hv_type,hv_v,hv_f,hv_textbook,mv_type,mv_v,mv_f,mv_textbook,c1_type,c1_v,"
                    "c1_f,c1_textbook,c2_type,c2_v,c2_f,c2_textbook";
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

TEST(OutputBufferTest, KeepsOrderAndTakesBlocksLargerThanItself) {
  StringSink sink;
  OutputBuffer out(sink, 8);
  out.Append("abc");
  out.Append(std::string(20, 'x'));
  out.Append('!');
  EXPECT_LT(sink.text.size(), 24u);
  out.Flush();
  EXPECT_EQ(sink.text, "abc" + std::string(20, 'x') + "!");
}

}  // namespace
}  // namespace dipview::calc

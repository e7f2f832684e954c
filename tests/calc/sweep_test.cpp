#include "calc/sweep.h"

#include <charconv>
#include <cmath>

#include <gtest/gtest.h>

#include "calc/options.h"
#include "calc_test_support.h"

namespace dipview::calc {
namespace {

double Parsed(std::string_view text) {
  double value = 0.0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

TEST(SweepTest, PointsAreTheDecimalsOfFromPlusIStep) {
  // The first, second and last points as a user would type them: the doubles
  // must be exactly theirs, with no error from adding steps.
  struct Row {
    const char* text;
    std::string_view column;
    std::size_t count;
    const char* first;
    const char* second;
    const char* last;
  } rows[] = {
      {"proximity=0:100:1", "proximity", 101, "0", "1", "100"},
      {"zf-ratio=0:3:0.1", "zf_ratio", 31, "0", "0.1", "3"},
      {"z0_ratio=3:0.5:-0.25", "z0_ratio", 11, "3", "2.75", "0.5"},
      {"z12-angle=0:90:7", "z12_angle", 13, "0", "7", "84"},
      {"zf-angle=45:45:5", "zf_angle", 1, "45", "45", "45"},
      {"z0-angle=0.7:1:1e-2", "z0_angle", 31, "0.7", "0.71", "1"},
      // Too many decimals to round to: TO is still the last point.
      {"zf-ratio=0:0.3:0.1000000000000", "zf_ratio", 4, "0", "0.1", "0.3"},
      {"z12-angle=0:89.99991:9e-5", "z12_angle", 1'000'000, "0", "9e-5", "89.99991"},
      {"ZF_Ratio=0:1:0.5", "zf_ratio", 3, "0", "0.5", "1"},
      {"proximity=0:10:10", "proximity", 2, "0", "10", "10"},
      // More decimals than rounding allows: still the decimal itself.
      {"zf-ratio=2e-13:5e-13:1e-13", "zf_ratio", 4, "2e-13", "3e-13", "5e-13"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    const SweepAxis axis = ParseSweep(row.text);
    EXPECT_EQ(axis.column, row.column);
    ASSERT_EQ(axis.points.size(), row.count);
    EXPECT_EQ(axis.points.front(), Parsed(row.first));
    EXPECT_EQ(axis.points[row.count > 1 ? 1 : 0], Parsed(row.second));
    EXPECT_EQ(axis.points.back(), Parsed(row.last));
  }
  EXPECT_FALSE(std::signbit(ParseSweep("zf-ratio=-0:0:-1").points.at(0)));
}

TEST(SweepTest, BadSweepsExitWithStatus2BeforeWritingAnything) {
  const std::string step =
      "allowed: a number other than 0, positive when TO is above FROM, negative when below";
  const struct Row {
    std::vector<std::string_view> args;
    std::string message;
  } rows[] = {
      {{"--sweep", "proximity=0:100:0"}, "proximity STEP '0' is zero; " + step},
      {{"--sweep=z12-angle=90:0:5"}, "z12-angle STEP '5' leads away from TO; " + step},
      {{"--sweep", "z12-angle=0:90:1o"}, "z12-angle STEP '1o' has 'o' after the number; " + step},
      {{"--sweep", "z0-ratio=0.4:3:0.1"},
       "z0-ratio FROM '0.4' is out of range; allowed: a number from 0.5 to 3.0"},
      {{"--sweep", "proximity=0:10:2.5"},
       "proximity point '2.5' is not a whole number; allowed: a whole number from 0 to 100"},
      {{"--sweep", "z12-angle=0:90:9e-5"},
       "'z12-angle=0:90:9e-5' has more than 1000000 points; allowed: at most 1000000 points in "
       "all"},
      {{"--sweep", "z12-angle=0:90:0.001", "--sweep", "proximity=0:100:1"},
       "the grid has 9090101 points; allowed: at most 1000000 points in all"},
      {{"--sweep", "fault=0:1:1"},
       "'fault' is not a setting with a numeric value; allowed: z12-angle, z0-angle, zf-angle, "
       "z0-ratio, zf-ratio or proximity"},
      {{"--sweep", "proximity=0:100"},
       "'proximity=0:100' is not NAME=FROM:TO:STEP; allowed: NAME=FROM:TO:STEP with NAME one of "
       "z12-angle, z0-angle, zf-angle, z0-ratio, zf-ratio, proximity"},
      {{"--sweep", "z12-angle=0:90:45", "--sweep", "z12_angle=0:90:45"},
       "'z12_angle=0:90:45' sweeps z12_angle a second time; allowed: two different settings for "
       "a grid"},
      {{"--sweep", "proximity=0:1:1", "--sweep", "zf-ratio=0:1:1", "--sweep", "z0-ratio=1:2:1"},
       "given a third time; allowed: one setting, or two for a grid"},
      // STEP and TO the other way round, as MATLAB writes a range.
      {{"--sweep", "proximity=0:10:100"},
       "proximity STEP '100' is larger than the range from 0 to 10; allowed: a STEP no larger "
       "than TO - FROM; the order is FROM:TO:STEP, so perhaps 'proximity=0:100:10'"},
      {{"--sweep", "Z12-Angle=90:-15:0"},
       "z12-angle TO '-15' is out of range; allowed: a number of degrees from 0 to 90; the order "
       "is FROM:TO:STEP, so perhaps 'Z12-Angle=90:0:-15'"},
      {{"--sweep", "proximity=10:5:100"},
       "proximity STEP '100' leads away from TO; " + step +
           "; the order is FROM:TO:STEP, so perhaps 'proximity=10:100:5'"},
      {{"--sweep", "z0-ratio=3:0.5:-5"},
       "z0-ratio STEP '-5' is larger than the range from 3 to 0.5; allowed: a STEP no larger than "
       "TO - FROM"},
      {{"--sweep", "proximity=0\x1b[2J:1:1"},
       "proximity FROM '0\\x1b[2J' has '\\x1b[2J' after the number; allowed: a whole number from "
       "0 to 100"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.message);
    const RunResult run = RunInProcess(row.args);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "dipview-calc: --sweep: " + row.message + "\n");
  }
  for (std::vector<std::string_view> args :
       {std::vector<std::string_view>{"--batch"}, {"--png", "a.png"}}) {
    args.push_back("--sweep=proximity=0:1:1");
    EXPECT_EQ(RunInProcess(args).status, 2) << args[0];
  }
}

TEST(SweepTest, GridRowsRunTheSecondSettingInside) {
  const RunResult run = RunInProcess(
      {"--sweep", "proximity=0:100:50", "--sweep", "zf-ratio=1:0:-0.5", "--z0-ratio", "1"});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<std::string> rows = Lines(run.out);
  ASSERT_EQ(rows.size(), 10u);
  EXPECT_EQ(rows[0] + "\n", kCsvHeader);
  std::string pairs;
  for (std::size_t r = 1; r < rows.size(); ++r) {
    pairs += Fields(rows[r])[6] + "/" + Fields(rows[r])[5] + " ";
  }
  EXPECT_EQ(pairs, "0/1 0/0.5 0/0 50/1 50/0.5 50/0 100/1 100/0.5 100/0 ");
  // The bolted fault at the bus with Z0 = Z12, and the far end's prefault voltages.
  EXPECT_EQ(rows[3],
            "single,90,90,90,1,0,0,DY,DY,DY,0,-90.1,1,-120,0.999,120,0.577,-60,0.577,-120,"
            "0.999,90,0.881,-79.2,0.333,-180,0.881,79.1,0.999,-90.1,0.577,120,0.577,60,"
            "0.333,-180,0.666,0,0.333,179.9");
  EXPECT_EQ(rows[9],
            "single,90,90,90,1,0,100,DY,DY,DY,1,0,1,-120.1,1,120,0.999,-30.1,1,-150.1,1,90,"
            "1,-60.1,0.999,179.9,1,60,1,-90.1,1,149.9,0.999,30,0,90,1,-0.1,0,90");
}

// A sweep stores each point as the setting's option would: its rows are those
// of a batch that lists the same values.
TEST(SweepTest, RowsEqualABatchOfTheSamePoints) {
  struct Row {
    const char* sweep;
    const char* batchInput;
  } rows[] = {
      {"z12-angle=0:90:22.5", "z12_angle\n0\n22.5\n45\n67.5\n90\n"},
      {"z0-angle=10:0:-3.3", "z0_angle\n10\n6.7\n3.4\n0.1\n"},
      {"zf-angle=0:90:30", "zf_angle\n0\n30\n60\n90\n"},
      {"z0-ratio=0.5:1.2:0.1", "z0_ratio\n0.5\n0.6\n0.7\n0.8\n0.9\n1\n1.1\n1.2\n"},
      {"zf-ratio=0:0.3:0.1", "zf_ratio\n0\n0.1\n0.2\n0.3\n"},
      {"proximity=100:0:-25", "proximity\n100\n75\n50\n25\n0\n"},
  };
  for (const Row& row : rows) {
    for (const char* format : {"csv", "json"}) {
      const RunResult sweep = RunInProcess({"--sweep", row.sweep, "--zf-ratio", "0.5", "--fault",
                                            "phase-phase", "--classify", "--format", format});
      const RunResult batch = RunInProcess({"--batch", "--zf-ratio", "0.5", "--fault",
                                            "phase-phase", "--classify", "--format", format},
                                           row.batchInput);
      ASSERT_EQ(sweep.status, 0) << sweep.err;
      EXPECT_EQ(sweep.out, batch.out) << row.sweep << " " << format;
    }
  }
}

// The calculator's own faults, phases and connections sweep and plot like the
// window's.
TEST(SweepTest, TwoPhaseToGroundOnOtherPhasesThroughADD) {
  const std::vector<std::string_view> base = {
      "--fault", "two-phase-ground", "--phases", "ab", "--transformers", "DD,DY,YY", "--classify"};
  std::vector<std::string_view> sweep = base;
  sweep.insert(sweep.end(), {"--sweep", "proximity=100:0:-50"});
  std::vector<std::string_view> batch = base;
  batch.push_back("--batch");
  const RunResult swept = RunInProcess(sweep);
  ASSERT_EQ(swept.status, 0) << swept.err;
  EXPECT_EQ(swept.out, RunInProcess(batch, "proximity\n100\n50\n0\n").out);
  const std::vector<std::string> lines = Lines(swept.out);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_TRUE(lines[3].starts_with("two-phase-ground,ab,90,90,90,2.5,0,0,DD,DY,YY,")) << lines[3];

  const CalcOptions options = ParseCommandLine(sweep);
  EXPECT_EQ(CollectPlot(options.sweeps[0], options.settings).caption,
            "Two-Phase-to-Ground (Phases A and B) fault; Z12 angle 90\u00b0, Z0 angle 90\u00b0, "
            "ZF angle 90\u00b0, Z0/Z12 2.5, ZF/Z12 0; transformers HV-MV DD, MV-C1 DY, C1-C2 YY");
}

// Many chunks of states computed by worker threads, and a batch stopped by a
// bad line in the middle of a chunk: the same output as one job writes.
TEST(JobsTest, RowsKeepTheirOrderOnEveryJobCount) {
  std::string batch = "proximity,z12_angle\n";
  for (int i = 0; i < 7000; ++i) {
    batch += std::to_string(i % 101) + "," + std::to_string(i % 91) + "\n";
  }
  batch += "50,91\n0,0\n";
  for (std::string_view format : {"csv", "json", "table"}) {
    std::vector<RunResult> runs;
    for (std::string_view jobs : {"1", "2", "3"}) {
      runs.push_back(
          RunInProcess({"--jobs", jobs, "--format", format, "--sweep", "z12-angle=0:90:0.01"}));
      runs.push_back(RunInProcess({"--jobs", jobs, "--format", format, "--batch"}, batch));
    }
    ASSERT_EQ(runs[0].status, 0) << runs[0].err;
    EXPECT_EQ(Lines(runs[0].out).size(), 9001u + (format == "table" ? 2 : format == "csv"));
    EXPECT_EQ(runs[1].status, 2);
    EXPECT_EQ(runs[1].err,
              "dipview-calc: line 7002, column z12_angle: '91' is out of range; allowed: a "
              "number of degrees from 0 to 90\n");
    for (std::size_t i = 2; i < runs.size(); ++i) {
      EXPECT_EQ(runs[i].status, runs[i % 2].status);
      EXPECT_TRUE(runs[i].out == runs[i % 2].out) << format << " run " << i;
      EXPECT_EQ(runs[i].err, runs[i % 2].err);
    }
  }
}

// Rows go out as the buffer fills, not all at the end.
TEST(SweepTest, RowsStreamOut) {
  class CountingSink : public output::ByteSink {
   public:
    void Write(const char*, std::size_t size) override {
      ++writes;
      largest = std::max(largest, size);
    }
    int writes = 0;
    std::size_t largest = 0;
  } out;
  output::StringSource in("");
  output::StringSink err;
  const std::vector<std::string_view> args = {"--sweep", "z12-angle=0:90:0.01"};
  ASSERT_EQ(RunCalculator(args, in, out, err), 0) << err.text;
  EXPECT_GT(out.writes, 10);
  EXPECT_LE(out.largest, std::size_t{1} << 16);
}

}  // namespace
}  // namespace dipview::calc

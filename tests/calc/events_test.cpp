// --events and the options of the sag in time: the columns, the samples, the
// COMTRADE files and the messages.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "calc_test_support.h"

namespace dipview::calc {
namespace {

// The event columns of one state: everything after the 40 standard columns.
std::string EventFields(std::vector<std::string_view> args) {
  args.insert(args.end(), {"--events", "--format", "csv"});
  const RunResult run = RunInProcess(args);
  EXPECT_EQ(run.status, 0) << run.err;
  const std::vector<std::string> lines = Lines(run.out);
  std::size_t at = 0;
  for (int i = 0; i < 40; ++i) {
    at = lines.at(1).find(',', at) + 1;
  }
  return lines.at(1).substr(at);
}

TEST(EventsTest, EachBusDipResidualDurationJumpsAndCurves) {
  // Windows of one cycle end every half cycle; the one across each change is
  // half in the fault, Urms^2 = (1 + V^2) / 2: below 0.9 for V = 0.5 and
  // 0.777 (the dip starts 10 ms after the fault and ends 20 ms after it
  // clears: 0.11 s), above 0.92 for 0.838 (20 ms after, 10 ms after: 0.09 s).
  // The jumps are the readouts' angles less 0, -30, -60, -90 degrees, cut.
  // Substation HV's 0.4999999999998 is just below F47's 50 %.
  const struct {
    std::vector<std::string_view> args;
    const char* fields;
  } rows[] = {
      {{},
       "0.499,0.11,0,-7.6,7.5,outside,outside,0.838,0.09,-6.6,6.5,0,inside,inside,"
       "0.777,0.11,-5.9,0,5.8,inside,inside,0.838,0.09,-0.1,-6.6,6.5,inside,inside"},
      {{"--proximity", "100"},
       "none,none,0,-0.1,0,none,none,none,none,-0.1,-0.1,0,none,none,"
       "none,none,-0.1,-0.1,0,none,none,none,none,-0.1,-0.1,0,none,none"},
      // 0.4 s at 75 %: ITIC asks 70 % up to 0.5 s, F47 70 % from 0.2 to 0.5 s.
      {{"--fault", "three", "--proximity", "75", "--duration", "0.4", "--values", "rounded"},
       "0.75,0.41,0,0,0,inside,inside,0.75,0.41,0,0,0,inside,inside,"
       "0.75,0.41,0,0,0,inside,inside,0.75,0.41,0,0,0,inside,inside"},
      // At 60 Hz half a cycle is 1/120 s: 0.1 + 1/120 = 0.1083.
      {{"--fault", "three", "--frequency", "60", "--columns", "hv_residual,hv_duration,hv_itic",
        "--values", "rounded"},
       "0.5,0.1083,outside"},
      // B and C fall to 0.5 at 180 degrees at Substation HV; below one DY
      // phase A is gone, its angle 0 as the readouts show it.
      {{"--fault", "phase-phase", "--proximity", "0", "--duration", "0.03", "--columns",
        "hv_residual,hv_duration,hv_jump_b,hv_jump_c,hv_f47,mv_residual,mv_jump_a,mv_f47"},
       "0.5,0.04,-60,59.9,inside,0,30,outside"},
  };
  for (const auto& row : rows) {
    std::vector<std::string_view> args = row.args;
    const bool chosen = std::find(args.begin(), args.end(), "--columns") != args.end();
    if (chosen) {
      args.insert(args.end(), {"--events", "--format", "csv"});
      const RunResult run = RunInProcess(args);
      ASSERT_EQ(run.status, 0) << run.err;
      EXPECT_EQ(Lines(run.out).at(1), row.fields);
    } else {
      EXPECT_EQ(EventFields(args), row.fields);
    }
  }
}

TEST(EventsTest, EveryFormatWritesTheColumns) {
  const std::vector<std::string_view> base = {"--events", "--sweep", "proximity=50:100:50",
                                              "--columns",
                                              "proximity,hv_residual,hv_itic,c2_jump_c"};
  const auto run = [&base](std::string_view format) {
    std::vector<std::string_view> args = base;
    args.insert(args.end(), {"--format", format});
    const RunResult r = RunInProcess(args);
    EXPECT_EQ(r.status, 0) << r.err;
    return r.out;
  };
  EXPECT_EQ(run("json"),
            "{\"proximity\":50,\"hv_residual\":0.499,\"hv_itic\":\"outside\",\"c2_jump_c\":6.5}\n"
            "{\"proximity\":100,\"hv_residual\":null,\"hv_itic\":\"none\",\"c2_jump_c\":0}\n");
  EXPECT_EQ(run("markdown"),
            "| proximity | hv_residual | hv_itic | c2_jump_c |\n"
            "|----------:|------------:|:--------|----------:|\n"
            "|        50 |       0.499 | outside |       6.5 |\n"
            "|       100 |        none | none    |         0 |\n");
  EXPECT_EQ(run("table"),
            "proximity  hv_residual  hv_itic  c2_jump_c\n"
            "---------  -----------  -------  ---------\n"
            "       50        0.499  outside        6.5\n"
            "      100         none  none             0\n");
  EXPECT_NE(run("latex").find("proximity & hv\\_residual & hv\\_itic & c2\\_jump\\_c \\\\"),
            std::string::npos);

  const RunResult block = RunInProcess({"--events"});
  EXPECT_NE(block.out.find("Dip                             Residual Duration  Jump A  Jump B  "
                           "Jump C    ITIC     F47\n"
                           "Substation HV                     0.499    0.11       0    -7.6     "
                           "7.5 outside outside\n"),
            std::string::npos)
      << block.out;
}

TEST(EventsTest, EveryJobGivesTheSameRowsAndABatchReadsThemBack) {
  const RunResult one = RunInProcess({"--events", "--duration", "0.25", "--inception", "30",
                                      "--sweep", "proximity=0:100:1", "--jobs", "1"});
  const RunResult two = RunInProcess({"--events", "--duration", "0.25", "--inception", "30",
                                      "--sweep", "proximity=0:100:1", "--jobs", "2"});
  ASSERT_EQ(one.status, 0) << one.err;
  EXPECT_EQ(one.out, two.out);
  const RunResult again =
      RunInProcess({"--events", "--duration", "0.25", "--inception", "30", "--batch"}, one.out);
  ASSERT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(again.out, one.out);
}

TEST(EventsTest, WaveformAndRmsAsCsv) {
  const std::string header = "t,hv_a,hv_b,hv_c,mv_a,mv_b,mv_c,c1_a,c1_b,c1_c,c2_a,c2_b,c2_c";
  const RunResult waves = RunInProcess({"--waveform"});
  ASSERT_EQ(waves.status, 0) << waves.err;
  const std::vector<std::string> lines = Lines(waves.out);
  // A cycle before, 0.1 s of fault and three cycles after, 128 samples a cycle.
  ASSERT_EQ(lines.size(), 1u + 1152u);
  EXPECT_EQ(lines[0], header);
  EXPECT_EQ(Fields(lines[1]).at(0), "-0.02");
  EXPECT_EQ(Fields(lines[1]).at(1), "1.4142135623730951");  // the peak of phase A
  EXPECT_EQ(Fields(lines[129]).at(0), "0");
  EXPECT_EQ(Fields(lines.back()).at(0), "0.15984375");  // 1023 / 6400

  const RunResult rms = RunInProcess({"--rms", "--fault", "three"});
  ASSERT_EQ(rms.status, 0) << rms.err;
  const std::vector<std::string> values = Lines(rms.out);
  ASSERT_EQ(values.size(), 1u + 17u);
  EXPECT_EQ(values[0], header);
  EXPECT_EQ(Fields(values[1]).at(0), "0");
  EXPECT_EQ(Fields(values[1]).at(1), "1");
  EXPECT_EQ(Fields(values[3]).at(0), "0.02");
  // A window wholly in the fault gives the phase's magnitude itself.
  const RunResult full = RunInProcess(
      {"--fault", "three", "--columns", "hv_a_mag", "--values", "full", "--format", "csv"});
  EXPECT_EQ(Fields(values[3]).at(1), Lines(full.out).at(1));
}

TEST(EventsTest, ComtradeWritesBothFiles) {
  const std::filesystem::path folder =
      std::filesystem::path(testing::TempDir()) / "dipview-comtrade-test";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  const std::string base = (folder / "sag").string();
  const RunResult run = RunInProcess({"--comtrade", base, "--frequency", "60"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "");
  std::ifstream cfg(base + ".cfg", std::ios::binary);
  std::stringstream text;
  text << cfg.rdbuf();
  EXPECT_EQ(text.str().substr(0, 38), "DIPVIEW,dipview-calc,1999\r\n12,12A,0D\r\n");
  EXPECT_NE(text.str().find("\r\n7680,1280\r\n"), std::string::npos);
  std::ifstream dat(base + ".dat", std::ios::binary);
  std::string line;
  int count = 0;
  while (std::getline(dat, line)) {
    ++count;
  }
  EXPECT_EQ(count, 1280);
  std::filesystem::remove_all(folder);
}

TEST(EventsTest, BadOptionsNameThemselves) {
  const struct {
    std::vector<std::string_view> args;
    std::string message;
  } rows[] = {
      {{"--events", "--duration", "0"},
       "--duration: '0' is out of range; allowed: a number of seconds from 0.001 to 10"},
      {{"--events", "--duration", "10.5"},
       "--duration: '10.5' is out of range; allowed: a number of seconds from 0.001 to 10"},
      {{"--events", "--duration", "0.1s"},
       "--duration: '0.1s' has 's' after the number; allowed: a number of seconds from 0.001 "
       "to 10"},
      {{"--events", "--inception", "-361"},
       "--inception: '-361' is out of range; allowed: a number of degrees from -360 to 360"},
      {{"--events", "--frequency", "50.5"},
       "--frequency: '50.5' is not a line frequency; allowed: 50 or 60"},
      {{"--events", "--samples-per-cycle", "127"},
       "--samples-per-cycle: '127' is not allowed; allowed: an even whole number from 4 to 1024"},
      {{"--events", "--samples-per-cycle", "2"},
       "--samples-per-cycle: '2' is not allowed; allowed: an even whole number from 4 to 1024"},
      {{"--events", "--samples-per-cycle", "1e300"},
       "--samples-per-cycle: '1e300' is not allowed; allowed: an even whole number from 4 to "
       "1024"},
      {{"--inception", "90"},
       "--inception sets how the sag runs in time; give --events, --waveform, --rms or "
       "--comtrade too"},
      {{"--waveform", "--batch"},
       "--waveform writes the samples of one state; it cannot be used with --batch"},
      {{"--rms", "--sweep", "proximity=0:100:50"},
       "--rms writes the samples of one state; it cannot be used with --sweep"},
      {{"--comtrade", "x", "--classify"},
       "--comtrade writes samples instead of rows; it cannot be used with --classify"},
      {{"--waveform", "--format", "json"},
       "--waveform writes samples instead of rows; it cannot be used with --format"},
      {{"--events", "--png", "x.png"},
       "--events adds output columns; --png writes a picture instead of rows"},
      {{"--events", "--duration", "0.1", "--plot", "x.png"},
       "--events adds output columns; --plot writes a picture instead of rows"},
      {{"--duration", "0.1", "--plot", "x.png", "--batch"},
       "--plot draws the sag in time of one state; it cannot be used with --batch"},
      {{"--duration", "0.1", "--plot", "x.png", "--sweep", "proximity=0:100:50"},
       "--duration sets how the sag runs in time; give --events, --waveform, --rms or "
       "--comtrade too"},
      {{"--duration", "0.1", "--plot", "x.png", "--waveform"},
       "--waveform writes samples instead of rows; it cannot be used with --plot"},
      {{"--comtrade="}, "--comtrade: an empty file name; allowed: a file name without extension"},
  };
  for (const auto& row : rows) {
    const RunResult run = RunInProcess(row.args);
    EXPECT_EQ(run.status, 2) << row.message;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "dipview-calc: " + row.message + "\n");
  }
  // The ends of each range are allowed.
  for (const auto& args :
       std::vector<std::vector<std::string_view>>{{"--duration", "0.001"},
                                                  {"--duration", "10"},
                                                  {"--inception", "-360"},
                                                  {"--inception", "360"},
                                                  {"--samples-per-cycle", "4"},
                                                  {"--samples-per-cycle", "1024"},
                                                  {"--frequency", "60"}}) {
    std::vector<std::string_view> withEvents = args;
    withEvents.push_back("--events");
    EXPECT_EQ(RunInProcess(withEvents).status, 0) << args[0] << " " << args[1];
  }
}

}  // namespace
}  // namespace dipview::calc

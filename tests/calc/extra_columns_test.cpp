// --classify and --line-to-line: the columns they add in each format.
#include <gtest/gtest.h>

#include "calc_test_support.h"

namespace dipview::calc {
namespace {

constexpr std::string_view kClassifyColumns =
    "hv_type,hv_v,hv_f,hv_jump,hv_textbook,mv_type,mv_v,mv_f,mv_jump,mv_textbook,c1_type,c1_v,c1_f,"
    "c1_jump,c1_textbook,c2_type,c2_v,c2_f,c2_jump,c2_textbook";
constexpr std::string_view kLineToLineColumns =
    "hv_ab_mag,hv_ab_ang,hv_bc_mag,hv_bc_ang,hv_ca_mag,hv_ca_ang,"
    "mv_ab_mag,mv_ab_ang,mv_bc_mag,mv_bc_ang,mv_ca_mag,mv_ca_ang,"
    "c1_ab_mag,c1_ab_ang,c1_bc_mag,c1_bc_ang,c1_ca_mag,c1_ca_ang,"
    "c2_ab_mag,c2_ab_ang,c2_bc_mag,c2_bc_ang,c2_ca_mag,c2_ca_ang";

// The part after the 40 standard columns of a CSV line.
std::string Extra(const std::string& line) {
  std::size_t at = 0;
  for (int i = 0; i < 40; ++i) {
    at = line.find(',', at) + 1;
  }
  return line.substr(at);
}

// The extra header and fields of a one-state CSV run.
std::pair<std::string, std::string> ExtraCsv(std::vector<std::string_view> args) {
  args.push_back("--format=csv");
  const RunResult run = RunInProcess(args);
  EXPECT_EQ(run.status, 0) << run.err;
  const std::vector<std::string> lines = Lines(run.out);
  return {Extra(lines.at(0)), Extra(lines.at(1))};
}

TEST(ClassifyTest, NamesEachBusWithVAndF) {
  const struct Row {
    std::vector<std::string_view> args;
    const char* fields;
  } rows[] = {
      // One phase down at Substation HV, two below the first DY, and so on.
      // V = 7/9 is written 0.778 and F = 1 as 1, where a cut would give 0.777
      // and 0.999. With Z0 = 2.5 Z12, V0 is not V2: not the textbook's B.
      {{}, "B_a,0.778,1,0,-,C_c,0.778,1,0,C_c,D_b,0.778,1,0,D_b,C_a,0.778,1,0,C_a"},
      {{"--z0-ratio", "1", "--proximity", "0"},
       "B_a,0.333,1,0,B_a,C_c,0.333,1,0,C_c,D_b,0.333,1,0,D_b,C_a,0.333,1,0,C_a"},
      // A YY passes the zero sequence and does not turn the set.
      {{"--z0-ratio", "1", "--proximity", "0", "--transformers", "YY,DY,YY"},
       "B_a,0.333,1,0,B_a,B_a,0.333,1,0,B_a,C_c,0.333,1,0,C_c,C_c,0.333,1,0,C_c"},
      {{"--fault", "phase-phase", "--proximity", "0"},
       "C_a,0,1,0,C_a,D_c,0,1,0,D_c,C_b,0,1,0,C_b,D_a,0,1,0,D_a"},
      {{"--fault", "three"}, "A,0.5,0.5,0,A,A,0.5,0.5,0,A,A,0.5,0.5,0,A,A,0.5,0.5,0,A"},
      {{"--proximity", "100"}, "none,1,1,0,none,none,1,1,0,none,none,1,1,0,none,none,1,1,0,none"},
      // The symmetrical components cannot tell E, F and G from C and D; the
      // textbook types can. A DD removes V0 and turns nothing.
      {{"--fault", "two-phase-ground", "--z0-ratio", "1"},
       "C_a,0.5,0.833,0,E_a,D_c,0.5,0.833,0,F_c,C_b,0.5,0.833,0,G_b,D_a,0.5,0.833,0,F_a"},
      {{"--fault", "two-phase-ground", "--z0-ratio", "1", "--transformers", "DD,YY,DY"},
       "C_a,0.5,0.833,0,E_a,C_a,0.5,0.833,0,G_a,C_a,0.5,0.833,0,G_a,D_c,0.5,0.833,0,F_c"},
      {{"--z0-ratio", "1", "--transformers", "YY,DD,DY"},
       "B_a,0.667,1,0,B_a,B_a,0.667,1,0,B_a,D_a,0.667,1,0,D_a,C_c,0.667,1,0,C_c"},
      // Through a resistance the two definitions part: ZF = -0.2j at the source
      // gives V = 1 - 2I with I = 1/(3 - 0.6j), 0.381 at -19.7 degrees, and F = 1,
      // where |V1| - |V2| and |V1| + |V2| are 0.356 and 1.009.
      {{"--z0-ratio", "1", "--proximity", "0", "--zf-ratio", "0.2", "--zf-angle", "0"},
       "B_a,0.381,1,-19.7,B_a,C_c,0.381,1,-19.7,C_c,D_b,0.381,1,-19.7,D_b,C_a,0.381,1,-19.7,C_a"},
      // V = V1 = (1 - j)/2 through ZF = -j, 45 degrees behind the pre-fault voltage,
      // which a YY does not turn and a DY turns with it.
      {{"--fault", "three", "--proximity", "0", "--zf-ratio", "1", "--zf-angle", "0",
        "--transformers", "DY,YY,DY"},
       "A,0.707,0.707,-45,A,A,0.707,0.707,-45,A,A,0.707,0.707,-45,A,A,0.707,0.707,-45,A"},
  };
  for (const Row& row : rows) {
    std::vector<std::string_view> args = row.args;
    args.push_back("--classify");
    const auto [header, fields] = ExtraCsv(args);
    EXPECT_EQ(header, kClassifyColumns);
    EXPECT_EQ(fields, row.fields);
  }
}

// The phases column only where phases are named, right after fault.
TEST(PhasesTest, ColumnFollowsFaultAndTheCaptionNamesThePhases) {
  RunResult run = RunInProcess({"--phases", "b", "--format", "csv", "--classify"});
  ASSERT_EQ(run.status, 0) << run.err;
  std::vector<std::string> lines = Lines(run.out);
  EXPECT_TRUE(lines.at(0).starts_with("fault,phases,z12_angle,")) << lines[0];
  // Phase B down: |Vb| = 0.5 at -120 degrees, the others turned from the fault on A.
  EXPECT_TRUE(lines.at(1).starts_with("single,b,90,90,90,2.5,0,50,DY,DY,DY,1.092,7.5,0.499,-120,"))
      << lines[1];
  EXPECT_TRUE(
      lines[1].ends_with(",B_b,0.778,1,0,-,C_a,0.778,1,0,C_a,D_c,0.778,1,0,D_c,C_b,0.778,1,0,C_b"))
      << lines[1];
  run = RunInProcess({"--fault", "two-phase-ground", "--phases", "ca", "--format", "json"});
  EXPECT_TRUE(
      run.out.starts_with("{\"fault\":\"two-phase-ground\",\"phases\":\"ca\",\"z12_angle\""))
      << run.out;
  run = RunInProcess({"--fault", "two-phase-ground", "--phases", "ca"});
  EXPECT_TRUE(run.out.starts_with("Fault:         Two-Phase-to-Ground (Phases C and A)\n"))
      << run.out;
  run = RunInProcess({"--fault", "phase-phase", "--phases", "ab", "--transformers", "DD,YY,DY"});
  EXPECT_TRUE(run.out.starts_with("Fault:         Phase-to-Phase (Phase A to B)\n")) << run.out;
  EXPECT_NE(run.out.find("Transformers:  HV-MV DD, MV-C1 YY, C1-C2 DY\n"), std::string::npos);
  // A batch header with phases adds the column; the rows take their own fault's phases.
  run = RunInProcess({"--batch"}, "phases,fault\nc,single\nab,two-phase-ground\nabc,three\n");
  ASSERT_EQ(run.status, 0) << run.err;
  lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_TRUE(lines[0].starts_with("fault,phases,z12_angle,"));
  EXPECT_TRUE(lines[1].starts_with("single,c,"));
  EXPECT_TRUE(lines[2].starts_with("two-phase-ground,ab,"));
  EXPECT_TRUE(lines[3].starts_with("three,abc,"));
  // Without the column a row keeps the phase --phases treats apart.
  run = RunInProcess({"--batch", "--phases", "b"}, "fault\nphase-phase\n");
  EXPECT_TRUE(Lines(run.out).at(1).starts_with("phase-phase,ca,")) << run.out;
}

TEST(LineToLineTest, HealthyAndBoltedSets) {
  // sqrt(3) at +30, -90 and +150 degrees, turned 30 degrees back at each DY;
  // the phase angles come out of single-precision steps a hair below the round
  // figures, and the cut takes them down: 29.9 for 30, -90.1 for -90.
  const auto [header, healthy] = ExtraCsv({"--line-to-line", "--proximity", "100"});
  EXPECT_EQ(header, kLineToLineColumns);
  EXPECT_EQ(healthy,
            "1.732,29.9,1.732,-90.1,1.732,150,1.732,-0.1,1.732,-120.1,1.732,120,"
            "1.732,-30.1,1.732,-150.1,1.732,90,1.732,-60.1,1.732,179.9,1.732,60");
  // Va = 0 at Substation HV: Vab = -Vb = 1 at 60, Vbc = sqrt(3) at -90, Vca = Vc.
  const std::string bolted = ExtraCsv({"--line-to-line", "--z0-ratio=1", "--proximity=0"}).second;
  EXPECT_TRUE(bolted.starts_with("1,60,1.732,-90,0.999,120,")) << bolted;
}

TEST(ExtraColumnsTest, BatchRowsCarryBothInOrder) {
  const RunResult run = RunInProcess({"--batch", "--line-to-line", "--classify"},
                                     "fault,proximity\nthree,50\nsingle,50\n");
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<std::string> rows = Lines(run.out);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(Extra(rows[0]), std::string(kClassifyColumns) + "," + std::string(kLineToLineColumns));
  EXPECT_TRUE(Extra(rows[1]).starts_with("A,0.5,0.5,0,A,")) << rows[1];
  EXPECT_TRUE(Extra(rows[2]).starts_with(
      "B_a,0.778,1,0,-,C_c,0.778,1,0,C_c,D_b,0.778,1,0,D_b,C_a,0.778,1,0,C_a,"
      "1.452,36.5,1.732,-90,"))
      << rows[2];
}

TEST(ExtraColumnsTest, JsonFieldsAndTableSections) {
  const RunResult json = RunInProcess({"--classify", "--line-to-line", "--format", "json"});
  EXPECT_NE(
      json.out.find("\"v2_ang\":179.9,\"hv_type\":\"B_a\",\"hv_v\":0.778,\"hv_f\":1,\"hv_jump\":0,"
                    "\"hv_textbook\":\"-\",\"mv_type\":\"C_c\","),
      std::string::npos)
      << json.out;
  EXPECT_TRUE(json.out.ends_with(",\"c2_ca_mag\":1.644,\"c2_ca_ang\":65.8}\n")) << json.out;

  const RunResult table = RunInProcess({"--line-to-line", "--classify"});
  EXPECT_TRUE(table.out.ends_with(
      "Substation HV                     0.277    -180   0.888       0   0.111   179.9\n"
      "\n"
      "Sag type                           Type     |V|     |F|    Jump Textbook\n"
      "Substation HV                       B_a   0.778       1       0       -\n"
      "Substation MV and Along Feeder      C_c   0.778       1       0     C_c\n"
      "Customer Level 1                    D_b   0.778       1       0     D_b\n"
      "Customer Level 2                    C_a   0.778       1       0     C_a\n"
      "\n"
      "Line-to-line voltages             |Vab| Vab deg   |Vbc| Vbc deg   |Vca| Vca deg\n"
      "Substation HV                     1.452    36.5   1.732     -90   1.452   143.4\n"
      "Substation MV and Along Feeder    1.347       0   1.644  -114.2   1.644   114.1\n"
      "Customer Level 1                  1.452   -36.6   1.452  -143.5   1.732      90\n"
      "Customer Level 2                  1.644   -65.9   1.347    -180   1.644    65.8\n"))
      << table.out;
}

}  // namespace
}  // namespace dipview::calc

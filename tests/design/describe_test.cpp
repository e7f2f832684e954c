#include <gtest/gtest.h>

#include "compute/transformer.h"
#include "design/describe.h"

namespace dipview::design {
namespace {

TEST(DescribeTest, ReadoutTips) {
  struct Row {
    int bus, element;
    const char* text;
    const char* tip;
  };
  const Row rows[] = {
      {2, 2, "0.777", "Customer Level 1, phase B: magnitude 0.777 pu (cut down to 0.001)"},
      {0, 3, "-127.6", "Substation HV, phase B: angle -127.6 degrees (cut down to 0.1)"},
      {1, 0, "0", "Substation MV and Along Feeder, phase A: magnitude 0 pu (cut down to 0.001)"},
      {3, 5, "36.5", "Customer Level 2, phase C: angle 36.5 degrees (cut down to 0.1)"},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(ReadoutTip(r.bus, r.element, r.text), r.tip);
  }
}

// The start-up fault, single phase A, is B_a at Substation HV and turns by
// 60 degrees at each DY: C_c, D_b, C_a. V = V1 + V2 = 0.889 - 0.111 and
// F = V1 - V2, in phase with the pre-fault voltage; its zero sequence leaves
// Substation HV none of the textbook's seven.
TEST(DescribeTest, BusAndSequenceTipsAtStartUp) {
  const PassVoltages pass = ComputeVoltages(FaultInputs{});
  const char* const buses[4] = {
      "Substation HV: sag type B_a, |V| 0.778 pu, |F| 1 pu, jump 0 degrees; textbook type none "
      "of A to G",
      "Substation MV and Along Feeder: sag type C_c, |V| 0.778 pu, |F| 1 pu, jump 0 degrees; "
      "textbook type C_c",
      "Customer Level 1: sag type D_b, |V| 0.778 pu, |F| 1 pu, jump 0 degrees; textbook type D_b",
      "Customer Level 2: sag type C_a, |V| 0.778 pu, |F| 1 pu, jump 0 degrees; textbook type C_a",
  };
  for (int bus = 0; bus < 4; ++bus) {
    EXPECT_EQ(BusTip(bus, pass.busVoltages[bus], PrefaultAngle(static_cast<Bus>(bus + 1), {})),
              buses[bus]);
  }
  EXPECT_EQ(SequenceTip(0, pass.sequenceAtHV),
            "V0, the zero-sequence voltage at Substation HV: 0.277 pu at -180 degrees");
  EXPECT_EQ(SequenceTip(1, pass.sequenceAtHV),
            "V1, the positive-sequence voltage at Substation HV: 0.888 pu at 0 degrees");
  EXPECT_EQ(SequenceTip(2, pass.sequenceAtHV),
            "V2, the negative-sequence voltage at Substation HV: 0.111 pu at 179.9 degrees");
  // Through ZF = -j at the source: V = F = V1 = (1 - j)/2, 45 degrees behind
  // the pre-fault voltage below three DYs too.
  FaultInputs three;
  three.faultType = FaultType::ThreePhase;
  three.proximity = 0;
  three.zfRatio = 1.0;
  three.zfAngleDeg = 0.0;
  EXPECT_EQ(
      BusTip(3, ComputeVoltages(three).busVoltages[3], PrefaultAngle(Bus::CustomerLevel2, three)),
      "Customer Level 2: sag type A, |V| 0.707 pu, |F| 0.707 pu, jump -45 degrees; textbook "
      "type A");
}

TEST(DescribeTest, ControlTipsSayWhatTheySetAndTheRange) {
  struct Row {
    const char* name;
    const char* tip;
  };
  const Row rows[] = {
      {"Z12_Angle",
       "Sets the Z12 angle, the angle of the positive- and negative-sequence impedance: 0 to "
       "90 degrees, 1 per arrow click and 10 per page"},
      {"ZF_Angle_Text",
       "Shows the ZF angle, the angle of the fault impedance in degrees, 0 to 90, as its scroll "
       "bar sets it"},
      {"Proximity",
       "Sets the relative distance from Substation HV to the fault, in percent: 0 to 100, 1 per "
       "arrow click and 10 per page (0 is close, 100 is far)"},
      {"Z0_Z12_opt(1)",
       "Sets the Z0/Z12 ratio, the size of the zero-sequence impedance relative to Z12, to 2.5 "
       "(choices 3.0 to 0.5)"},
      {"ZF_Z12_opt(6)",
       "Sets the ZF/Z12 ratio, the size of the fault impedance relative to Z12, to 0.0 (choices "
       "3.0 to 0.0)"},
      {"Phase_Phase(1)",
       "Sets the fault on the transmission system to Phase-to-Phase (Phase B to C) (choices: "
       "single phase, phase-to-phase, three phase)"},
      {"MV_C1_Trans(1)",
       "Sets the transformer from Substation MV to Customer Level 1 to YY (choices DY and YY)"},
      {"VC1_Text(2)", ""},
      {"Frame2(0)", ""},
      {"Top_Label", ""},
  };
  for (const Row& r : rows) {
    const Control* c = FindControl(r.name);
    ASSERT_NE(c, nullptr) << r.name;
    EXPECT_EQ(ControlTip(*c), r.tip) << r.name;
  }
  int withTips = 0;
  for (const Control& c : DesignTable()) {
    withTips += ControlTip(c).empty() ? 0 : 1;
  }
  // 3 angle bars and their texts, proximity and its text, 6 + 7 ratios,
  // 3 faults, 3 x 2 transformers.
  EXPECT_EQ(withTips, 8 + 13 + 3 + 6);
}

TEST(DescribeTest, ReadoutTableAtStartUp) {
  EXPECT_EQ(ReadoutTable(ComputeVoltages(FaultInputs{})),
            "bus\tphase\t|V| pu\tangle deg\n"
            "Substation HV\tA\t0.499\t0\n"
            "Substation HV\tB\t1.092\t-127.6\n"
            "Substation HV\tC\t1.092\t127.5\n"
            "Substation MV and Along Feeder\tA\t0.838\t-36.6\n"
            "Substation MV and Along Feeder\tB\t0.838\t-143.5\n"
            "Substation MV and Along Feeder\tC\t0.999\t90\n"
            "Customer Level 1\tA\t0.949\t-65.9\n"
            "Customer Level 1\tB\t0.777\t-180\n"
            "Customer Level 1\tC\t0.949\t65.8\n"
            "Customer Level 2\tA\t0.999\t-90.1\n"
            "Customer Level 2\tB\t0.838\t143.4\n"
            "Customer Level 2\tC\t0.838\t36.5\n"
            "Substation HV\tV0\t0.277\t-180\n"
            "Substation HV\tV1\t0.888\t0\n"
            "Substation HV\tV2\t0.111\t179.9\n");
}

}  // namespace
}  // namespace dipview::design

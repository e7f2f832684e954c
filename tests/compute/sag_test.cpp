#include "compute/sag.h"

#include <array>
#include <cmath>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "compute/transformer.h"

namespace dipview {
namespace {

constexpr double kDeg = kPi / 180.0;
constexpr FaultType SP = FaultType::SinglePhase;
constexpr FaultType PP = FaultType::PhaseToPhase;
constexpr FaultType TP = FaultType::ThreePhase;

PhaseTriple Set(double magA, double angA, double magB, double angB, double magC, double angC) {
  return {{magA, angA * kDeg}, {magB, angB * kDeg}, {magC, angC * kDeg}};
}

// Z0/Z12 1.0 and all DY unless given; angles 90 but for ZF.
FaultInputs Fault(FaultType type, int proximity, double zfRatio, double zfAngleDeg = 90,
                  TransformerConnection hvMv = TransformerConnection::DY) {
  FaultInputs in;
  in.faultType = type;
  in.proximity = static_cast<std::int16_t>(proximity);
  in.zfRatio = zfRatio;
  in.zfAngleDeg = zfAngleDeg;
  in.z0Ratio = 1.0f;
  in.hvMvConnection = hvMv;
  return in;
}

// Loose enough for the 0.001-degree offset the fault models put on the Z0 and ZF angles.
void ExpectPhasor(Phasor p, double magnitude, double angleDeg) {
  EXPECT_NEAR(p.magnitude, magnitude, 1e-5);
  EXPECT_NEAR(std::remainder(p.angle / kDeg - angleDeg, 360.0), 0.0, 1e-3);
}

// V, F and the deviation are worked by hand with Z12 = 1 (angles relative to it). A DY keeps
// |V1| and |V2| and adds 60 degrees to arg(V2/V1), so they hold at all four buses.
struct ChainRow {
  const char* name;
  FaultInputs inputs;
  std::array<const char*, 4> types;  // Substation HV to Customer Level 2
  double v, f, deviationDeg;
};

std::ostream& operator<<(std::ostream& os, const ChainRow& row) {
  return os << row.name;
}

class SagChainTest : public testing::TestWithParam<ChainRow> {};

TEST_P(SagChainTest, ClassifiesEveryBus) {
  const ChainRow& row = GetParam();
  const PassVoltages r = ComputeVoltages(row.inputs);
  for (int bus = 0; bus < 4; ++bus) {
    SCOPED_TRACE(bus + 1);
    const SagClass s = ClassifySag(r.busVoltages[bus]);
    EXPECT_EQ(SagName(s), row.types[bus]);
    EXPECT_NEAR(s.characteristicVoltage, row.v, 1e-5);
    EXPECT_NEAR(s.pnFactor, row.f, 1e-5);
    EXPECT_NEAR(s.angleDeviationDeg, row.deviationDeg, 0.01);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, SagChainTest,
    testing::Values(
        // I = 1/(Z1 + Z2 + Z0) = 1/3: V1 = 1 - I = 2/3, V2 = V0 = -I = -1/3, so V = 1/3,
        // F = 1, arg(V2/V1) = 180: a D_a, and with V0 a B_a.
        ChainRow{
            "BoltedSinglePhase", Fault(SP, 0, 0.0), {"B_a", "C_c", "D_b", "C_a"}, 1.0 / 3, 1, 0},
        // A YY passes V0 on, so the B reaches Substation MV.
        ChainRow{"SinglePhaseThroughYY",
                 Fault(SP, 0, 0.0, 90, TransformerConnection::YY),
                 {"B_a", "B_a", "C_c", "D_b"},
                 1.0 / 3,
                 1,
                 0},
        // Half of Z12 above the bus, I = 1/(2 + 2.5): V1 = 1 - I/2 = 8/9, V2 = -I/2 = -1/9.
        ChainRow{"StartUp", FaultInputs{}, {"B_a", "C_c", "D_b", "C_a"}, 7.0 / 9, 1, 0},
        // ZF = -0.2j: V2/V1 = -I/(1 - I) = -1/(2 - 0.6j), 16.699 degrees past 180;
        // |V1| = sqrt(4.36/9.36), |V2| = 1/sqrt(9.36).
        ChainRow{"SinglePhaseThroughResistance",
                 Fault(SP, 0, 0.2, 0),
                 {"B_a", "C_c", "D_b", "C_a"},
                 0.355644,
                 1.009364,
                 16.699},
        // I = 1/(Z1 + Z2) = 1/2: V1 = V2 = 1/2, so V = 0, F = 1, arg(V2/V1) = 0: C_a.
        ChainRow{"BoltedPhaseToPhase", Fault(PP, 0, 0.0), {"C_a", "D_c", "C_b", "D_a"}, 0, 1, 0},
        // ZF = -0.2j: V2/V1 = 1/(1 + ZF), 11.310 degrees, and past 180 it wraps to -168.690;
        // |V1| = sqrt(1.04/4.04), |V2| = 1/sqrt(4.04).
        ChainRow{"PhaseToPhaseThroughResistance",
                 Fault(PP, 0, 0.2, 0),
                 {"C_a", "D_c", "C_b", "D_a"},
                 0.009853,
                 1.004890,
                 11.310},
        // V1 = 1 - 1/2 all the way down, V2 = 0.
        ChainRow{"ThreePhaseHalfway", Fault(TP, 50, 0.0), {"A", "A", "A", "A"}, 0.5, 0.5, 0},
        // ZF = -j: V1 = ZF/(1 + ZF), |V1| = 1/sqrt(2).
        ChainRow{"ThreePhaseThroughResistance",
                 Fault(TP, 0, 1.0, 0),
                 {"A", "A", "A", "A"},
                 0.707107,
                 0.707107,
                 0},
        // Nothing left of the fault; below each DY the healthy set is only turned.
        ChainRow{"FarEnd", Fault(SP, 100, 0.0), {"none", "none", "none", "none"}, 1, 1, 0}),
    [](const testing::TestParamInfo<ChainRow>& info) { return std::string(info.param.name); });

TEST(SagClassTest, ZeroSequenceMakesTheB) {
  const PassVoltages r = ComputeVoltages(Fault(SP, 0, 0.0));
  const SagClass hv = ClassifySag(r.busVoltages[0]);
  EXPECT_EQ(hv.type, SagType::B);
  EXPECT_EQ(hv.phase, 'a');
  EXPECT_NEAR(hv.zeroSequence, 1.0 / 3, 1e-6);
  EXPECT_LT(ClassifySag(r.busVoltages[2]).zeroSequence, 1e-6);
}

TEST(SagClassTest, SmallestVisibleChangeIsASag) {
  EXPECT_EQ(SagName(ClassifySag(Set(0.9995, 0, 1, -120, 1, 120))), "none");
  // V0 = V2 = -0.002/3: far below the readout step, yet one phase is down.
  EXPECT_EQ(SagName(ClassifySag(Set(0.998, 0, 1, -120, 1, 120))), "B_a");
  const SagClass balanced = ClassifySag(Set(0.998, 0, 0.998, -120, 0.998, 120));
  EXPECT_EQ(SagName(balanced), "A");
  EXPECT_DOUBLE_EQ(balanced.characteristicVoltage, balanced.pnFactor);
  EXPECT_NEAR(balanced.pnFactor, 0.998, 1e-12);
}

TEST(SagClassTest, TurningTheWholeSetChangesNothing) {
  const PhaseTriple v = ComputeVoltages(FaultInputs{}).busVoltages[0];
  const SagClass turned = ClassifySag({{v.a.magnitude, v.a.angle + 1},
                                       {v.b.magnitude, v.b.angle + 1},
                                       {v.c.magnitude, v.c.angle + 1}});
  const SagClass s = ClassifySag(v);
  EXPECT_EQ(SagName(turned), SagName(s));
  EXPECT_NEAR(turned.characteristicVoltage, s.characteristicVoltage, 1e-12);
  EXPECT_NEAR(turned.angleDeviationDeg, s.angleDeviationDeg, 1e-9);
}

TEST(SagClassTest, NonFiniteInputIsInvalidAndHugeInputIsNot) {
  constexpr double inf = std::numeric_limits<double>::infinity();
  for (const PhaseTriple& v : {Set(1, 0, 1, std::nan(""), 1, 120), Set(1, 0, 1, -120, inf, 120)}) {
    const SagClass s = ClassifySag(v);
    EXPECT_EQ(SagName(s), "invalid");
    EXPECT_TRUE(std::isnan(s.pnFactor));
  }
  const SagClass huge = ClassifySag(Set(1e308, 1e300, -1e308, 0, 1e-308, 7));
  EXPECT_NE(huge.type, SagType::Invalid);
  EXPECT_LE(std::fabs(huge.angleDeviationDeg), 30.0);
}

TEST(SagClassTest, NamesCarryThePhase) {
  EXPECT_EQ(SagName({SagType::C, 'b'}), "C_b");
  EXPECT_EQ(SagName({SagType::D, 0}), "D");
  EXPECT_EQ(SagName({SagType::A, 'a'}), "A");
  EXPECT_EQ(SagName({SagType::Invalid}), "invalid");
}

TEST(SagLineToLineTest, HealthySetGivesRootThreeAheadByThirtyDegrees) {
  const LineToLine v = LineToLineVoltages(Set(1, 0, 1, -120, 1, 120));
  ExpectPhasor(v.ab, std::sqrt(3.0), 30);
  ExpectPhasor(v.bc, std::sqrt(3.0), -90);
  ExpectPhasor(v.ca, std::sqrt(3.0), 150);
}

TEST(SagLineToLineTest, BoltedFaultsAtSubstationHV) {
  // Va = 0: Vab = -Vb and Vca = Vc; Vbc is untouched.
  LineToLine v = LineToLineVoltages(ComputeVoltages(Fault(SP, 0, 0.0)).busVoltages[0]);
  ExpectPhasor(v.ab, 1, 60);
  ExpectPhasor(v.bc, std::sqrt(3.0), -90);
  ExpectPhasor(v.ca, 1, 120);
  // Vb = Vc = -1/2: Vab = 1.5 and Vca = -1.5.
  v = LineToLineVoltages(ComputeVoltages(Fault(PP, 0, 0.0)).busVoltages[0]);
  ExpectPhasor(v.ab, 1.5, 0);
  EXPECT_LT(v.bc.magnitude, 1e-6);
  ExpectPhasor(v.ca, 1.5, 180);
}

TEST(SagLineToLineTest, ExactlyZeroPointsNowhere) {
  const LineToLine v = LineToLineVoltages(Set(1, 0, 0.5, 180, 0.5, 180));
  EXPECT_EQ(v.bc, (Phasor{0.0, 0.0}));
}

}  // namespace
}  // namespace dipview

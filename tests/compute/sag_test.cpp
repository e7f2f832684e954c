#include "compute/sag.h"

#include <array>
#include <cmath>
#include <complex>
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

// |V|, |F|, the jump of V and the deviation are worked by hand with Z12 = 1 (angles
// relative to it). A DY keeps |V1| and |V2|, adds 60 degrees to arg(V2/V1) and turns V
// with the pre-fault voltage, so they hold at all four buses.
struct ChainRow {
  const char* name;
  FaultInputs inputs;
  std::array<const char*, 4> types;  // Substation HV to Customer Level 2
  double v, f, deviationDeg, jumpDeg;
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
    const SagClass s =
        ClassifySag(r.busVoltages[bus], PrefaultAngle(static_cast<Bus>(bus + 1), row.inputs));
    EXPECT_EQ(SagName(s), row.types[bus]);
    EXPECT_NEAR(s.characteristicVoltage, row.v, 1e-5);
    EXPECT_NEAR(s.pnFactor, row.f, 1e-5);
    EXPECT_NEAR(s.angleDeviationDeg, row.deviationDeg, 0.01);
    EXPECT_NEAR(s.phaseAngleJumpDeg, row.jumpDeg, 0.01);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, SagChainTest,
    testing::Values(
        // I = 1/(Z1 + Z2 + Z0) = 1/3: V1 = 1 - I = 2/3, V2 = V0 = -I = -1/3, arg(V2/V1) =
        // 180: a D_a, and with V0 a B_a; V = V1 + V2 = 1/3, F = V1 - V2 = 1.
        ChainRow{
            "BoltedSinglePhase", Fault(SP, 0, 0.0), {"B_a", "C_c", "D_b", "C_a"}, 1.0 / 3, 1, 0, 0},
        // A YY passes V0 on, so the B reaches Substation MV.
        ChainRow{"SinglePhaseThroughYY",
                 Fault(SP, 0, 0.0, 90, TransformerConnection::YY),
                 {"B_a", "B_a", "C_c", "D_b"},
                 1.0 / 3,
                 1,
                 0,
                 0},
        // Half of Z12 above the bus, I = 1/(2 + 2.5): V1 = 1 - I/2 = 8/9, V2 = -I/2 = -1/9.
        ChainRow{"StartUp", FaultInputs{}, {"B_a", "C_c", "D_b", "C_a"}, 7.0 / 9, 1, 0, 0},
        // ZF = -0.2j, I = 1/(3 - 0.6j): V2/V1 = -I/(1 - I) = -1/(2 - 0.6j), 16.699 degrees
        // past 180, so V = V1 + V2 = 1 - 2I = (3.36 - 1.2j)/9.36 and F = V1 - V2 = 1. The
        // magnitudes alone would give |V1| - |V2| = 0.355644 and |V1| + |V2| = 1.009364.
        ChainRow{"SinglePhaseThroughResistance",
                 Fault(SP, 0, 0.2, 0),
                 {"B_a", "C_c", "D_b", "C_a"},
                 0.381181,
                 1,
                 16.699,
                 -19.654},
        // I = 1/(Z1 + Z2) = 1/2: V1 = V2 = 1/2, so V = 0, F = 1, arg(V2/V1) = 0: C_a.
        ChainRow{"BoltedPhaseToPhase", Fault(PP, 0, 0.0), {"C_a", "D_c", "C_b", "D_a"}, 0, 1, 0, 0},
        // ZF = -0.2j, I = 1/(2 - 0.2j): V2/V1 = I/(1 - I) = 1/(1 + ZF), 11.310 degrees, so
        // V = V1 - V2 = 1 - 2I = (0.04 - 0.4j)/4.04 and F = V1 + V2 = 1. The magnitudes
        // alone would give 0.009853 and 1.004890.
        ChainRow{"PhaseToPhaseThroughResistance",
                 Fault(PP, 0, 0.2, 0),
                 {"C_a", "D_c", "C_b", "D_a"},
                 0.099504,
                 1,
                 11.310,
                 -84.289},
        // V1 = 1 - 1/2 all the way down, V2 = 0.
        ChainRow{"ThreePhaseHalfway", Fault(TP, 50, 0.0), {"A", "A", "A", "A"}, 0.5, 0.5, 0, 0},
        // ZF = -j: V = F = V1 = ZF/(1 + ZF) = (1 - j)/2, 45 degrees behind the pre-fault voltage.
        ChainRow{"ThreePhaseThroughResistance",
                 Fault(TP, 0, 1.0, 0),
                 {"A", "A", "A", "A"},
                 0.707107,
                 0.707107,
                 0,
                 -45},
        // Nothing left of the fault; below each DY the healthy set is only turned.
        ChainRow{"FarEnd", Fault(SP, 100, 0.0), {"none", "none", "none", "none"}, 1, 1, 0, 0}),
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

// The textbook table: each bolted fault with Z0 = Z12 and equal angles at
// Substation HV and below one transformer (Bollen, table of sag types).
struct TextbookRow {
  const char* name;
  FaultType type;
  bool toGround;
  Phase phase;
  std::array<const char*, 4> types;  // Substation HV, then below a YY, a DD, a DY
};

std::ostream& operator<<(std::ostream& os, const TextbookRow& row) {
  return os << row.name;
}

class TextbookTableTest : public testing::TestWithParam<TextbookRow> {};

TEST_P(TextbookTableTest, BoltedFaultsThroughEachConnection) {
  const TextbookRow& row = GetParam();
  for (int proximity : {0, 50, 90}) {
    FaultInputs in = Fault(row.type, proximity, 0.0);
    in.toGround = row.toGround;
    in.faultedPhase = row.phase;
    const TransformerConnection connections[3] = {
        TransformerConnection::YY, TransformerConnection::DD, TransformerConnection::DY};
    const PhaseTriple hv = ComputeVoltages(in).busVoltages[0];
    const TextbookClass top = ClassifyTextbook(hv);
    EXPECT_EQ(TextbookName(top), row.types[0]) << proximity;
    // Far inside the tolerance; the single-phase fault's 0.001-degree Z0 offset leaves 5e-6.
    EXPECT_LT(top.maxDeviation, 1e-5);
    for (int k = 0; k < 3; ++k) {
      in.hvMvConnection = connections[k];
      const TextbookClass below = ClassifyTextbook(ComputeVoltages(in).busVoltages[1]);
      EXPECT_EQ(TextbookName(below), row.types[k + 1]) << proximity << " connection " << k;
      EXPECT_LT(below.maxDeviation, 1e-5);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Bolted, TextbookTableTest,
    testing::Values(
        TextbookRow{"ThreePhase", TP, false, Phase::A, {"A", "A", "A", "A"}},
        TextbookRow{"SinglePhase", SP, false, Phase::A, {"B_a", "B_a", "D_a", "C_c"}},
        TextbookRow{"PhaseToPhase", PP, false, Phase::A, {"C_a", "C_a", "C_a", "D_c"}},
        TextbookRow{"TwoPhaseToGround", PP, true, Phase::A, {"E_a", "E_a", "G_a", "F_c"}},
        TextbookRow{"SinglePhaseOnB", SP, false, Phase::B, {"B_b", "B_b", "D_b", "C_a"}},
        TextbookRow{"PhaseToPhaseCA", PP, false, Phase::B, {"C_b", "C_b", "C_b", "D_a"}},
        TextbookRow{"TwoPhaseToGroundAB", PP, true, Phase::C, {"E_c", "E_c", "G_c", "F_b"}}),
    [](const testing::TestParamInfo<TextbookRow>& info) { return std::string(info.param.name); });

// Each type's defining formula, written out phase by phase, for symmetric
// phase a, then relabelled to b or c and turned as a whole.
TEST(TextbookClassTest, EveryFormulaIsFoundWithItsCharacteristicVoltage) {
  using C = std::complex<double>;
  const C v = std::polar(0.4, -20 * kDeg);
  const C a = std::polar(1.0, 120 * kDeg);
  const C j(0, 1);
  const double h = std::sqrt(3.0) / 2;
  const std::array<C, 3> formulas[7] = {
      {v, a * a * v, a * v},
      {v, a * a, a},
      {1.0, -0.5 - j * h * v, -0.5 + j * h * v},
      {v, -v / 2.0 - j * h, -v / 2.0 + j * h},
      {1.0, a * a * v, a * v},
      {v, -v / 2.0 - j * (h / 3) * (2.0 + v), -v / 2.0 + j * (h / 3) * (2.0 + v)},
      {(2.0 + v) / 3.0, -(2.0 + v) / 6.0 - j * h * v, -(2.0 + v) / 6.0 + j * h * v}};
  const char* const letters = "ABCDEFG";
  for (int t = 0; t < 7; ++t) {
    for (int p = 0; p < 3; ++p) {
      const std::array<C, 3>& f = formulas[t];
      // Phase b: (a^2 Vc, a^2 Va, a^2 Vb); phase c: (a Vb, a Vc, a Va).
      std::array<C, 3> set = p == 0   ? f
                             : p == 1 ? std::array<C, 3>{a * a * f[2], a * a * f[0], a * a * f[1]}
                                      : std::array<C, 3>{a * f[1], a * f[2], a * f[0]};
      const C turn = std::polar(1.0, 37 * kDeg);
      const PhaseTriple phases{{std::abs(set[0] * turn), std::arg(set[0] * turn)},
                               {std::abs(set[1] * turn), std::arg(set[1] * turn)},
                               {std::abs(set[2] * turn), std::arg(set[2] * turn)}};
      const TextbookClass c = ClassifyTextbook(phases);
      std::string name(1, letters[t]);
      if (t > 0) {
        name += std::string("_") + "abc"[p];
      }
      EXPECT_EQ(TextbookName(c), name) << "type " << letters[t] << " phase " << p;
      EXPECT_NEAR(c.characteristic.magnitude, 0.4, 1e-12) << name;
      if (t > 0) {  // A's V is turned with the set
        EXPECT_NEAR(c.characteristic.angle, -20 * kDeg, 1e-12) << name;
      }
    }
  }
}

TEST(TextbookClassTest, HealthyUnmatchedAndInvalidSets) {
  EXPECT_EQ(TextbookName(ClassifyTextbook(Set(1, 10, 1, -110, 1, 130))), "none");
  // A swell on A with B and C gone fits no formula: Z0 = 2 Z12, bolted to ground.
  FaultInputs in = Fault(PP, 0, 0.0);
  in.toGround = true;
  in.z0Ratio = 2.0f;
  EXPECT_EQ(TextbookName(ClassifyTextbook(ComputeVoltages(in).busVoltages[0])), "-");
  // Through ZF the zero sequence no longer equals the negative: not an E.
  in.z0Ratio = 1.0f;
  in.zfRatio = 0.5;
  EXPECT_EQ(TextbookName(ClassifyTextbook(ComputeVoltages(in).busVoltages[0])), "-");
  // A single-phase fault through ZF keeps V0 = V2 and stays a B.
  EXPECT_EQ(TextbookName(ClassifyTextbook(ComputeVoltages(Fault(SP, 20, 0.5, 0)).busVoltages[0])),
            "B_a");
  // Just beyond the tolerance of the formula of C: Va 0.0015 below 1.
  EXPECT_EQ(TextbookName(ClassifyTextbook(Set(0.9985, 0, 0.5, -180, 0.5, 180))), "-");
  EXPECT_EQ(TextbookName(ClassifyTextbook(Set(0.9995, 0, 0.5, -180, 0.5, 180))), "C_a");
  const TextbookClass bad = ClassifyTextbook(Set(1, 0, std::nan(""), 0, 1, 0));
  EXPECT_EQ(TextbookName(bad), "invalid");
  EXPECT_TRUE(std::isnan(bad.characteristic.magnitude));
  EXPECT_NE(ClassifyTextbook(Set(1e308, 1e300, -1e308, 0, 1e-308, 7)).type, TextbookType::Invalid);
}

// The worked example: a two-phase-to-ground fault followed down three DY.
TEST(TextbookClassTest, TwoPhaseToGroundDownTheChain) {
  FaultInputs in = Fault(PP, 50, 0.0);
  in.toGround = true;
  const PassVoltages r = ComputeVoltages(in);
  const char* const expected[4] = {"E_a", "F_c", "G_b", "F_a"};
  for (int bus = 0; bus < 4; ++bus) {
    EXPECT_EQ(TextbookName(ClassifyTextbook(r.busVoltages[bus])), expected[bus]) << bus;
  }
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

#include "compute/fault.h"

#include <cmath>

#include <gtest/gtest.h>

#include "compute/transformer.h"

namespace dipview {
namespace {

constexpr double kDeg = kPi / 180.0;

FaultInputs Defaults(FaultType type) {
  FaultInputs in;
  in.faultType = type;
  return in;
}

struct FaultRow {
  const char* name;
  FaultInputs inputs;
  // Figures worked by hand from the sequence networks, rounded.
  double magA, angA, magB, angB, magC, angC;  // angles in degrees
  double magTolerance, angTolerance;
};

std::ostream& operator<<(std::ostream& os, const FaultRow& row) {
  return os << row.name;
}

class FaultModelTest : public testing::TestWithParam<FaultRow> {};

TEST_P(FaultModelTest, MatchesTheSequenceNetworks) {
  const FaultRow& row = GetParam();
  const PhaseTriple v = RunFaultModel(row.inputs);
  EXPECT_NEAR(v.a.magnitude, row.magA, row.magTolerance);
  EXPECT_NEAR(v.b.magnitude, row.magB, row.magTolerance);
  EXPECT_NEAR(v.c.magnitude, row.magC, row.magTolerance);
  if (row.angTolerance > 0) {
    EXPECT_NEAR(v.a.angle / kDeg, row.angA, row.angTolerance);
    EXPECT_NEAR(v.b.angle / kDeg, row.angB, row.angTolerance);
    EXPECT_NEAR(v.c.angle / kDeg, row.angC, row.angTolerance);
  }
  // Wherever the window's models keep Vc, its angle is single precision.
  if (!row.inputs.toGround) {
    EXPECT_EQ(v.c.angle, HoldSingle(v.c.angle));
  }
}

FaultInputs With(FaultType type, int proximity, double zfRatio, float z0Ratio = 2.5f,
                 double z12 = 90, double z0 = 90, double zf = 90) {
  FaultInputs in = Defaults(type);
  in.proximity = static_cast<std::int16_t>(proximity);
  in.zfRatio = zfRatio;
  in.z0Ratio = z0Ratio;
  in.z12AngleDeg = z12;
  in.z0AngleDeg = z0;
  in.zfAngleDeg = zf;
  return in;
}

// Phases B and C to ground; Z1 = Z2 = 1, Zg = Z0 + 3 ZF.
FaultInputs Ground(int proximity, double zfRatio, float z0Ratio, double zf = 90) {
  FaultInputs in = With(FaultType::PhaseToPhase, proximity, zfRatio, z0Ratio, 90, 90, zf);
  in.toGround = true;
  return in;
}

INSTANTIATE_TEST_SUITE_P(
    HandWorked, FaultModelTest,
    testing::Values(
        FaultRow{"SingleDefaults", With(FaultType::SinglePhase, 50, 0.0), 0.5, 0.0, 1.0929,
                 -127.589, 1.0929, 127.589, 1e-4, 1e-3},
        FaultRow{"SingleBolted", With(FaultType::SinglePhase, 0, 0.0, 1.0f), 0.0, 0, 1.0, -120, 1.0,
                 120, 1e-5, 0},
        FaultRow{"SingleThroughZf", With(FaultType::SinglePhase, 0, 1.0), 0.4, 0, 1.11355, 0,
                 1.11355, 0, 1e-4, 0},
        FaultRow{"SingleMixedAngles", With(FaultType::SinglePhase, 50, 0.5, 3.0f, 80, 70, 0),
                 0.5806, -11.44, 1.1162, -127.54, 1.0862, 128.76, 1e-4, 5e-3},
        FaultRow{"PhasePhaseBolted", With(FaultType::PhaseToPhase, 0, 0.0), 1.0, 0, 0.5, 180, 0.5,
                 -180, 1e-6, 1e-4},
        FaultRow{"PhasePhaseHalfway", With(FaultType::PhaseToPhase, 50, 0.0), 1.0, 0, 0.6614,
                 -139.107, 0.6614, 139.107, 1e-4, 1e-3},
        FaultRow{"PhasePhaseResistiveZf", With(FaultType::PhaseToPhase, 0, 1.0, 2.5f, 90, 90, 0),
                 1.0, 0, 0.8639, 0, 0.2315, 0, 1e-4, 0},
        FaultRow{"ThreeHalfway", With(FaultType::ThreePhase, 50, 0.0), 0.5, 0, 0.5, -120, 0.5, 120,
                 1e-12, 1e-5},
        FaultRow{"ThreeResistiveZf", With(FaultType::ThreePhase, 0, 1.0, 2.5f, 90, 90, 0), 0.7071,
                 -45, 0.7071, -165, 0.7071, 75, 1e-4, 1e-3},
        // Zg = 1, I1 = 1/(1 + 1/2) = 2/3: V1 = V2 = V0 = 1/3.
        FaultRow{"TwoPhaseGroundBolted", Ground(0, 0.0, 1.0f), 1, 0, 0, 0, 0, 0, 1e-15, 0},
        // Zg = 4, I1 = 1/(1 + 4/5) = 5/9: V1 = V2 = 4/9, I0 = -I1/5, V0 = 1/9, Vb = Vc = V0 - V1.
        FaultRow{"TwoPhaseGroundThroughZf", Ground(0, 1.0, 1.0f), 1, 0, 1.0 / 3, 0, 1.0 / 3, 0,
                 1e-15, 0},
        // Zg = 2, I1 = 3/5, a = 1/2: V1 = 0.7, V2 = V0 = 0.2; Vb = 0.2 + 0.7 a^2 + 0.2 a.
        FaultRow{"TwoPhaseGroundZ0Twice", Ground(50, 0.0, 2.0f), 1.1, 0, 0.5, -120, 0.5, 120, 1e-15,
                 1e-12},
        // ZF = -j, Zg = 1 - 3j, I1 = (24 + 3j)/45: V1 = V2 = (21 - 3j)/45, V0 = (1 + 2j)/15,
        // Vb = Vc = V0 - V1 = (-2 + j)/5.
        FaultRow{"TwoPhaseGroundResistiveZf", Ground(0, 1.0, 1.0f, 0), 1, 0, std::sqrt(0.2),
                 153.43494882292202, std::sqrt(0.2), 153.43494882292202, 1e-15, 1e-12}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FaultModelTest, ProximityHundredGivesThePrefaultSet) {
  for (FaultInputs in : {Defaults(FaultType::SinglePhase), Defaults(FaultType::PhaseToPhase),
                         Defaults(FaultType::ThreePhase), Ground(50, 0.5, 2.0f)}) {
    for (Phase phase : {Phase::A, Phase::B, Phase::C}) {
      in.proximity = 100;
      in.faultedPhase = phase;
      const PhaseTriple v = RunFaultModel(in);
      EXPECT_NEAR(v.a.magnitude, 1.0, 1e-7);
      EXPECT_NEAR(v.b.magnitude, 1.0, 1e-7);
      EXPECT_NEAR(v.c.magnitude, 1.0, 1e-7);
      // Phase A's angle is turned from a single-precision one on B and C.
      EXPECT_NEAR(v.a.angle, 0.0, 2e-7);
      EXPECT_NEAR(v.b.angle, -120 * kDeg, 2e-7);
      EXPECT_NEAR(v.c.angle, 120 * kDeg, 2e-7);
    }
  }
}

TEST(FaultModelTest, TwoPhaseGroundBoltedSequenceVoltagesAreThirds) {
  const PhaseTriple v = FaultTwoPhaseToGround(Ground(0, 0.0, 1.0f));
  // The rounding residues of the vanished phases are written as zero.
  EXPECT_EQ(v.b, (Phasor{0.0, 0.0}));
  EXPECT_EQ(v.c, (Phasor{0.0, 0.0}));
  const SequenceTriple s = SequenceVoltages(v);
  EXPECT_NEAR(s.zero.magnitude, 1.0 / 3, 1e-7);
  EXPECT_NEAR(s.positive.magnitude, 1.0 / 3, 1e-7);
  EXPECT_NEAR(s.negative.magnitude, 1.0 / 3, 1e-7);
  EXPECT_NEAR(s.zero.angle, 0.0, 1e-7);
  EXPECT_NEAR(s.negative.angle, 0.0, 1e-7);
  // Without ground the same fault is the phase-to-phase fault, whatever Z0 is.
  FaultInputs in = Ground(30, 0.5, 3.0f);
  in.toGround = false;
  EXPECT_EQ(RunFaultModel(in), FaultPhaseToPhase(in));
}

// A fault on B or C is the fault on A with the phases relabelled and turned:
// the magnitudes move exactly.
TEST(FaultModelTest, FaultedPhasesRelabelTheFaultOnA) {
  for (FaultInputs in :
       {With(FaultType::SinglePhase, 30, 0.5, 2.0f, 80, 70, 0),
        With(FaultType::PhaseToPhase, 30, 0.5, 2.0f, 80, 70, 0), Ground(30, 0.5, 2.0f, 20)}) {
    const PhaseTriple onA = RunFaultModel(in);
    in.faultedPhase = Phase::B;
    const PhaseTriple onB = RunFaultModel(in);
    in.faultedPhase = Phase::C;
    const PhaseTriple onC = RunFaultModel(in);
    const Phasor* fromA[3] = {&onA.a, &onA.b, &onA.c};
    const Phasor* toB[3] = {&onB.b, &onB.c, &onB.a};
    const Phasor* toC[3] = {&onC.c, &onC.a, &onC.b};
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(toB[k]->magnitude, fromA[k]->magnitude);
      EXPECT_EQ(toC[k]->magnitude, fromA[k]->magnitude);
      EXPECT_NEAR(std::remainder(toB[k]->angle - fromA[k]->angle + 120 * kDeg, 2 * kPi), 0, 1e-15);
      EXPECT_NEAR(std::remainder(toC[k]->angle - fromA[k]->angle - 120 * kDeg, 2 * kPi), 0, 1e-15);
      EXPECT_LE(std::abs(toB[k]->angle), kPi);
      EXPECT_LE(std::abs(toC[k]->angle), kPi);
    }
  }
  // The balanced fault has no phase to choose.
  FaultInputs three = Defaults(FaultType::ThreePhase);
  three.faultedPhase = Phase::C;
  EXPECT_EQ(RunFaultModel(three), FaultThreePhase(three));
}

TEST(FaultModelTest, SingleBoltedPhasesDifferByTheZeroAngleOffset) {
  const PhaseTriple v = FaultSinglePhase(With(FaultType::SinglePhase, 0, 0.0, 1.0f));
  EXPECT_LT(v.a.magnitude, 1e-5);
  EXPECT_NEAR(v.b.magnitude, 1.000005, 1e-6);
  EXPECT_NEAR(v.c.magnitude, 0.999995, 1e-6);
  EXPECT_EQ(v.b.magnitude, 1.0000049433980478);
  EXPECT_EQ(v.c.magnitude, 0.99999501397915402);
  EXPECT_NEAR(v.b.angle / kDeg, -120.0, 1e-3);
  EXPECT_NEAR(v.c.angle / kDeg, 120.0, 1e-3);
  // Va is a residue on the imaginary axis.
  EXPECT_EQ(std::abs(v.a.angle), kPiSingle / 2.0);
}

TEST(FaultModelTest, SingleDefaultsSequenceVoltages) {
  const SequenceTriple s = SequenceVoltages(FaultSinglePhase(Defaults(FaultType::SinglePhase)));
  // V0 = -0.2778, V1 = 0.8889, V2 = -0.1111: almost purely real.
  EXPECT_NEAR(s.zero.magnitude, 0.2778, 1e-4);
  EXPECT_NEAR(std::abs(s.zero.angle), kPi, 1e-4);
  EXPECT_NEAR(s.positive.magnitude, 0.8889, 1e-4);
  EXPECT_NEAR(s.positive.angle, 0.0, 1e-4);
  EXPECT_NEAR(s.negative.magnitude, 0.1111, 1e-4);
  EXPECT_NEAR(std::abs(s.negative.angle), kPi, 1e-4);
}

TEST(FaultModelTest, PhasePhaseSequenceVoltages) {
  FaultInputs in = With(FaultType::PhaseToPhase, 0, 0.0);
  SequenceTriple s = SequenceVoltages(FaultPhaseToPhase(in));
  EXPECT_LT(s.zero.magnitude, 1e-7);
  EXPECT_NEAR(s.positive.magnitude, 0.5, 1e-7);
  EXPECT_NEAR(s.negative.magnitude, 0.5, 1e-7);
  in.proximity = 50;
  s = SequenceVoltages(FaultPhaseToPhase(in));
  EXPECT_NEAR(s.positive.magnitude, 0.75, 1e-7);
  EXPECT_NEAR(s.negative.magnitude, 0.25, 1e-7);
  in = With(FaultType::PhaseToPhase, 0, 1.0, 2.5f, 90, 90, 0);
  s = SequenceVoltages(FaultPhaseToPhase(in));
  const Rectangular v1 = PolarToRect(s.positive);
  const Rectangular v2 = PolarToRect(s.negative);
  EXPECT_NEAR(v1.re, 0.6, 1e-4);
  EXPECT_NEAR(v1.im, -0.2, 1e-4);
  EXPECT_NEAR(v2.re, 0.4, 1e-4);
  EXPECT_NEAR(v2.im, 0.2, 1e-4);
}

TEST(FaultModelTest, BoltedThreePhaseLeavesUnwrappedAngles) {
  const PhaseTriple v = FaultThreePhase(With(FaultType::ThreePhase, 0, 0.0));
  EXPECT_EQ(v.a.magnitude, 0.0);
  EXPECT_EQ(v.b.magnitude, 0.0);
  EXPECT_EQ(v.c.magnitude, 0.0);
  EXPECT_EQ(v.a.angle, kPiSingle / 2.0);
  EXPECT_EQ(v.b.angle, kPiSingle / 2.0 - kRotationSingle);
  EXPECT_EQ(v.c.angle, HoldSingle(kPiSingle / 2.0 + kRotationSingle));
  EXPECT_NEAR(v.c.angle / kDeg, 210.0, 1e-4);
}

TEST(FaultModelTest, OnlyAngleDifferencesMatter) {
  for (FaultType type : {FaultType::SinglePhase, FaultType::PhaseToPhase, FaultType::ThreePhase}) {
    const PhaseTriple at90 = RunFaultModel(With(type, 30, 1.5, 2.0f, 90, 90, 90));
    const PhaseTriple at40 = RunFaultModel(With(type, 30, 1.5, 2.0f, 40, 40, 40));
    EXPECT_NEAR(at90.a.magnitude, at40.a.magnitude, 1e-6);
    EXPECT_NEAR(at90.b.magnitude, at40.b.magnitude, 1e-6);
    EXPECT_NEAR(at90.c.magnitude, at40.c.magnitude, 1e-6);
    EXPECT_NEAR(at90.b.angle, at40.b.angle, 1e-5);
  }
}

TEST(FaultModelTest, ZeroZfRatioMakesTheZfAngleIrrelevant) {
  for (FaultType type : {FaultType::SinglePhase, FaultType::PhaseToPhase, FaultType::ThreePhase}) {
    EXPECT_EQ(RunFaultModel(With(type, 20, 0.0, 1.5f, 60, 30, 0)),
              RunFaultModel(With(type, 20, 0.0, 1.5f, 60, 30, 90)));
  }
}

TEST(FaultModelTest, ThreePhaseAndPhasePhaseIgnoreTheZeroSequenceSettings) {
  for (FaultType type : {FaultType::PhaseToPhase, FaultType::ThreePhase}) {
    EXPECT_EQ(RunFaultModel(With(type, 20, 0.5, 0.5f, 60, 0, 10)),
              RunFaultModel(With(type, 20, 0.5, 3.0f, 60, 90, 10)));
  }
}

}  // namespace
}  // namespace dipview

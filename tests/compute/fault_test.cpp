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
  // Wherever the program keeps Vc, its angle is single precision.
  EXPECT_EQ(v.c.angle, HoldSingle(v.c.angle));
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
                 -45, 0.7071, -165, 0.7071, 75, 1e-4, 1e-3}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FaultModelTest, ProximityHundredGivesThePrefaultSet) {
  for (FaultType type : {FaultType::SinglePhase, FaultType::PhaseToPhase, FaultType::ThreePhase}) {
    FaultInputs in = Defaults(type);
    in.proximity = 100;
    const PhaseTriple v = RunFaultModel(in);
    EXPECT_NEAR(v.a.magnitude, 1.0, 1e-7);
    EXPECT_NEAR(v.b.magnitude, 1.0, 1e-7);
    EXPECT_NEAR(v.c.magnitude, 1.0, 1e-7);
    EXPECT_NEAR(v.a.angle, 0.0, 1e-7);
    EXPECT_NEAR(v.b.angle, -120 * kDeg, 2e-7);
    EXPECT_NEAR(v.c.angle, 120 * kDeg, 2e-7);
  }
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

#include "compute/transformer.h"

#include <cmath>

#include <gtest/gtest.h>

#include "compute/readout.h"

namespace dipview {
namespace {

constexpr double kDeg = kPi / 180.0;
constexpr TransformerConnection DY = TransformerConnection::DY;
constexpr TransformerConnection YY = TransformerConnection::YY;

FaultInputs Settings(FaultType type, TransformerConnection hvMv, TransformerConnection mvC1,
                     TransformerConnection c1C2) {
  FaultInputs in;
  in.faultType = type;
  in.hvMvConnection = hvMv;
  in.mvC1Connection = mvC1;
  in.c1C2Connection = c1C2;
  return in;
}

void ExpectNearPhases(const PhaseTriple& v, std::array<double, 6> expected, double magTol,
                      double angTolDeg, const char* where) {
  SCOPED_TRACE(where);
  EXPECT_NEAR(v.a.magnitude, expected[0], magTol);
  EXPECT_NEAR(v.b.magnitude, expected[2], magTol);
  EXPECT_NEAR(v.c.magnitude, expected[4], magTol);
  const double angles[3] = {v.a.angle / kDeg, v.b.angle / kDeg, v.c.angle / kDeg};
  for (int i = 0; i < 3; ++i) {
    // Compare on the circle: 180 and -180 are the same direction.
    double diff = std::remainder(angles[i] - expected[2 * i + 1], 360.0);
    EXPECT_NEAR(diff, 0.0, angTolDeg) << "phase "
                                      << "ABC"[i];
  }
}

TEST(TransformerTest, AllYYGivesFourEqualBuses) {
  for (FaultType type : {FaultType::SinglePhase, FaultType::PhaseToPhase, FaultType::ThreePhase}) {
    const PassVoltages r = ComputeVoltages(Settings(type, YY, YY, YY));
    EXPECT_EQ(r.busVoltages[1], r.busVoltages[0]);
    EXPECT_EQ(r.busVoltages[2], r.busVoltages[0]);
    EXPECT_EQ(r.busVoltages[3], r.busVoltages[0]);
  }
}

TEST(TransformerTest, BalancedSetTurnsThirtyDegreesPerDY) {
  FaultInputs in = Settings(FaultType::ThreePhase, DY, DY, DY);
  const PassVoltages r = ComputeVoltages(in);
  ExpectNearPhases(r.busVoltages[0], {0.5, 0, 0.5, -120, 0.5, 120}, 1e-7, 1e-4, "HV");
  ExpectNearPhases(r.busVoltages[1], {0.5, -30, 0.5, -150, 0.5, 90}, 1e-7, 1e-4, "MV");
  ExpectNearPhases(r.busVoltages[2], {0.5, -60, 0.5, 180, 0.5, 60}, 1e-7, 1e-4, "C1");
  ExpectNearPhases(r.busVoltages[3], {0.5, -90, 0.5, 150, 0.5, 30}, 1e-7, 1e-4, "C2");
}

TEST(TransformerTest, StartUpSettingsGiveTheFourBuses) {
  const PassVoltages r = ComputeVoltages(FaultInputs{});
  ExpectNearPhases(r.busVoltages[0], {0.5, 0, 1.0929, -127.589, 1.0929, 127.589}, 1e-4, 1e-3, "HV");
  ExpectNearPhases(r.busVoltages[1], {0.8389, -36.587, 0.8389, -143.413, 1.0, 90}, 1e-4, 1e-3,
                   "MV");
  ExpectNearPhases(r.busVoltages[2], {0.9493, -65.818, 0.7778, 180, 0.9493, 65.818}, 1e-4, 1e-3,
                   "C1");
  ExpectNearPhases(r.busVoltages[3], {1.0, -90, 0.8389, 143.413, 0.8389, 36.587}, 1e-4, 1e-3, "C2");
}

TEST(TransformerTest, DYRemovesTheZeroSequence) {
  const PassVoltages r = ComputeVoltages(FaultInputs{});
  EXPECT_GT(r.sequenceAtHV.zero.magnitude, 0.27);
  for (int bus = 1; bus < 4; ++bus) {
    EXPECT_LT(SequenceVoltages(r.busVoltages[bus]).zero.magnitude, 1e-7) << bus;
  }
}

TEST(TransformerTest, BoltedSingleThroughOneDY) {
  FaultInputs in = Settings(FaultType::SinglePhase, DY, YY, YY);
  in.proximity = 0;
  in.z0Ratio = 1.0f;
  const PassVoltages r = ComputeVoltages(in);
  EXPECT_LT(r.busVoltages[0].a.magnitude, 1e-5);
  EXPECT_NEAR(r.busVoltages[1].a.magnitude, 0.5774, 1e-4);
  EXPECT_NEAR(r.busVoltages[1].b.magnitude, 0.5774, 1e-4);
  EXPECT_NEAR(r.busVoltages[1].c.magnitude, 1.0, 1e-4);
}

TEST(TransformerTest, YYInTheMiddlePassesTheBusOnAndDelaysTheNextTurn) {
  const PassVoltages mixed = ComputeVoltages(Settings(FaultType::SinglePhase, DY, YY, DY));
  const PassVoltages allDy = ComputeVoltages(Settings(FaultType::SinglePhase, DY, DY, DY));
  EXPECT_EQ(mixed.busVoltages[2], mixed.busVoltages[1]);
  EXPECT_EQ(mixed.busVoltages[3], allDy.busVoltages[2]);
}

TEST(TransformerTest, ChangingTheLastTransformerLeavesTheBusesAbove) {
  const PassVoltages dy = ComputeVoltages(Settings(FaultType::SinglePhase, DY, DY, DY));
  const PassVoltages yy = ComputeVoltages(Settings(FaultType::SinglePhase, DY, DY, YY));
  EXPECT_EQ(dy.busVoltages[0], yy.busVoltages[0]);
  EXPECT_EQ(dy.busVoltages[1], yy.busVoltages[1]);
  EXPECT_EQ(dy.busVoltages[2], yy.busVoltages[2]);
  EXPECT_EQ(yy.busVoltages[3], yy.busVoltages[2]);
  EXPECT_NE(dy.busVoltages[3], dy.busVoltages[2]);
}

TEST(TransformerTest, WithoutZeroSequenceDYOnlyRotates) {
  for (FaultType type : {FaultType::PhaseToPhase, FaultType::ThreePhase}) {
    FaultInputs in = Settings(type, DY, DY, DY);
    in.zfRatio = 0.5;
    in.zfAngleDeg = 20;
    in.proximity = 10;
    const PassVoltages r = ComputeVoltages(in);
    const SequenceTriple top = r.sequenceAtHV;
    for (int bus = 1; bus < 4; ++bus) {
      const SequenceTriple s = SequenceVoltages(r.busVoltages[bus]);
      EXPECT_NEAR(s.positive.magnitude, top.positive.magnitude, 1e-7);
      EXPECT_NEAR(s.negative.magnitude, top.negative.magnitude, 1e-7);
      EXPECT_NEAR(std::remainder(s.positive.angle - top.positive.angle + bus * kPi / 6, 2 * kPi), 0,
                  1e-6);
      if (top.negative.magnitude > 1e-3) {  // a vanished V2 has no direction to turn
        EXPECT_NEAR(std::remainder(s.negative.angle - top.negative.angle - bus * kPi / 6, 2 * kPi),
                    0, 1e-6);
      }
    }
  }
}

// Bolted single-phase, Z0 = Z12: V0 = V2 = -1/3, V1 = 2/3. A DD leaves V1 and
// V2 as they are: Va = 1/3, |Vb| = |Vc| = |2/3 a^2 - 1/3 a| = sqrt(7)/3.
TEST(TransformerTest, DDRemovesTheZeroSequenceAndTurnsNothing) {
  FaultInputs in =
      Settings(FaultType::SinglePhase, TransformerConnection::DD, YY, TransformerConnection::DD);
  in.proximity = 0;
  in.z0Ratio = 1.0f;
  const PassVoltages r = ComputeVoltages(in);
  ExpectNearPhases(r.busVoltages[1],
                   {1.0 / 3, 0, std::sqrt(7.0) / 3, -100.893, std::sqrt(7.0) / 3, 100.893}, 1e-5,
                   1e-3, "MV");
  const SequenceTriple top = r.sequenceAtHV;
  const SequenceTriple mv = SequenceVoltages(r.busVoltages[1]);
  EXPECT_LT(mv.zero.magnitude, 1e-7);
  EXPECT_NEAR(mv.positive.magnitude, top.positive.magnitude, 1e-7);
  EXPECT_NEAR(mv.negative.magnitude, top.negative.magnitude, 1e-7);
  EXPECT_NEAR(mv.positive.angle, top.positive.angle, 1e-6);
  EXPECT_NEAR(std::remainder(mv.negative.angle - top.negative.angle, 2 * kPi), 0, 1e-6);
  // Nothing is left for the second DD to remove.
  EXPECT_NEAR(r.busVoltages[3].a.magnitude, r.busVoltages[1].a.magnitude, 1e-7);
  EXPECT_NEAR(r.busVoltages[3].b.magnitude, r.busVoltages[1].b.magnitude, 1e-7);
  EXPECT_EQ(r.busVoltages[3].c.angle, HoldSingle(r.busVoltages[3].c.angle));
}

TEST(TransformerTest, BusOneNeverTransforms) {
  const PhaseTriple v{{0.3, 0.1}, {0.9, -2.0}, {1.1, 2.0}};
  EXPECT_EQ(ApplyTransformer(Bus::SubstationHV, FaultInputs{}, v), v);
  EXPECT_EQ(FeedingConnection(Bus::SubstationHV, FaultInputs{}), YY);
}

TEST(TransformerTest, PhaseToPhaseZeroSequenceIsAResidueOnTheImaginaryAxis) {
  FaultInputs in = Settings(FaultType::PhaseToPhase, DY, DY, DY);
  const PassVoltages r = ComputeVoltages(in);
  EXPECT_GT(r.sequenceAtHV.zero.magnitude, 0.0);
  EXPECT_LT(r.sequenceAtHV.zero.magnitude, 1e-7);
  EXPECT_EQ(std::abs(r.sequenceAtHV.zero.angle), kPiSingle / 2.0);
}

TEST(TransformerTest, HeldAnglesStaySinglePrecision) {
  for (FaultType type : {FaultType::SinglePhase, FaultType::PhaseToPhase, FaultType::ThreePhase}) {
    const PassVoltages r = ComputeVoltages(Settings(type, DY, YY, DY));
    EXPECT_EQ(r.sequenceAtHV.negative.angle, HoldSingle(r.sequenceAtHV.negative.angle));
    for (const PhaseTriple& v : r.busVoltages) {
      EXPECT_EQ(v.c.angle, HoldSingle(v.c.angle));
    }
  }
}

}  // namespace
}  // namespace dipview

namespace dipview {
namespace {

// A voltage of 1e-4 pu is small but real: only rounding residues near 1e-17
// may be taken for zero, or these phases would show angle 0.
TEST(FixedValuesTest, SmallVoltagesAreNotTakenForVanishedOnes) {
  const PhaseTriple v = ComputeVoltages({.faultType = FaultType::PhaseToPhase,
                                         .toGround = true,
                                         .zfRatio = 0.0001,
                                         .z0Ratio = 1.0f,
                                         .proximity = 0})
                            .busVoltages[0];
  EXPECT_EQ(v.b.magnitude, 9.998000399921714e-05);
  EXPECT_EQ(v.c.magnitude, 9.998000399921714e-05);
  EXPECT_EQ(AngleDegrees(v.b.angle), -179.9999999999682);
  EXPECT_EQ(AngleDegrees(v.c.angle), 179.9999999999682);
}

}  // namespace
}  // namespace dipview

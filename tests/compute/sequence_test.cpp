#include "compute/sequence.h"

#include <gtest/gtest.h>

namespace dipview {
namespace {

constexpr double kHalfPiSingle = 1.5707963705062866;

TEST(RotationTest, EachTransformHasItsOwnRotation) {
  EXPECT_EQ(kRotation, 2.0943951023931953);
  EXPECT_EQ(kRotationSingle, 2.094395160675049);
}

TEST(SequenceToPhaseTest, ZeroSequenceAloneGivesThreeEqualPhases) {
  const PhaseTriple p = SequenceToPhase({{1.0, 0.0}, {0.0, 0.0}, {0.0, 0.0}});
  EXPECT_EQ(p.a, (Phasor{1.0, 0.0}));
  EXPECT_EQ(p.b, (Phasor{1.0, 0.0}));
  EXPECT_EQ(p.c, (Phasor{1.0, 0.0}));
}

TEST(SequenceToPhaseTest, PositiveSequenceAloneGivesABalancedSet) {
  const PhaseTriple p = SequenceToPhase({{0.0, 0.0}, {1.0, 0.0}, {0.0, 0.0}});
  EXPECT_EQ(p.a, (Phasor{1.0, 0.0}));
  EXPECT_NEAR(p.b.magnitude, 1.0, 2e-8);
  EXPECT_NEAR(p.b.angle, -2.0943952, 2e-7);
  EXPECT_NEAR(p.c.magnitude, 1.0, 2e-8);
  EXPECT_NEAR(p.c.angle, 2.0943952, 2e-7);
  // Regression: the bits the single-precision intermediates leave.
  EXPECT_EQ(p.b.angle, -2.094395248097829);
  EXPECT_EQ(p.c.magnitude, 1.00000001177561);
}

TEST(SequenceToPhaseTest, NegativeSequenceAloneRunsTheOtherWay) {
  const PhaseTriple p = SequenceToPhase({{0.0, 0.0}, {0.0, 0.0}, {1.0, 0.0}});
  EXPECT_EQ(p.a, (Phasor{1.0, 0.0}));
  EXPECT_NEAR(p.b.angle, 2.0943952, 2e-7);
  EXPECT_NEAR(p.c.angle, -2.0943952, 2e-7);
}

TEST(PhaseToSequenceTest, EqualPhasesLeaveResiduesOnTheImaginaryAxis) {
  const SequenceTriple s = PhaseToSequence({{1.0, 0.0}, {1.0, 0.0}, {1.0, 0.0}});
  EXPECT_EQ(s.zero, (Phasor{1.0, 0.0}));
  EXPECT_NEAR(s.positive.magnitude, 1.8e-8, 0.1e-8);
  EXPECT_NEAR(s.negative.magnitude, 5.2e-9, 0.1e-9);
  EXPECT_EQ(s.positive.angle, kHalfPiSingle);
  EXPECT_EQ(s.negative.angle, kHalfPiSingle);
  EXPECT_EQ(s.positive.magnitude, 1.7604245008740386e-08);
  EXPECT_EQ(s.negative.magnitude, 5.1812083512459164e-09);
  // A true division by 3: times 1/3 gives 1.6666666666666665.
  EXPECT_EQ(PhaseToSequence({{5.0, 0.0}, {0.0, 0.0}, {0.0, 0.0}}).zero.magnitude, 5.0 / 3.0);
}

TEST(PhaseToSequenceTest, BalancedSetIsPurePositiveSequence) {
  const SequenceTriple s = PhaseToSequence({{1.0, 0.0}, {1.0, -kRotation}, {1.0, kRotation}});
  EXPECT_NEAR(s.positive.magnitude, 1.0, 1e-15);
  EXPECT_NEAR(s.positive.angle, 0.0, 1e-15);
  EXPECT_NEAR(s.zero.magnitude, 5.2e-9, 0.1e-9);
  EXPECT_NEAR(s.negative.magnitude, 5.2e-9, 0.1e-9);
  EXPECT_EQ(s.zero.angle, -kHalfPiSingle);
  EXPECT_EQ(s.negative.angle, -kHalfPiSingle);
}

std::ostream& Print(std::ostream& os, const Phasor& p) {
  return os << p.magnitude << "<" << p.angle;
}

}  // namespace

void PrintTo(const SequenceTriple& s, std::ostream* os) {
  Print(Print(Print(*os, s.zero) << " ", s.positive) << " ", s.negative);
}

namespace {

class RoundTripTest : public testing::TestWithParam<SequenceTriple> {};

TEST_P(RoundTripTest, PhaseToSequenceUndoesSequenceToPhase) {
  const SequenceTriple in = GetParam();
  const SequenceTriple out = PhaseToSequence(SequenceToPhase(in));
  EXPECT_NEAR(out.zero.magnitude, in.zero.magnitude, 1e-7);
  EXPECT_NEAR(out.positive.magnitude, in.positive.magnitude, 1e-7);
  EXPECT_NEAR(out.negative.magnitude, in.negative.magnitude, 1e-7);
}

INSTANTIATE_TEST_SUITE_P(
    Sets, RoundTripTest,
    testing::Values(SequenceTriple{{0.2777, -3.14}, {0.8889, 0.0}, {0.1111, 3.1}},
                    SequenceTriple{{0.0, 0.0}, {0.5, 0.3}, {0.5, -0.3}},
                    SequenceTriple{{1.0, 1.0}, {1.0, 2.0}, {1.0, -2.0}},
                    SequenceTriple{{0.0, 0.0}, {0.7071, -0.785}, {0.0, 0.0}}));

}  // namespace
}  // namespace dipview

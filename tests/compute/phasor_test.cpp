#include "compute/phasor.h"

#include <cmath>

#include <gtest/gtest.h>

namespace dipview {
namespace {

TEST(PiTest, ValuesOfPi) {
  EXPECT_EQ(4.0 * std::atan(1.0), kPi);
  EXPECT_EQ(kPiSingle, 3.1415927410125732);
  EXPECT_EQ(kPiSingle / 2.0, 1.5707963705062866);
  EXPECT_EQ(static_cast<double>(static_cast<float>(kPiSingle / 2.0)), kPiSingle / 2.0);
}

struct RectToPolarRow {
  double re, im;
  double magnitude, angle;
};

std::ostream& operator<<(std::ostream& os, const RectToPolarRow& row) {
  return os << "(" << row.re << ", " << row.im << ")";
}

class RectToPolarTest : public testing::TestWithParam<RectToPolarRow> {};

TEST_P(RectToPolarTest, GivesMagnitudeAndAngleToTheBit) {
  const auto& row = GetParam();
  const Phasor p = RectToPolar(row.re, row.im);
  EXPECT_EQ(p.magnitude, row.magnitude);
  EXPECT_EQ(p.angle, row.angle);
}

INSTANTIATE_TEST_SUITE_P(
    EdgeCases, RectToPolarTest,
    testing::Values(RectToPolarRow{0.0, 0.0, 0.0, 1.5707963705062866},
                    RectToPolarRow{0.0, -1.0, 1.0, -1.5707963705062866},
                    RectToPolarRow{-0.0, -0.0, 0.0, 1.5707963705062866},
                    // The bound is inclusive: 1e-6 still counts as on the imaginary axis.
                    RectToPolarRow{1e-6, 1.0, std::sqrt(1e-12 + 1.0), 1.5707963705062866},
                    RectToPolarRow{-1e-6, -1.0, std::sqrt(1e-12 + 1.0), -1.5707963705062866},
                    RectToPolarRow{2e-6, 1.0, std::sqrt(4e-12 + 1.0), std::atan(1.0 / 2e-6)},
                    RectToPolarRow{-1.0, 0.0, 1.0, 3.1415927410125732},
                    RectToPolarRow{-1.0, -1.0, std::sqrt(2.0), -2.356194577615125},
                    RectToPolarRow{-1.0, 1.0, std::sqrt(2.0), 2.356194577615125},
                    RectToPolarRow{1.0, -1.0, std::sqrt(2.0), -0.7853981633974483},
                    RectToPolarRow{1.0, 0.0, 1.0, 0.0},
                    RectToPolarRow{3.0, 4.0, 5.0, std::atan(4.0 / 3.0)},
                    // Negative zero imaginary part counts as >= 0.
                    RectToPolarRow{-2.0, -0.0, 2.0, 3.1415927410125732}));

TEST(PolarToRectTest, UsesTheCosineOfTheSinglePrecisionHalfPi) {
  const Rectangular r = PolarToRect(2.0, kPiSingle / 2.0);
  EXPECT_EQ(r.re, -8.742278000372482e-08);
  EXPECT_EQ(r.im, 1.999999999999998);
}

TEST(PolarToRectTest, NegativeMagnitudeGoesThroughTheSameFormulas) {
  const Rectangular r = PolarToRect(-2.0, 0.0);
  EXPECT_EQ(r.re, -2.0);
  EXPECT_EQ(r.im, -0.0);
}

TEST(PolarRoundTripTest, GivesBackMagnitudeAndAngle) {
  for (int i = -179; i <= 180; ++i) {
    const double angle = i * kPi / 180.0;
    const Rectangular r = PolarToRect(0.75, angle);
    const Phasor p = RectToPolar(r);
    EXPECT_NEAR(p.magnitude, 0.75, 1e-15) << i;
    if (std::fabs(r.re) <= 1e-6) {
      EXPECT_EQ(std::fabs(p.angle), kPiSingle / 2.0) << i;
    } else {
      EXPECT_NEAR(p.angle, angle, 1e-6) << i;
    }
  }
}

TEST(PolarRoundTripTest, NearTheImaginaryAxisSnapsToHalfPi) {
  const Phasor up = RectToPolar(PolarToRect(1.0, kPi / 2.0));
  const Phasor down = RectToPolar(PolarToRect(1.0, -kPi / 2.0));
  EXPECT_EQ(up.angle, 1.5707963705062866);
  EXPECT_EQ(down.angle, -1.5707963705062866);
}

}  // namespace
}  // namespace dipview

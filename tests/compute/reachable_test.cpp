// Every state the window can reach, through the values and texts it shows:
// every number finite, every readout text well formed and cut downward, every
// magnitude within a bound derived below from the fault equations.
//
// The grid. The window gives whole degrees 0 to 90, the proximities 0 to 100,
// the option ratios and eight connection sets; all of those but the angles
// are swept in full.
// - Angles enter only as differences to the Z12 angle: ZF - Z12 (and, for the
//   single-phase fault, Z0 + 0.001 - Z12; for the other two, ZF + 0.001 - Z12
//   alone). States with the same differences differ only by the rounding of
//   the 0.001 offset, below 1e-14 degrees, so the sweep takes each difference
//   once. A pair of differences is reachable when 0 and both differences fit
//   within 90 degrees (Z12 is then the smallest angle that realises them).
// - Phase-to-phase and three-phase: all 181 whole-degree differences.
// - Single phase and two-phase-to-ground: the pairs on a 10-degree grid (271
//   of them); the ends -90, 0 and 90, where the impedances turn square to Z12,
//   are on it. With DIPVIEW_SWEEP=dense, all 24,571 whole-degree pairs (about
//   twenty minutes).
// - Faulted phases: a fault on B or C moves the magnitudes of the fault on A
//   exactly and only turns the angles, so each state takes the phase
//   proximity % 3, and every configuration meets all three.
// - Connections: a YY passes the voltages on unchanged, so bus n shows the
//   Substation HV voltages after as many DY steps as there are DY
//   transformers above it. The 8 sets thus give at most 4 distinct sets per
//   state, HV after 0 to 3 DY steps, and the sweep checks those 4 (the first
//   test confirms this against ComputeVoltages for all 8 sets). A DD removes
//   V0 like a DY and turns nothing, so any chain with a DD only turns the set
//   after one DD as a whole; the sweep checks that set too.

#include <cmath>
#include <cstdlib>
#include <cstring>

#include <gtest/gtest.h>

#include "compute/readout.h"
#include "compute/transformer.h"

namespace dipview {
namespace {

constexpr float kZ0Ratios[] = {3.0f, 2.5f, 2.0f, 1.5f, 1.0f, 0.5f};
constexpr double kZfRatios[] = {3.0, 2.5, 2.0, 1.5, 1.0, 0.5, 0.0};
constexpr FaultType kFaults[] = {FaultType::SinglePhase, FaultType::PhaseToPhase,
                                 FaultType::ThreePhase};
constexpr Phase kPhases[] = {Phase::A, Phase::B, Phase::C};

// The bounds. Z12 is 1 at angle 0; Z0 = r0 at t0 and ZF = rf at tF, the
// angle differences to Z12 in [-90, 90.001] degrees. The fault current is
// I = 1/Z with Z = 2 + Z0 + 3 ZF (single phase), 2 + ZF (phase to phase) or
// 1 + ZF (three phase), and the bus sees V1 = 1 - aI, V2 = -aI (+aI for
// phase to phase), V0 = -a Z0 I (single phase only), a = 1 - proximity/100.
//
// The offset can turn one impedance 0.001 degree past square, where its real
// part is at least -3 sin(0.001 deg); so Re Z >= 2 - kOffsetLoss for the first
// two faults. 1/z maps the half-plane Re z >= R onto the disk of centre and
// radius rho = 1/(2R), so I lies in that disk, and so does aI, 0 <= a <= 1.
// On that disk |1 - w| + |w| is largest on the circle w = rho (1 + e^(jp)),
// at cos^2(p/2) = 1/(4 (1 - rho)), where it is 1/sqrt(1 - rho): the bound of
// |V1| + |V2|, about 2/sqrt(3) = 1.1547. Each phase voltage is V0 + V1 + V2
// with unit turns, so below a DY, which removes V0, no phase exceeds it; at
// Substation HV the single-phase fault adds |V0| <= a r0 / Re Z. On the same
// disk |1 - w| <= 1 and |w| <= 2 rho bound V1 and V2.
// The three-phase fault gives Va = (1 - a + ZF) / (1 + ZF), which is at most
// 1 in size since a <= 2 Re(1 + ZF); a DY only turns that balanced set.
// Two phases to ground, with no offset: Zg = Z0 + 3 ZF has Re Zg >= 0, so
// P = Zg / (1 + Zg) lies in the disk of centre and radius 1/2, 1 + P in the
// disk of centre 3/2 and radius 1/2, and I1 = 1/(1 + P) in its image, the
// disk of centre 3/4 and radius 1/4. Then |V1| = |1 - a I1| <= 1,
// |V2| = a |1 - I1| <= a/2 and |V0| = a |Z0| |I1| / |1 + Zg| <= a r0 / (1 + Re Zg).
const double kOffsetLoss = 3.0 * std::sin(0.001 * kPi / 180.0);
const double kRho = 1.0 / (2.0 * (2.0 - kOffsetLoss));
const double kSequenceSumBound = 1.0 / std::sqrt(1.0 - kRho);
// The single-precision steps leave errors of a few 1e-8.
constexpr double kSlack = 1e-6;

bool Realise(int zfDiff, int z0Diff, FaultInputs& in) {
  const int low = std::min({0, zfDiff, z0Diff});
  const int high = std::max({0, zfDiff, z0Diff});
  if (high - low > 90) {
    return false;
  }
  in.z12AngleDeg = -low;
  in.zfAngleDeg = -low + zfDiff;
  in.z0AngleDeg = -low + z0Diff;
  return true;
}

// The text must match -?(0|[1-9][0-9]*)(.[0-9]*[1-9])? with at most `decimals`
// decimals, not be "-0", and read as a value at most `shown` and less than one
// step below it: readouts are cut downward.
testing::AssertionResult WellFormed(double cut, int decimals, double shown, double step) {
  char text[kNumberTextMax + 1];
  *WriteNumberText(cut, text) = '\0';
  const char* p = text;
  if (*p == '-') {
    ++p;
  }
  const char* digits = p;
  while (*p >= '0' && *p <= '9') {
    ++p;
  }
  bool ok = p > digits && !(digits[0] == '0' && p - digits > 1);
  if (ok && *p == '.') {
    const char* fraction = ++p;
    while (*p >= '0' && *p <= '9') {
      ++p;
    }
    ok = p > fraction && p - fraction <= decimals && p[-1] != '0';
  }
  ok = ok && *p == '\0' && std::strcmp(text, "-0") != 0;
  const double value = std::strtod(text, nullptr);
  if (!ok || !(value <= shown + 1e-9 && shown < value + step + 1e-9)) {
    return testing::AssertionFailure() << "'" << text << "' for " << shown;
  }
  return testing::AssertionSuccess();
}

struct Sweep {
  long states = 0;
  long failures = 0;

  void CheckSet(const Phasor (&set)[3], const double (&bound)[3], const double (&low)[3],
                const double (&high)[3], const FaultInputs& in, const char* where) {
    for (int k = 0; k < 3; ++k) {
      const Phasor& p = set[k];
      const bool fine = std::isfinite(p.magnitude) && std::isfinite(p.angle) &&
                        p.magnitude <= bound[k] && p.angle >= low[k] - kSlack &&
                        p.angle <= high[k] + kSlack;
      const testing::AssertionResult magnitudeText =
          WellFormed(CutMagnitude(p.magnitude), 3, p.magnitude, 0.001);
      const testing::AssertionResult angleText =
          WellFormed(CutAngleDegrees(p.angle), 1, p.angle * 180.0 / kPi, 0.1);
      if (!fine || !magnitudeText || !angleText || p.magnitude < 0.0) {
        // Only the first few, with the whole state, to keep a failure readable.
        if (++failures <= 10) {
          ADD_FAILURE() << where << " phasor " << k << ": " << p.magnitude << " at " << p.angle
                        << " rad, bound " << bound[k] << "; " << magnitudeText.message() << " "
                        << angleText.message() << "; fault " << static_cast<int>(in.faultType)
                        << (in.toGround ? " to ground" : "") << " phase "
                        << static_cast<int>(in.faultedPhase) << " Z12 " << in.z12AngleDeg << " Z0 "
                        << in.z0AngleDeg << " ZF " << in.zfAngleDeg << " z0 " << in.z0Ratio
                        << " zf " << in.zfRatio << " proximity " << in.proximity;
        }
      }
    }
  }

  void CheckState(const FaultInputs& in) {
    ++states;
    const double a = 1.0 - in.proximity / 100.0;
    double v0Bound = kSlack;
    if (in.toGround) {
      const double t0 = (in.z0AngleDeg - in.z12AngleDeg) * kPi / 180.0;
      const double tF = (in.zfAngleDeg - in.z12AngleDeg) * kPi / 180.0;
      const double realZg = in.z0Ratio * std::cos(t0) + 3.0 * in.zfRatio * std::cos(tF);
      v0Bound += a * in.z0Ratio / (1.0 + realZg);
    } else if (in.faultType == FaultType::SinglePhase) {
      const double t0 = (in.z0AngleDeg + 0.001 - in.z12AngleDeg) * kPi / 180.0;
      const double tF = (in.zfAngleDeg - in.z12AngleDeg) * kPi / 180.0;
      const double realZ = 2.0 + in.z0Ratio * std::cos(t0) + 3.0 * in.zfRatio * std::cos(tF);
      v0Bound += a * in.z0Ratio / realZ;
    }
    const double pi = kPiSingle;
    const double sum = in.toGround                             ? 1.0 + a / 2.0 + kSlack
                       : in.faultType == FaultType::ThreePhase ? 1.0 + kSlack
                                                               : kSequenceSumBound + kSlack;
    const double v2Bound = in.toGround ? a / 2.0 + kSlack : 2.0 * kRho + kSlack;
    PhaseTriple bus = RunFaultModel(in);

    const SequenceTriple s = SequenceVoltages(bus);
    CheckSet({s.zero, s.positive, s.negative}, {v0Bound, 1.0 + kSlack, v2Bound}, {-pi, -pi, -pi},
             {pi, pi, pi}, in, "V012 at Substation HV");

    const double hv = in.faultType == FaultType::ThreePhase ? sum : sum + v0Bound;
    if (in.faultType == FaultType::ThreePhase) {
      // Vb and Vc are Va turned by -/+ 2 pi_s/3 and never wrapped.
      const double r = kRotationSingle;
      CheckSet({bus.a, bus.b, bus.c}, {hv, hv, hv}, {-pi, -pi - r, -pi + r}, {pi, pi - r, pi + r},
               in, "Substation HV");
    } else {
      CheckSet({bus.a, bus.b, bus.c}, {hv, hv, hv}, {-pi, -pi, -pi}, {pi, pi, pi}, in,
               "Substation HV");
    }
    FaultInputs dd;
    dd.hvMvConnection = TransformerConnection::DD;
    const PhaseTriple belowDd = ApplyTransformer(Bus::SubstationMV, dd, bus);
    CheckSet({belowDd.a, belowDd.b, belowDd.c}, {sum, sum, sum}, {-pi, -pi, -pi}, {pi, pi, pi}, in,
             "after one DD");
    static const char* const kBelow[] = {"after one DY", "after two DY", "after three DY"};
    FaultInputs allDy;
    for (const char* where : kBelow) {
      bus = ApplyTransformer(Bus::SubstationMV, allDy, bus);
      CheckSet({bus.a, bus.b, bus.c}, {sum, sum, sum}, {-pi, -pi, -pi}, {pi, pi, pi}, in, where);
    }
  }
};

TEST(ReachableTest, BusVoltagesAreHvAfterAsManyDyStepsAsDyTransformersAbove) {
  for (FaultType fault : kFaults) {
    for (int proximity : {0, 37, 100}) {
      FaultInputs in;
      in.faultType = fault;
      in.proximity = static_cast<std::int16_t>(proximity);
      ASSERT_TRUE(Realise(-40, 25, in));
      in.zfRatio = 1.5;
      FaultInputs allDy;
      PhaseTriple steps[4] = {RunFaultModel(in)};
      for (int m = 1; m < 4; ++m) {
        steps[m] = ApplyTransformer(Bus::SubstationMV, allDy, steps[m - 1]);
      }
      for (int set = 0; set < 8; ++set) {
        const TransformerConnection c[3] = {static_cast<TransformerConnection>(set & 1),
                                            static_cast<TransformerConnection>((set >> 1) & 1),
                                            static_cast<TransformerConnection>((set >> 2) & 1)};
        in.hvMvConnection = c[0];
        in.mvC1Connection = c[1];
        in.c1C2Connection = c[2];
        const PassVoltages pass = ComputeVoltages(in);
        int dy = 0;
        for (int bus = 0; bus < 4; ++bus) {
          dy += bus > 0 && c[bus - 1] == TransformerConnection::DY;
          EXPECT_EQ(pass.busVoltages[bus], steps[dy]) << "set " << set << " bus " << bus + 1;
        }
      }
    }
  }
}

TEST(ReachableTest, EveryReachableStateShowsFiniteWellFormedBoundedValues) {
  const char* mode = std::getenv("DIPVIEW_SWEEP");
  const int step = mode != nullptr && std::strcmp(mode, "dense") == 0 ? 1 : 10;
  Sweep sweep;
  long pairs = 0;
  for (int zfDiff = -90; zfDiff <= 90; zfDiff += step) {
    for (int z0Diff = -90; z0Diff <= 90; z0Diff += step) {
      FaultInputs in;
      if (!Realise(zfDiff, z0Diff, in)) {
        continue;
      }
      ++pairs;
      for (bool toGround : {false, true}) {
        in.faultType = toGround ? FaultType::PhaseToPhase : FaultType::SinglePhase;
        in.toGround = toGround;
        for (float z0 : kZ0Ratios) {
          for (double zf : kZfRatios) {
            for (int proximity = 0; proximity <= 100; ++proximity) {
              in.z0Ratio = z0;
              in.zfRatio = zf;
              in.proximity = static_cast<std::int16_t>(proximity);
              in.faultedPhase = kPhases[proximity % 3];
              sweep.CheckState(in);
            }
          }
        }
      }
    }
  }
  for (FaultType fault : {FaultType::PhaseToPhase, FaultType::ThreePhase}) {
    for (int zfDiff = -90; zfDiff <= 90; ++zfDiff) {
      FaultInputs in;
      in.faultType = fault;
      Realise(zfDiff, 0, in);
      for (double zf : kZfRatios) {
        for (int proximity = 0; proximity <= 100; ++proximity) {
          in.zfRatio = zf;
          in.proximity = static_cast<std::int16_t>(proximity);
          in.faultedPhase = kPhases[proximity % 3];
          sweep.CheckState(in);
        }
      }
    }
  }
  EXPECT_EQ(sweep.failures, 0);
  std::printf("%ld angle pairs for the faults to ground, %ld states, 5 bus sets each\n", pairs,
              sweep.states);
}

}  // namespace
}  // namespace dipview

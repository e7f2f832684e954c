#include "compute/sag_in_time.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace dipview {
namespace {

constexpr double kDeg = kPi / 180.0;
constexpr TransformerConnection DY = TransformerConnection::DY;
constexpr TransformerConnection YY = TransformerConnection::YY;
constexpr TransformerConnection DD = TransformerConnection::DD;
constexpr CurveVerdict kIn = CurveVerdict::Inside;
constexpr CurveVerdict kOut = CurveVerdict::Outside;

PhaseTriple Balanced(double magnitude, double angleADeg) {
  return {{magnitude, angleADeg * kDeg},
          {magnitude, (angleADeg - 120.0) * kDeg},
          {magnitude, (angleADeg + 120.0) * kDeg}};
}

// Every bus 1 pu at 0 degrees before the fault and `during` in it.
SagStates SameAtEveryBus(const PhaseTriple& during) {
  SagStates s;
  s.preFault.fill(Balanced(1.0, 0.0));
  s.duringFault.fill(during);
  return s;
}

TEST(SagInTimeTest, PreFaultSetTurnsThirtyDegreesBackPerDY) {
  const struct {
    TransformerConnection hvMv, mvC1, c1C2;
    std::array<double, 4> angleA;  // degrees, Substation HV to Customer Level 2
  } rows[] = {
      {DY, DY, DY, {0, -30, -60, -90}},
      {DY, YY, DD, {0, -30, -30, -30}},
      {YY, DD, DY, {0, 0, 0, -30}},
      {DD, DY, DY, {0, 0, -30, -60}},
  };
  for (const auto& row : rows) {
    const auto sets = PreFaultVoltages(
        {.hvMvConnection = row.hvMv, .mvC1Connection = row.mvC1, .c1C2Connection = row.c1C2});
    for (std::size_t bus = 0; bus < 4; ++bus) {
      const double a = row.angleA[bus];
      for (const auto& [phasor, expected] :
           {std::pair{sets[bus].a, a}, {sets[bus].b, a - 120}, {sets[bus].c, a + 120}}) {
        EXPECT_EQ(phasor.magnitude, 1.0);
        EXPECT_NEAR(std::remainder(phasor.angle / kDeg - expected, 360.0), 0.0, 1e-12) << bus;
        EXPECT_GT(phasor.angle, -kPi);
        EXPECT_LE(phasor.angle, kPi);
      }
    }
  }
}

TEST(SagInTimeTest, GridHoldsOneCycleBeforeAndThreeAfter) {
  const struct {
    double duration;
    int hz, perCycle;
    long long faultSamples, count;
  } rows[] = {
      {0.1, 50, 128, 640, 1152},
      {0.1, 60, 128, 768, 1280},   // 0.1 * 60 * 128 is a hair above 768
      {0.0105, 50, 128, 68, 580},  // 67.2 samples of fault
      {0.001, 50, 4, 1, 17},
  };
  for (const auto& row : rows) {
    const SampleGrid grid = GridOf(
        {.durationSeconds = row.duration, .frequencyHz = row.hz, .samplesPerCycle = row.perCycle});
    EXPECT_EQ(grid.faultSamples, row.faultSamples) << row.duration;
    EXPECT_EQ(grid.Count(), row.count) << row.duration;
    EXPECT_EQ(grid.firstSample, -row.perCycle);
  }
}

TEST(SagInTimeTest, SamplesFollowTheCosineOfEachState) {
  SagStates s = SameAtEveryBus(Balanced(0.5, -30.0));
  const TimeSettings time{.durationSeconds = 0.04, .samplesPerCycle = 4};
  const Waveforms w = ComputeWaveforms(s, time);
  ASSERT_EQ(w.time.size(), 24u);  // 4 before, 8 in the fault, 12 after
  EXPECT_DOUBLE_EQ(w.time.front(), -0.02);
  EXPECT_DOUBLE_EQ(w.time.back(), 0.095);
  const auto& hvA = w.channels[0];
  const double r2 = std::sqrt(2.0);
  // j = -4 .. -1 before the fault, 0 .. 7 in it (0.5 at -30 degrees), 8 on after.
  const std::pair<int, double> samples[] = {
      {0, r2},  {1, 0.0}, {2, -r2}, {4, 0.5 * r2 * std::cos(30 * kDeg)}, {5, 0.5 * r2 * 0.5},
      {12, r2}, {13, 0.0}};
  for (const auto& [index, expected] : samples) {
    EXPECT_NEAR(hvA[static_cast<std::size_t>(index)], expected, 1e-15) << index;
  }
  // Phase C at Customer Level 2 in the fault: 0.5 at 90 degrees.
  EXPECT_NEAR(w.channels[11][4], 0.0, 1e-15);
  EXPECT_NEAR(w.channels[11][5], -0.5 * r2, 1e-15);

  // At 90 degrees on the wave phase A starts at its zero crossing.
  const Waveforms late =
      ComputeWaveforms(s, {.durationSeconds = 0.04, .inceptionDeg = 90, .samplesPerCycle = 4});
  EXPECT_NEAR(late.channels[0][0], 0.0, 1e-15);
  EXPECT_NEAR(late.channels[0][1], -r2, 1e-15);
}

// Urms(1/2) summed from the samples, window by window.
std::vector<std::vector<double>> RmsFromSamples(const Waveforms& w, int n) {
  std::vector<std::vector<double>> out(kChannelCount);
  for (std::size_t start = 0; start + static_cast<std::size_t>(n) <= w.time.size();
       start += static_cast<std::size_t>(n / 2)) {
    for (std::size_t c = 0; c < kChannelCount; ++c) {
      double sum = 0.0;
      for (std::size_t k = start; k < start + static_cast<std::size_t>(n); ++k) {
        sum += w.channels[c][k] * w.channels[c][k];
      }
      out[c].push_back(std::sqrt(sum / n));
    }
  }
  return out;
}

TEST(SagInTimeTest, HalfCycleRmsEqualsTheRmsOfTheSamples) {
  const PassVoltages pass = ComputeVoltages(FaultInputs{});
  const SagStates s = SagStatesOf(FaultInputs{}, pass);
  for (const TimeSettings time : {
           TimeSettings{},
           TimeSettings{.durationSeconds = 0.0137, .inceptionDeg = 37, .samplesPerCycle = 6},
           TimeSettings{.durationSeconds = 0.051, .inceptionDeg = -90, .frequencyHz = 60},
           TimeSettings{.durationSeconds = 0.003, .inceptionDeg = 200, .samplesPerCycle = 4},
       }) {
    const RmsSeries rms = HalfCycleRms(s, time);
    const auto expected = RmsFromSamples(ComputeWaveforms(s, time), time.samplesPerCycle);
    for (std::size_t c = 0; c < kChannelCount; ++c) {
      ASSERT_EQ(rms.channels[c].size(), expected[c].size());
      for (std::size_t i = 0; i < expected[c].size(); ++i) {
        EXPECT_NEAR(rms.channels[c][i], expected[c][i], 1e-12) << c << " " << i;
      }
    }
  }
}

TEST(SagInTimeTest, HalfCycleRmsOfABalancedHalfSag) {
  // Windows end every 10 ms from 0; the one ending at 10 ms is half before
  // the fault and half in it: sqrt((1 + 0.25) / 2). The last in the dip ends
  // at 110 ms, half in and half after.
  const SagStates s = SameAtEveryBus(Balanced(0.5, 0.0));
  const RmsSeries rms = HalfCycleRms(s, {});
  ASSERT_EQ(rms.time.size(), 17u);
  const std::pair<std::size_t, double> rows[] = {{0, 1.0},  {1, std::sqrt(0.625)},  {2, 0.5},
                                                 {10, 0.5}, {11, std::sqrt(0.625)}, {12, 1.0}};
  for (const auto& [i, value] : rows) {
    EXPECT_NEAR(rms.time[i], 0.01 * static_cast<double>(i), 1e-15);
    for (std::size_t c = 0; c < kChannelCount; ++c) {
      EXPECT_NEAR(rms.channels[c][i], value, 1e-12) << i << " " << c;
    }
  }
}

TEST(SagInTimeTest, BalancedSagsForTenHalfCycles) {
  // The window across each change is half in the fault: Urms^2 = (1 + V^2) / 2.
  // At 0.8 that is 0.9055: not below 0.9, so the dip starts with the first
  // window wholly in the fault, but not back above 0.92, so it ends with the
  // first wholly after it.
  const struct {
    double depth;
    bool dip;
    double start, duration;
    CurveVerdict itic, f47;
  } rows[] = {
      {0.5, true, 0.01, 0.11, kOut, kIn},  // 0.11 s needs 70 % (ITIC), 50 % (F47)
      {0.8, true, 0.02, 0.10, kIn, kIn},
      {0.0, true, 0.01, 0.11, kOut, kOut},
      {0.95, false, 0, 0, kIn, kIn},
  };
  for (const auto& row : rows) {
    for (const BusEvent& e : SagEvents(SameAtEveryBus(Balanced(row.depth, 0.0)), {})) {
      EXPECT_EQ(e.dip, row.dip) << row.depth;
      EXPECT_NEAR(e.residual, row.dip ? row.depth : 0.0, 1e-12) << row.depth;
      EXPECT_EQ(e.startSeconds, row.start) << row.depth;
      EXPECT_EQ(e.durationSeconds, row.duration) << row.depth;
      EXPECT_EQ(e.itic, row.itic) << row.depth;
      EXPECT_EQ(e.f47, row.f47) << row.depth;
    }
  }
}

TEST(SagInTimeTest, ThreePhaseFaultHalfwayGivesHalfForTheFaultAndHalfACycle) {
  const FaultInputs in{.faultType = FaultType::ThreePhase};
  const SagStates s = SagStatesOf(in, ComputeVoltages(in));
  for (const BusEvent& e : SagEvents(s, {})) {
    EXPECT_NEAR(e.residual, 0.500, 0.0005);
    EXPECT_NEAR(e.durationSeconds, 0.100, 0.010 + 1e-12);
    for (double jump : e.jumpDeg) {
      EXPECT_NEAR(jump, 0.0, 0.05);
    }
  }
}

TEST(SagInTimeTest, SteadySagsGiveTheirDeepestPhaseAndTheirDuration) {
  // Fault durations of whole half cycles put both changes on window edges.
  for (const TimeSettings time :
       {TimeSettings{.durationSeconds = 0.05, .inceptionDeg = 45},
        TimeSettings{.durationSeconds = 0.25, .frequencyHz = 60, .samplesPerCycle = 32}}) {
    const double cycle = 1.0 / time.frequencyHz;
    int dips = 0;
    for (const auto& [type, toGround] : {std::pair{FaultType::SinglePhase, false},
                                         {FaultType::PhaseToPhase, false},
                                         {FaultType::PhaseToPhase, true},
                                         {FaultType::ThreePhase, false}}) {
      for (int proximity = 0; proximity <= 100; proximity += 20) {
        for (const auto& [hvMv, mvC1] : {std::pair{DY, DY}, {YY, DD}}) {
          const FaultInputs in{.faultType = type,
                               .toGround = toGround,
                               .zfRatio = 0.5,
                               .zfAngleDeg = 30,
                               .proximity = static_cast<std::int16_t>(proximity),
                               .hvMvConnection = hvMv,
                               .mvC1Connection = mvC1};
          const PassVoltages pass = ComputeVoltages(in);
          const auto events = SagEvents(SagStatesOf(in, pass), time);
          for (std::size_t bus = 0; bus < 4; ++bus) {
            const PhaseTriple& v = pass.busVoltages[bus];
            const double lowest = std::min({v.a.magnitude, v.b.magnitude, v.c.magnitude});
            const BusEvent& e = events[bus];
            ASSERT_EQ(e.dip, lowest < kDipThreshold) << proximity << " bus " << bus;
            if (!e.dip) {
              continue;
            }
            ++dips;
            EXPECT_NEAR(e.residual, lowest, 0.001);
            EXPECT_NEAR(e.durationSeconds, time.durationSeconds, cycle);
          }
        }
      }
    }
    EXPECT_GT(dips, 50);
  }
}

TEST(SagInTimeTest, PhaseJumpAloneClearedOffTheEdgeReadsAsADip) {
  // Four samples a cycle; 1 pu throughout, turned 90 degrees for three
  // samples. 2 cos^2 of the samples from j = -4: 2 0 2 0 | 0 2 0 | 0 2 0 2 ...
  // The windows [0, 4) and [2, 6) hold 2 of 4: Urms = 1/sqrt(2).
  const SagStates s = SameAtEveryBus(Balanced(1.0, 90.0));
  const TimeSettings time{.durationSeconds = 0.015, .samplesPerCycle = 4};
  const RmsSeries rms = HalfCycleRms(s, time);
  const double expected[] = {1, 1, std::sqrt(0.5), std::sqrt(0.5), 1, 1, 1, 1};
  ASSERT_EQ(rms.channels[0].size(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    EXPECT_NEAR(rms.channels[0][i], expected[i], 1e-12) << i;
  }
  const BusEvent e = SagEvents(s, time)[0];
  EXPECT_TRUE(e.dip);
  EXPECT_NEAR(e.residual, std::sqrt(0.5), 1e-12);
  EXPECT_EQ(e.startSeconds, 0.02);
  EXPECT_EQ(e.durationSeconds, 0.02);
  EXPECT_EQ(e.itic, kIn);  // up to 20 ms ITIC takes anything
  EXPECT_EQ(e.jumpDeg[0], 90.0);
}

TEST(SagInTimeTest, JumpsOfTheStartUpSettings) {
  // The bus voltages of the transformer test, less 0, -30, -60, -90 degrees.
  const struct {
    std::size_t bus;
    std::array<double, 3> jumps;
  } rows[] = {{0, {0, -7.589, 7.589}},
              {1, {-6.587, 6.587, 0}},
              {2, {-5.818, 0, 5.818}},
              {3, {0, -6.587, 6.587}}};
  const auto events = SagEvents(SagStatesOf(FaultInputs{}, ComputeVoltages(FaultInputs{})), {});
  for (const auto& row : rows) {
    for (std::size_t p = 0; p < 3; ++p) {
      EXPECT_NEAR(events[row.bus].jumpDeg[p], row.jumps[p], 0.001) << row.bus << " " << p;
    }
  }
}

TEST(SagInTimeTest, JumpsAreWhatTheSamplesShow) {
  // One cycle of samples in the fault against one before it, a whole number
  // of cycles apart: the phase of each by its Fourier coefficient.
  const FaultInputs in{.faultType = FaultType::PhaseToPhase, .zfRatio = 0.3, .zfAngleDeg = 10};
  const SagStates s = SagStatesOf(in, ComputeVoltages(in));
  const TimeSettings time{.inceptionDeg = 71};
  const Waveforms w = ComputeWaveforms(s, time);
  const auto events = SagEvents(s, time);
  const int n = time.samplesPerCycle;
  const auto phaseOf = [&](std::size_t c, std::size_t first) {
    std::complex<double> sum;
    for (int k = 0; k < n; ++k) {
      sum +=
          w.channels[c][first + static_cast<std::size_t>(k)] * std::polar(1.0, -2.0 * kPi * k / n);
    }
    return std::arg(sum);
  };
  for (std::size_t c = 0; c < kChannelCount; ++c) {
    const double measured = AngleJumpDegrees(phaseOf(c, 0), phaseOf(c, 2 * n));
    EXPECT_NEAR(measured, events[c / 3].jumpDeg[c % 3], 0.05) << c;
  }
}

TEST(SagInTimeTest, JumpsWrapIntoHalfOpenCircle) {
  EXPECT_DOUBLE_EQ(AngleJumpDegrees(0.0, kPi), 180.0);
  EXPECT_DOUBLE_EQ(AngleJumpDegrees(kPi, 0.0), 180.0);
  EXPECT_NEAR(AngleJumpDegrees(170 * kDeg, -170 * kDeg), 20.0, 1e-12);
  EXPECT_NEAR(AngleJumpDegrees(-170 * kDeg, 170 * kDeg), -20.0, 1e-12);
}

TEST(SagInTimeTest, CurveCornersFromBothSides) {
  constexpr double e = 1e-9;
  const auto itic = RideThroughCurve::Itic;
  const auto f47 = RideThroughCurve::SemiF47;
  const struct {
    RideThroughCurve curve;
    double duration, residual;
    CurveVerdict verdict;
  } rows[] = {
      {itic, 0.001, 0.0, kIn},
      {itic, 0.02, 0.0, kIn},
      {itic, 0.02 + e, 0.0, kOut},
      {itic, 0.02 + e, 0.7, kIn},
      {itic, 0.02 + e, 0.7 - e, kOut},
      {itic, 0.5, 0.7, kIn},
      {itic, 0.5, 0.7 - e, kOut},
      {itic, 0.5 + e, 0.7, kOut},
      {itic, 0.5 + e, 0.8, kIn},
      {itic, 0.5 + e, 0.8 - e, kOut},
      {itic, 10, 0.8, kIn},
      {itic, 10, 0.8 - e, kOut},
      {itic, 10 + e, 0.8, kOut},
      {itic, 10 + e, 0.9, kIn},
      {itic, 10 + e, 0.9 - e, kOut},
      {itic, 1e6, 0.9, kIn},
      {f47, 0.001, 0.0, kIn},
      {f47, 0.02, 0.0, kIn},
      {f47, 0.02 + e, 0.0, kOut},
      {f47, 0.02 + e, 0.5, kIn},
      {f47, 0.02 + e, 0.5 - e, kOut},
      {f47, 0.2, 0.5, kIn},
      {f47, 0.2, 0.5 - e, kOut},
      {f47, 0.2 + e, 0.5, kOut},
      {f47, 0.2 + e, 0.7, kIn},
      {f47, 0.2 + e, 0.7 - e, kOut},
      {f47, 0.5, 0.7, kIn},
      {f47, 0.5, 0.7 - e, kOut},
      {f47, 0.5 + e, 0.7, kOut},
      {f47, 0.5 + e, 0.8, kIn},
      {f47, 0.5 + e, 0.8 - e, kOut},
      {f47, 1.0, 0.8, kIn},
      {f47, 1.0, 0.8 - e, kOut},
      {f47, 1.0 + e, 0.8, kOut},
      {f47, 1.0 + e, 0.9, kIn},
      {f47, 1.0 + e, 0.9 - e, kOut},
      {f47, 1e6, 0.9 - e, kOut},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(JudgeDip(row.curve, row.duration, row.residual), row.verdict)
        << (row.curve == itic ? "ITIC " : "F47 ") << row.duration << " s, " << row.residual;
  }
}

// The lines of a text, each ended by CR LF.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find("\r\n", start);
    EXPECT_NE(end, std::string::npos) << "line without CR LF";
    if (end == std::string::npos) {
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::stringstream in(line);
  std::string field;
  while (std::getline(in, field, ',')) {
    fields.push_back(field);
  }
  return fields;
}

TEST(SagInTimeTest, ComtradeReadsBackEverySample) {
  constexpr ComtradeNames kNames{.station = "DIPVIEW",
                                 .device = "dipview-calc",
                                 .buses = {"Substation HV", "Substation MV and Along Feeder",
                                           "Customer Level 1", "Customer Level 2"}};
  for (const int hz : {50, 60}) {
    const TimeSettings time{.durationSeconds = 0.05, .inceptionDeg = 30, .frequencyHz = hz};
    const SagStates s = SagStatesOf(FaultInputs{}, ComputeVoltages(FaultInputs{}));
    const Waveforms w = ComputeWaveforms(s, time);
    const ComtradeTexts t = WriteComtrade(w, time, kNames);

    const std::vector<std::string> cfg = Lines(t.cfg);
    ASSERT_EQ(cfg.size(), 21u);
    EXPECT_EQ(cfg[0], "DIPVIEW,dipview-calc,1999");
    EXPECT_EQ(cfg[1], "12,12A,0D");
    const std::string rate = std::to_string(128 * hz);
    const std::vector<std::string> tail(cfg.begin() + 14, cfg.end());
    EXPECT_EQ(tail, (std::vector<std::string>{
                        std::to_string(hz), "1", rate + "," + std::to_string(w.time.size()),
                        "01/01/2000,00:00:00.000000",
                        hz == 50 ? "01/01/2000,00:00:00.020000" : "01/01/2000,00:00:00.016667",
                        "ASCII", "1"}));
    std::array<double, kChannelCount> a{};
    std::array<double, kChannelCount> b{};
    for (std::size_t c = 0; c < kChannelCount; ++c) {
      const std::vector<std::string> f = Fields(cfg[2 + c]);
      ASSERT_EQ(f.size(), 13u) << cfg[2 + c];
      const std::string bus(kNames.buses[c / 3]);
      const std::string phase(1, "ABC"[c % 3]);
      EXPECT_EQ(f[0], std::to_string(c + 1));
      EXPECT_EQ(f[1], bus + " phase " + phase);
      EXPECT_EQ(f[2], phase);
      EXPECT_EQ(f[3], bus);
      EXPECT_EQ(f[4], "pu");
      a[c] = std::stod(f[5]);
      b[c] = std::stod(f[6]);
      EXPECT_EQ(f[7] + "," + f[8] + "," + f[9] + "," + f[10] + "," + f[11] + "," + f[12],
                "0,-32767,32767,1,1,P");
    }

    const std::vector<std::string> dat = Lines(t.dat);
    ASSERT_EQ(dat.size(), w.time.size());
    std::array<int, kChannelCount> lowest{};
    std::array<int, kChannelCount> highest{};
    for (std::size_t k = 0; k < dat.size(); ++k) {
      const std::vector<std::string> f = Fields(dat[k]);
      ASSERT_EQ(f.size(), 14u);
      EXPECT_EQ(f[0], std::to_string(k + 1));
      EXPECT_NEAR(std::stod(f[1]), static_cast<double>(k) * 1e6 / (128 * hz), 0.5 + 1e-9);
      for (std::size_t c = 0; c < kChannelCount; ++c) {
        const int stored = std::stoi(f[2 + c]);
        lowest[c] = std::min(lowest[c], stored);
        highest[c] = std::max(highest[c], stored);
        EXPECT_LE(std::abs(a[c] * stored + b[c] - w.channels[c][k]), a[c]) << k << " " << c;
      }
    }
    for (std::size_t c = 0; c < kChannelCount; ++c) {
      EXPECT_EQ(lowest[c], -32767) << c;
      EXPECT_EQ(highest[c], 32767) << c;
    }
  }
}

}  // namespace
}  // namespace dipview

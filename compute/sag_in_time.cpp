#include "compute/sag_in_time.h"

#include "compute/maths.h"
#include "compute/readout.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace dipview {

namespace {

// A sample's state: before the fault, during it, after clearing.
enum class State { Pre, During, Post };

const Phasor& PhaseOf(const PhaseTriple& set, int phase) {
  return phase == 0 ? set.a : phase == 1 ? set.b : set.c;
}

const Phasor& ChannelPhasor(const SagStates& states, int channel, State state) {
  const auto& sets = state == State::During ? states.duringFault : states.preFault;
  return PhaseOf(sets[static_cast<std::size_t>(channel / 3)], channel % 3);
}

// An angle in radians brought into (-pi, pi].
double WrapAngle(double angle) {
  const double wrapped = std::remainder(angle, 2.0 * kPi);
  return wrapped <= -kPi ? wrapped + 2.0 * kPi : wrapped;
}

double InceptionRadians(const TimeSettings& time) {
  return time.inceptionDeg * kPi / 180.0;
}

long long PositiveModulo(long long j, long long n) {
  const long long m = j % n;
  return m < 0 ? m + n : m;
}

// sum over k = a .. b-1 of cos(2 w k + 2 phi), w = 2 pi / n, is
// sin((b - a) w) / sin(w) * cos((a + b - 1) w + 2 phi); kept here is what
// does not depend on phi, with a taken modulo n.
struct CosineSum {
  CosineSum(long long a, long long b, int n) {
    const double w = 2.0 * kPi / n;
    const long long first = PositiveModulo(a, n);
    const long long last = first + (b - a);
    factor = maths::Sin(static_cast<double>(b - a) * w) / maths::Sin(w);
    angle = static_cast<double>(first + last - 1) * w;
  }
  double Of(double phi) const { return factor * maths::Cos(angle + 2.0 * phi); }
  double factor;
  double angle;
};

// The ITIC and SEMI F47-0706 lower limits.
constexpr double kForEver = std::numeric_limits<double>::infinity();
constexpr CurveStep kIticSteps[] = {{0.02, 0.0}, {0.5, 0.7}, {10.0, 0.8}, {kForEver, 0.9}};
constexpr CurveStep kF47Steps[] = {
    {0.02, 0.0}, {0.2, 0.5}, {0.5, 0.7}, {1.0, 0.8}, {kForEver, 0.9}};

}  // namespace

std::array<PhaseTriple, 4> PreFaultVoltages(const FaultInputs& in) {
  std::array<PhaseTriple, 4> sets;
  int turns = 0;
  for (int n = 1; n <= 4; ++n) {
    if (FeedingConnection(static_cast<Bus>(n), in) == TransformerConnection::DY) {
      ++turns;
    }
    const double a = -turns * kPi / 6.0;
    sets[static_cast<std::size_t>(n - 1)] = {
        {1.0, WrapAngle(a)}, {1.0, WrapAngle(a - kRotation)}, {1.0, WrapAngle(a + kRotation)}};
  }
  return sets;
}

SagStates SagStatesOf(const FaultInputs& in, const PassVoltages& pass) {
  return {.preFault = PreFaultVoltages(in), .duringFault = pass.busVoltages};
}

double SampleGrid::Time(long long j) const {
  return static_cast<double>(j) / (static_cast<double>(samplesPerCycle) * frequencyHz);
}

SampleGrid GridOf(const TimeSettings& time) {
  const int n = time.samplesPerCycle;
  const double exact = time.durationSeconds * time.frequencyHz * n;
  const double whole = std::round(exact);
  const double samples = std::fabs(exact - whole) < 1e-6 ? whole : std::ceil(exact);
  SampleGrid grid{.samplesPerCycle = n, .frequencyHz = time.frequencyHz};
  grid.faultSamples = std::max(1LL, static_cast<long long>(samples));
  grid.firstSample = -n;
  grid.lastSample = grid.faultSamples + 3LL * n - 1;
  return grid;
}

double SampleValue(const SagStates& states, const TimeSettings& time, const SampleGrid& grid,
                   int channel, long long j) {
  const State state = j < 0 ? State::Pre : j < grid.faultSamples ? State::During : State::Post;
  const Phasor& v = ChannelPhasor(states, channel, state);
  const int n = grid.samplesPerCycle;
  const double wt = 2.0 * kPi * static_cast<double>(PositiveModulo(j, n)) / n;
  return std::sqrt(2.0) * v.magnitude * maths::Cos(wt + InceptionRadians(time) + v.angle);
}

Waveforms ComputeWaveforms(const SagStates& states, const TimeSettings& time) {
  const SampleGrid grid = GridOf(time);
  Waveforms w;
  const auto count = static_cast<std::size_t>(grid.Count());
  w.time.reserve(count);
  for (auto& channel : w.channels) {
    channel.reserve(count);
  }
  for (long long j = grid.firstSample; j <= grid.lastSample; ++j) {
    w.time.push_back(grid.Time(j));
    for (int c = 0; c < kChannelCount; ++c) {
      w.channels[static_cast<std::size_t>(c)].push_back(SampleValue(states, time, grid, c, j));
    }
  }
  return w;
}

RmsSeries HalfCycleRms(const SagStates& states, const TimeSettings& time) {
  const SampleGrid grid = GridOf(time);
  const int n = grid.samplesPerCycle;
  const int half = n / 2;
  const double inception = InceptionRadians(time);
  const long long f = grid.faultSamples;
  RmsSeries rms;
  rms.samplesPerSecond = n * grid.frequencyHz;
  const auto windows = static_cast<std::size_t>((grid.Count() - n) / half + 1);
  rms.windowEnd.reserve(windows);
  rms.time.reserve(windows);
  for (auto& channel : rms.channels) {
    channel.reserve(windows);
  }
  for (long long start = grid.firstSample; start + n - 1 <= grid.lastSample; start += half) {
    const long long end = start + n;
    rms.windowEnd.push_back(end);
    rms.time.push_back(grid.Time(end));
    // The window's pieces in each state: [from, to).
    const struct {
      State state;
      long long from, to;
    } pieces[] = {{State::Pre, start, std::min(end, 0LL)},
                  {State::During, std::max(start, 0LL), std::min(end, f)},
                  {State::Post, std::max(start, f), end}};
    for (const auto& piece : pieces) {
      if (piece.to - piece.from == n) {
        for (int c = 0; c < kChannelCount; ++c) {
          rms.channels[static_cast<std::size_t>(c)].push_back(
              std::fabs(ChannelPhasor(states, c, piece.state).magnitude));
        }
      }
    }
    if (rms.channels[0].size() == rms.time.size()) {
      continue;
    }
    std::array<double, kChannelCount> sums{};
    for (const auto& piece : pieces) {
      if (piece.to <= piece.from) {
        continue;
      }
      const CosineSum cosines(piece.from, piece.to, n);
      for (int c = 0; c < kChannelCount; ++c) {
        const Phasor& v = ChannelPhasor(states, c, piece.state);
        // 2 |V|^2 cos^2(x) = |V|^2 (1 + cos 2x) for each sample.
        sums[static_cast<std::size_t>(c)] +=
            v.magnitude * v.magnitude *
            (static_cast<double>(piece.to - piece.from) + cosines.Of(inception + v.angle));
      }
    }
    for (std::size_t c = 0; c < kChannelCount; ++c) {
      rms.channels[c].push_back(std::sqrt(std::max(0.0, sums[c] / n)));
    }
  }
  return rms;
}

std::span<const CurveStep> CurveSteps(RideThroughCurve curve) {
  if (curve == RideThroughCurve::Itic) {
    return kIticSteps;
  }
  return kF47Steps;
}

CurveVerdict JudgeDip(RideThroughCurve curve, double durationSeconds, double residual) {
  for (const CurveStep& step : CurveSteps(curve)) {
    if (durationSeconds <= step.upToSeconds) {
      return residual >= step.minimum ? CurveVerdict::Inside : CurveVerdict::Outside;
    }
  }
  return CurveVerdict::Outside;
}

double AngleJumpDegrees(double fromRadians, double toRadians) {
  const double degrees = std::remainder((toRadians - fromRadians) * 180.0 / kPi, 360.0);
  return degrees <= -180.0 ? degrees + 360.0 : degrees;
}

std::array<BusEvent, 4> BusEvents(const SagStates& states, const RmsSeries& rms) {
  std::array<BusEvent, 4> events;
  for (std::size_t bus = 0; bus < 4; ++bus) {
    BusEvent& e = events[bus];
    for (int phase = 0; phase < 3; ++phase) {
      e.jumpDeg[static_cast<std::size_t>(phase)] =
          AngleJumpDegrees(PhaseOf(states.preFault[bus], phase).angle,
                           PhaseOf(states.duringFault[bus], phase).angle);
    }
    const auto& a = rms.channels[3 * bus];
    const auto& b = rms.channels[3 * bus + 1];
    const auto& c = rms.channels[3 * bus + 2];
    bool inDip = false;
    double lowest = std::numeric_limits<double>::infinity();
    long long start = 0;
    long long end = 0;
    for (std::size_t i = 0; i < rms.time.size(); ++i) {
      const double low = std::min({a[i], b[i], c[i]});
      if (!inDip && low < kDipThreshold) {
        inDip = true;
        if (!e.dip) {
          e.dip = true;
          start = rms.windowEnd[i];
        }
      }
      if (inDip) {
        if (low >= kDipThreshold + kDipHysteresis) {
          inDip = false;
          end = rms.windowEnd[i];
        } else {
          lowest = std::min(lowest, low);
        }
      }
    }
    if (!e.dip) {
      continue;
    }
    if (inDip) {
      end = rms.windowEnd.back();
    }
    e.residual = lowest;
    e.startSeconds = static_cast<double>(start) / rms.samplesPerSecond;
    e.durationSeconds = static_cast<double>(end - start) / rms.samplesPerSecond;
    e.itic = JudgeDip(RideThroughCurve::Itic, e.durationSeconds, e.residual);
    e.f47 = JudgeDip(RideThroughCurve::SemiF47, e.durationSeconds, e.residual);
  }
  return events;
}

std::array<BusEvent, 4> SagEvents(const SagStates& states, const TimeSettings& time) {
  return BusEvents(states, HalfCycleRms(states, time));
}

namespace {

// Through the readouts' own conversion, which every build has: the page's
// C++ library has no floating-point to_chars.
void AppendNumber(std::string& s, double value) {
  char text[kNumberTextMax];
  s.append(text, WriteNumberText(value, text));
}

void AppendWhole(std::string& s, long long value) {
  char text[24];
  s.append(text, std::to_chars(text, text + sizeof text, value).ptr);
}

}  // namespace

ComtradeTexts WriteComtrade(const Waveforms& waves, const TimeSettings& time,
                            const ComtradeNames& names) {
  constexpr std::string_view kEnd = "\r\n";
  ComtradeTexts t;
  std::string& cfg = t.cfg;
  cfg.append(names.station).append(",").append(names.device).append(",1999").append(kEnd);
  cfg.append("12,12A,0D").append(kEnd);
  std::array<double, kChannelCount> scale{};
  std::array<double, kChannelCount> offset{};
  for (int c = 0; c < kChannelCount; ++c) {
    const auto& samples = waves.channels[static_cast<std::size_t>(c)];
    const auto [low, high] = std::minmax_element(samples.begin(), samples.end());
    const double lo = samples.empty() ? 0.0 : *low;
    const double hi = samples.empty() ? 0.0 : *high;
    double a = (hi - lo) / (2.0 * kComtradeRange);
    if (!(a > 0.0)) {
      a = 1.0 / kComtradeRange;
    }
    const double b = lo / 2.0 + hi / 2.0;
    scale[static_cast<std::size_t>(c)] = a;
    offset[static_cast<std::size_t>(c)] = b;
    const std::string_view bus = names.buses[static_cast<std::size_t>(c / 3)];
    const char phase = "ABC"[c % 3];
    AppendWhole(cfg, c + 1);
    cfg.append(",").append(bus).append(" phase ").append(1, phase);
    cfg.append(",").append(1, phase).append(",").append(bus).append(",pu,");
    AppendNumber(cfg, a);
    cfg += ',';
    AppendNumber(cfg, b);
    cfg.append(",0,-");
    AppendWhole(cfg, kComtradeRange);
    cfg += ',';
    AppendWhole(cfg, kComtradeRange);
    cfg.append(",1,1,P").append(kEnd);
  }
  const long long count = static_cast<long long>(waves.time.size());
  const int rate = time.samplesPerCycle * time.frequencyHz;
  AppendWhole(cfg, time.frequencyHz);
  cfg.append(kEnd).append("1").append(kEnd);
  AppendWhole(cfg, rate);
  cfg += ',';
  AppendWhole(cfg, count);
  cfg.append(kEnd);
  const auto cycleMicroseconds = std::llround(1e6 / time.frequencyHz);
  char trigger[32];
  const auto written = std::snprintf(trigger, sizeof trigger, "00:00:00.%06lld", cycleMicroseconds);
  cfg.append("01/01/2000,00:00:00.000000").append(kEnd);
  cfg.append("01/01/2000,").append(trigger, static_cast<std::size_t>(written)).append(kEnd);
  cfg.append("ASCII").append(kEnd).append("1").append(kEnd);

  std::string& dat = t.dat;
  dat.reserve(static_cast<std::size_t>(count) * 96);
  for (long long k = 0; k < count; ++k) {
    AppendWhole(dat, k + 1);
    dat += ',';
    AppendWhole(dat, std::llround(static_cast<double>(k) * 1e6 / rate));
    for (std::size_t c = 0; c < kChannelCount; ++c) {
      const double value = waves.channels[c][static_cast<std::size_t>(k)];
      const double stored = std::round((value - offset[c]) / scale[c]);
      dat += ',';
      AppendWhole(dat,
                  static_cast<long long>(std::clamp(stored, -static_cast<double>(kComtradeRange),
                                                    static_cast<double>(kComtradeRange))));
    }
    dat.append(kEnd);
  }
  return t;
}

}  // namespace dipview

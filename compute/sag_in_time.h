#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "compute/transformer.h"

namespace dipview {

/// How the sag runs in time. The fault starts at t = 0 and is cleared
/// `durationSeconds` later; the record runs from one cycle before the start
/// to three cycles after clearing.
struct TimeSettings {
  double durationSeconds = 0.1;  ///< seconds, kMinDuration to kMaxDuration
  /// Point on wave of the start: the angle of phase A's pre-fault voltage at
  /// Substation HV at t = 0, in degrees, kMinInception to kMaxInception.
  double inceptionDeg = 0.0;
  int frequencyHz = 50;       ///< 50 or 60
  int samplesPerCycle = 128;  ///< even, kMinSamplesPerCycle to kMaxSamplesPerCycle
  friend bool operator==(const TimeSettings&, const TimeSettings&) = default;
};

inline constexpr double kMinDuration = 0.001;
inline constexpr double kMaxDuration = 10.0;
inline constexpr double kMinInception = -360.0;
inline constexpr double kMaxInception = 360.0;
inline constexpr int kMinSamplesPerCycle = 4;
inline constexpr int kMaxSamplesPerCycle = 1024;

/// Twelve channels, bus by bus from Substation HV to Customer Level 2 and in
/// each phases A, B, C: channel 3 * bus + phase.
inline constexpr int kChannelCount = 12;

/// The phase voltages of every bus before and during the fault (index 0 =
/// Substation HV ... 3 = Customer Level 2); after clearing the pre-fault set
/// returns.
struct SagStates {
  std::array<PhaseTriple, 4> preFault;
  std::array<PhaseTriple, 4> duringFault;
  friend bool operator==(const SagStates&, const SagStates&) = default;
};

/// The balanced pre-fault set of each bus: 1 pu, phase A at 0 at Substation
/// HV turned by -pi/6 for each DY above the bus (YY and DD turn nothing), B
/// and C 2*pi/3 behind and ahead of A; angles in radians in (-pi, pi].
std::array<PhaseTriple, 4> PreFaultVoltages(const FaultInputs& in);

/// The pre-fault sets of `in` and the pass's bus voltages during the fault.
SagStates SagStatesOf(const FaultInputs& in, const PassVoltages& pass);

/// The sample grid: sample j (0 at the start of the fault) is at
/// t = j / (samplesPerCycle * frequencyHz) seconds, from j = -samplesPerCycle
/// to lastSample. Samples 0 to faultSamples - 1 take the during-fault set.
struct SampleGrid {
  int samplesPerCycle = 0;
  int frequencyHz = 0;
  /// ceil(duration * frequency * samplesPerCycle), at least 1; a product
  /// within 1e-6 of a whole number counts as that number.
  long long faultSamples = 0;
  long long firstSample = 0;  ///< -samplesPerCycle
  long long lastSample = 0;   ///< faultSamples + 3 * samplesPerCycle - 1
  long long Count() const { return lastSample - firstSample + 1; }
  double Time(long long j) const;  ///< seconds
};
SampleGrid GridOf(const TimeSettings& time);

/// The instantaneous voltage of channel `channel` at sample j, in per unit:
/// sqrt(2) |V| cos(2 pi f t + inception + angle V) with V the set of the
/// sample's state; 2 pi f t is taken as 2 pi (j mod N) / N so that every
/// cycle of one state repeats exactly.
double SampleValue(const SagStates& states, const TimeSettings& time, const SampleGrid& grid,
                   int channel, long long j);

/// Samples of all twelve channels over the whole record.
struct Waveforms {
  std::vector<double> time;  ///< seconds, 0 at the start of the fault
  std::array<std::vector<double>, kChannelCount> channels;  ///< per unit
};
Waveforms ComputeWaveforms(const SagStates& states, const TimeSettings& time);

/// Urms(1/2) of IEC 61000-4-30: the rms of one cycle of samples, a window
/// refreshed every half cycle. The windows start at the record's first
/// sample and every half cycle after, so the start of the fault lies on a
/// window's edge (IEC 61000-4-30 starts them at a zero crossing instead); the
/// last window ends within the record. Each value is stamped with the end of
/// its window: windowEnd is the first sample after the window. A window within
/// one state gives that state's |V|; one across a change is the rms of its
/// samples, summed in closed form.
struct RmsSeries {
  int samplesPerSecond = 0;
  std::vector<long long> windowEnd;
  std::vector<double> time;  ///< seconds, windowEnd / samplesPerSecond
  std::array<std::vector<double>, kChannelCount> channels;  ///< per unit
};
RmsSeries HalfCycleRms(const SagStates& states, const TimeSettings& time);

/// Dip detection on Urms(1/2): a dip starts when a phase falls below
/// kDipThreshold and ends when every phase is at or above kDipThreshold +
/// kDipHysteresis (per unit of the pre-fault 1 pu).
inline constexpr double kDipThreshold = 0.9;
inline constexpr double kDipHysteresis = 0.02;

/// A ride-through curve's verdict on a dip: inside means the equipment is
/// expected to ride through it.
enum class CurveVerdict { Inside, Outside };

/// The equipment curves: the ITI (CBEMA) curve, 2000 revision, and SEMI
/// F47-0706.
enum class RideThroughCurve { Itic, SemiF47 };

/// One step of a curve's lower limit: dips lasting up to and including
/// `upToSeconds` (and longer than the step before) need at least `minimum`.
struct CurveStep {
  double upToSeconds = 0.0;
  double minimum = 0.0;  ///< per unit
};

/// The steps of a curve, shortest first; the last one lasts for ever.
///   ITIC: up to 0.02 s 0; to 0.5 s 0.7; to 10 s 0.8; beyond 0.9.
///   SEMI F47-0706: up to 0.02 s 0; to 0.2 s 0.5; to 0.5 s 0.7; to 1 s 0.8;
///   beyond 0.9.
std::span<const CurveStep> CurveSteps(RideThroughCurve curve);

/// Inside when `residual` is at or above the limit of the step that holds
/// `durationSeconds`; a duration on a corner belongs to the shorter step.
CurveVerdict JudgeDip(RideThroughCurve curve, double durationSeconds, double residual);

/// What one bus sees.
struct BusEvent {
  bool dip = false;
  /// The lowest Urms(1/2) of any phase from the dip's start to its end, per
  /// unit; 0 without a dip.
  double residual = 0.0;
  /// From the stamp of the first value below the threshold to that of the
  /// first with every phase back above threshold plus hysteresis, seconds;
  /// 0 without a dip. Dips that end and start again within the record are
  /// one event, from the first start to the last end.
  double durationSeconds = 0.0;
  double startSeconds = 0.0;  ///< stamp of the start, seconds
  /// Angle of the during-fault phasor minus the pre-fault one, degrees in
  /// (-180, 180], phases A, B, C; given with or without a dip.
  std::array<double, 3> jumpDeg{};
  CurveVerdict itic = CurveVerdict::Inside;  ///< meaningful with a dip only
  CurveVerdict f47 = CurveVerdict::Inside;   ///< meaningful with a dip only
  friend bool operator==(const BusEvent&, const BusEvent&) = default;
};

/// The event of each bus from the Urms(1/2) of its three channels.
std::array<BusEvent, 4> BusEvents(const SagStates& states, const RmsSeries& rms);
std::array<BusEvent, 4> SagEvents(const SagStates& states, const TimeSettings& time);

/// toRadians minus fromRadians, in degrees wrapped to (-180, 180].
double AngleJumpDegrees(double fromRadians, double toRadians);

/// Names written into a COMTRADE configuration; none may hold a comma.
struct ComtradeNames {
  std::string_view station;
  std::string_view device;
  std::array<std::string_view, 4> buses;  ///< Substation HV ... Customer Level 2
};

/// The two texts of a COMTRADE record, IEEE C37.111-1999, ASCII.
struct ComtradeTexts {
  std::string cfg;
  std::string dat;
};

/// Samples of a channel are stored as whole numbers from -kComtradeRange to
/// kComtradeRange; value = a * stored + b, with b the middle of the
/// channel's range and a its span over 2 * kComtradeRange, so no sample clips.
inline constexpr int kComtradeRange = 32767;

/// The configuration: twelve analog channels named "BUS phase P" with phase
/// P, circuit BUS and unit pu; the line frequency; one sampling rate over
/// every sample; the first sample at 01/01/2000 00:00:00 and the trigger, the
/// start of the fault, one cycle later; ASCII; time multiplier 1. The data:
/// one line a sample, numbered from 1, its time stamp in whole microseconds
/// from the first sample, then the twelve stored values. Lines end in CR LF.
ComtradeTexts WriteComtrade(const Waveforms& waves, const TimeSettings& time,
                            const ComtradeNames& names);

}  // namespace dipview

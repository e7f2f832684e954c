#include "calc/events.h"

#include <cmath>

#include "calc/options.h"
#include "calc/settings.h"
#include "compute/readout.h"
#include "dipview/version.h"
#include "output/output_file.h"

namespace dipview::calc {

namespace {

std::string_view VerdictText(CurveVerdict verdict) {
  return verdict == CurveVerdict::Inside ? "inside" : "outside";
}

double DurationValue(double seconds, ValueMode mode) {
  return mode == ValueMode::Full ? seconds : std::round(seconds * 10000.0) / 10000.0;
}

double JumpValue(double degrees, ValueMode mode) {
  switch (mode) {
    case ValueMode::Shown:
      return std::floor(degrees * 10.0) / 10.0 + 0.0;
    case ValueMode::Rounded:
      return std::round(degrees * 10.0) / 10.0 + 0.0;
    case ValueMode::Full:
      return degrees;
  }
  return degrees;
}

[[noreturn]] void Refuse(std::string_view text, std::string_view allowed) {
  throw ValueError(output::QuoteForMessage(text) +
                   " is out of range; allowed: " + std::string(allowed));
}

void AppendRow(std::string& s, double t, const std::array<double, kChannelCount>& values) {
  char text[kFullTextMax];
  s.clear();
  s.append(text, WriteFullNumberText(t, text));
  for (const double v : values) {
    s += ',';
    s.append(text, WriteFullNumberText(v, text));
  }
  s += '\n';
}

}  // namespace

void WriteEventTexts(const FaultInputs& in, const PassVoltages& pass, const TimeSettings& time,
                     ValueMode mode, ReadoutTextCache& texts, EventTexts& out) {
  const std::array<BusEvent, 4> events = SagEvents(SagStatesOf(in, pass), time);
  std::size_t i = 0;
  const auto number = [&](double value) {
    char* text = out.room[i].data();
    out.cells[i] = std::string_view(text, mode == ValueMode::Full ? WriteFullNumberText(value, text)
                                                                  : texts.Write(value, text));
    ++i;
  };
  for (const BusEvent& e : events) {
    if (e.dip) {
      number(MagnitudeValue(e.residual, mode));
      number(DurationValue(e.durationSeconds, mode));
    } else {
      out.cells[i++] = kNoDip;
      out.cells[i++] = kNoDip;
    }
    for (const double jump : e.jumpDeg) {
      number(JumpValue(jump, mode));
    }
    out.cells[i++] = e.dip ? VerdictText(e.itic) : kNoDip;
    out.cells[i++] = e.dip ? VerdictText(e.f47) : kNoDip;
  }
}

double ParseDuration(std::string_view text) {
  const double value = ParseFiniteNumber(text, kAllowedDuration);
  if (!(value >= kMinDuration && value <= kMaxDuration)) {
    Refuse(text, kAllowedDuration);
  }
  return value;
}

double ParseInception(std::string_view text) {
  const double value = ParseFiniteNumber(text, kAllowedInception);
  if (!(value >= kMinInception && value <= kMaxInception)) {
    Refuse(text, kAllowedInception);
  }
  return value + 0.0;
}

int ParseFrequency(std::string_view text) {
  const double value = ParseFiniteNumber(text, kAllowedFrequency);
  if (value != 50 && value != 60) {
    throw ValueError(output::QuoteForMessage(text) +
                     " is not a line frequency; allowed: " + std::string(kAllowedFrequency));
  }
  return static_cast<int>(value);
}

int ParseSamplesPerCycle(std::string_view text) {
  const double value = ParseFiniteNumber(text, kAllowedSamplesPerCycle);
  // The range first: converting a double beyond int's range is undefined.
  if (!(value >= kMinSamplesPerCycle && value <= kMaxSamplesPerCycle) ||
      value != std::floor(value) || static_cast<int>(value) % 2 != 0) {
    throw ValueError(output::QuoteForMessage(text) +
                     " is not allowed; allowed: " + std::string(kAllowedSamplesPerCycle));
  }
  return static_cast<int>(value);
}

bool WantsSignals(const CalcOptions& options) {
  return options.signal != SignalOutput::None || !options.comtradeBase.empty();
}

void CheckSagInTimeOptions(const CalcOptions& options) {
  const std::string_view signal = options.signal == SignalOutput::Waveform ? "--waveform"
                                  : options.signal == SignalOutput::Rms    ? "--rms"
                                                                           : "--comtrade";
  const bool timeChart = !options.plotPath.empty() && options.sweeps.empty();
  if (!options.timeOption.empty() && !options.extras.events && !WantsSignals(options) &&
      !timeChart) {
    throw UsageError(std::string(options.timeOption) +
                     " sets how the sag runs in time; give --events, --waveform, --rms or "
                     "--comtrade too");
  }
  if (options.extras.events && (!options.pngPath.empty() || !options.plotPath.empty())) {
    throw UsageError("--events adds output columns; " +
                     std::string(options.plotPath.empty() ? options.pictureOption : "--plot") +
                     " writes a picture instead of rows");
  }
  if (!WantsSignals(options)) {
    return;
  }
  const auto refuse = [signal](std::string_view other, std::string_view why) {
    throw UsageError(std::string(signal) + " " + std::string(why) + "; it cannot be used with " +
                     std::string(other));
  };
  constexpr std::string_view oneState = "writes the samples of one state";
  constexpr std::string_view noRows = "writes samples instead of rows";
  if (options.batch) {
    refuse("--batch", oneState);
  }
  if (!options.sweeps.empty()) {
    refuse("--sweep", oneState);
  }
  if (!options.pngPath.empty()) {
    refuse(options.pictureOption, noRows);
  }
  if (!options.plotPath.empty()) {
    refuse("--plot", noRows);
  }
  if (options.extras.events) {
    refuse("--events", noRows);
  }
  if (options.extras.classify) {
    refuse("--classify", noRows);
  }
  if (options.extras.lineToLine) {
    refuse("--line-to-line", noRows);
  }
  if (options.formatGiven) {
    refuse("--format", noRows);
  }
  if (!options.columns.empty()) {
    refuse("--columns", noRows);
  }
  if (options.valuesGiven) {
    refuse("--values", noRows);
  }
}

std::string SignalHeader() {
  std::string s = "t";
  for (const char* bus : kBusKeys) {
    for (const char* phase : {"_a", "_b", "_c"}) {
      s += ',';
      s += bus;
      s += phase;
    }
  }
  return s;
}

void WriteSignals(const CalcOptions& options, output::OutputBuffer& out,
                  output::ByteSink& standardOutput) {
  const FaultInputs& in = options.settings;
  const SagStates states = SagStatesOf(in, ComputeVoltages(in));
  const bool needSamples =
      options.signal == SignalOutput::Waveform || !options.comtradeBase.empty();
  const Waveforms waves = needSamples ? ComputeWaveforms(states, options.time) : Waveforms{};
  if (!options.comtradeBase.empty()) {
    const ComtradeTexts texts =
        WriteComtrade(waves, options.time,
                      {.station = kProductName, .device = "dipview-calc", .buses = kBusNames});
    output::WriteOutputFile(options.comtradeBase + ".cfg", texts.cfg, standardOutput);
    output::WriteOutputFile(options.comtradeBase + ".dat", texts.dat, standardOutput);
  }
  if (options.signal == SignalOutput::None) {
    return;
  }
  out.Append(SignalHeader());
  out.Append('\n');
  std::string row;
  std::array<double, kChannelCount> values{};
  if (options.signal == SignalOutput::Waveform) {
    for (std::size_t k = 0; k < waves.time.size(); ++k) {
      for (std::size_t c = 0; c < kChannelCount; ++c) {
        values[c] = waves.channels[c][k];
      }
      AppendRow(row, waves.time[k], values);
      out.Append(row);
    }
  } else {
    const RmsSeries rms = HalfCycleRms(states, options.time);
    for (std::size_t k = 0; k < rms.time.size(); ++k) {
      for (std::size_t c = 0; c < kChannelCount; ++c) {
        values[c] = rms.channels[c][k];
      }
      AppendRow(row, rms.time[k], values);
      out.Append(row);
    }
  }
}

}  // namespace dipview::calc

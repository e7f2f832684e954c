#include "calc/value_modes.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "calc/settings.h"
#include "compute/readout.h"
#include "compute/sag.h"

namespace dipview::calc {

namespace {

constexpr double PowerOfTen(int exponent) {
  return exponent == 0 ? 1.0 : 10.0 * PowerOfTen(exponent - 1);
}

// V or F as `mode` writes it.
double ClassNumberValue(double value, ValueMode mode) {
  return mode == ValueMode::Full ? value : RoundClassNumber(value);
}

}  // namespace

ValueMode ParseValueMode(std::string_view text) {
  constexpr std::pair<std::string_view, ValueMode> kModes[] = {
      {"shown", ValueMode::Shown}, {"rounded", ValueMode::Rounded}, {"full", ValueMode::Full}};
  for (const auto& [name, mode] : kModes) {
    if (EqualsIgnoringCase(text, name)) {
      return mode;
    }
  }
  throw ValueError("'" + std::string(text) +
                   "' is not a way to write values; allowed: " + std::string(kAllowedValues));
}

// A rounded value of -0.0 needs no care: every text of a number writes "0"
// for either zero.
double MagnitudeValue(double magnitude, ValueMode mode) {
  switch (mode) {
    case ValueMode::Shown:
      return CutMagnitude(magnitude);
    case ValueMode::Rounded:
      return std::round(magnitude * PowerOfTen(kRoundedMagnitudeDecimals)) /
             PowerOfTen(kRoundedMagnitudeDecimals);
    case ValueMode::Full:
      return magnitude;
  }
  return magnitude;
}

double AngleValue(double angleRadians, ValueMode mode) {
  switch (mode) {
    case ValueMode::Shown:
      return CutAngleDegrees(angleRadians);
    case ValueMode::Rounded:
      return std::round(AngleDegrees(angleRadians) * PowerOfTen(kRoundedAngleDecimals)) /
             PowerOfTen(kRoundedAngleDecimals);
    case ValueMode::Full:
      return AngleDegrees(angleRadians);
  }
  return angleRadians;
}

char* WriteFullNumberText(double value, char* out) {
  if (!std::isfinite(value) || value == 0.0) {
    return WriteNumberText(value, out);
  }
  return std::to_chars(out, out + kFullTextMax, value).ptr;
}

std::string ValueText(double value, ValueMode mode) {
  char text[std::max(kNumberTextMax, kFullTextMax)];
  return std::string(text, mode == ValueMode::Full ? WriteFullNumberText(value, text)
                                                   : WriteNumberText(value, text));
}

void PutReadoutValues(const PassVoltages& pass, ValueMode mode, double* v) {
  const Phasor* phasors[kReadoutCount / 2];
  const Phasor** p = phasors;
  for (const PhaseTriple& bus : pass.busVoltages) {
    *p++ = &bus.a;
    *p++ = &bus.b;
    *p++ = &bus.c;
  }
  *p++ = &pass.sequenceAtHV.zero;
  *p++ = &pass.sequenceAtHV.positive;
  *p++ = &pass.sequenceAtHV.negative;
  // The values shown are cut without a test of the mode each: most rows are
  // written so.
  if (mode == ValueMode::Shown) {
    for (const Phasor* phasor : phasors) {
      *v++ = CutMagnitude(phasor->magnitude);
      *v++ = CutAngleDegrees(phasor->angle);
    }
    return;
  }
  for (const Phasor* phasor : phasors) {
    *v++ = MagnitudeValue(phasor->magnitude, mode);
    *v++ = AngleValue(phasor->angle, mode);
  }
}

std::array<double, kReadoutCount> ReadoutValues(const PassVoltages& pass, ValueMode mode) {
  std::array<double, kReadoutCount> values;
  PutReadoutValues(pass, mode, values.data());
  return values;
}

std::array<BusClassValues, 4> ClassifyValues(const FaultInputs& in, const PassVoltages& pass,
                                             ValueMode mode) {
  std::array<BusClassValues, 4> values;
  for (std::size_t bus = 0; bus < values.size(); ++bus) {
    const SagClasses classes =
        ClassifyBoth(pass.busVoltages[bus], PrefaultAngle(static_cast<Bus>(bus + 1), in));
    const double jump = classes.sag.phaseAngleJumpDeg;
    values[bus] = {SagName(classes.sag), ClassNumberValue(classes.sag.characteristicVoltage, mode),
                   ClassNumberValue(classes.sag.pnFactor, mode),
                   mode == ValueMode::Full ? jump : RoundJumpDegrees(jump),
                   TextbookName(classes.textbook)};
  }
  return values;
}

std::array<double, 24> LineToLineValues(const PassVoltages& pass, ValueMode mode) {
  std::array<double, 24> values;
  double* v = values.data();
  for (const PhaseTriple& bus : pass.busVoltages) {
    const LineToLine lines = LineToLineVoltages(bus);
    for (const Phasor* p : {&lines.ab, &lines.bc, &lines.ca}) {
      *v++ = MagnitudeValue(p->magnitude, mode);
      *v++ = AngleValue(p->angle, mode);
    }
  }
  return values;
}

}  // namespace dipview::calc

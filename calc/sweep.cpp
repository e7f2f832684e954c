#include "calc/sweep.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>

#include "calc/settings.h"
#include "compute/transformer.h"

namespace dipview::calc {

namespace {

struct SweepSetting {
  std::string_view option;
  std::string_view column;
  std::string_view label;
  std::string_view captionName;
  void (*set)(FaultInputs& in, double value);
};

// The casts are those of the options' parsers, which have checked the value.
constexpr SweepSetting kSweepSettings[] = {
    {"z12-angle", "z12_angle", "Z12 angle (degrees)", "Z12 angle",
     [](FaultInputs& in, double v) { in.z12AngleDeg = v; }},
    {"z0-angle", "z0_angle", "Z0 angle (degrees)", "Z0 angle",
     [](FaultInputs& in, double v) { in.z0AngleDeg = v; }},
    {"zf-angle", "zf_angle", "ZF angle (degrees)", "ZF angle",
     [](FaultInputs& in, double v) { in.zfAngleDeg = v; }},
    {"z0-ratio", "z0_ratio", "Z0/Z12 magnitude ratio", "Z0/Z12",
     [](FaultInputs& in, double v) { in.z0Ratio = static_cast<float>(v); }},
    {"zf-ratio", "zf_ratio", "ZF/Z12 magnitude ratio", "ZF/Z12",
     [](FaultInputs& in, double v) { in.zfRatio = v; }},
    {"proximity", "proximity", "Proximity: fault distance from Substation HV (%)", "proximity",
     [](FaultInputs& in, double v) { in.proximity = static_cast<std::int16_t>(v); }},
};

constexpr std::string_view kAllowedStep =
    "a number other than 0, positive when TO is above FROM, negative when below";

// A step may land this many steps short of TO and still reach it: the quotient
// (TO - FROM) / STEP is off by far less for any sweep within the limits.
constexpr double kReachTolerance = 1e-9;

// Points are rounded to at most this many decimals: the settings stay below
// 100, so 100 * 10^12 is far inside the doubles' whole numbers and the
// rounding error of FROM + i * STEP is far below half a unit of the last place.
constexpr int kMaxRoundedDecimals = 12;

std::string Str(std::string_view text) {
  return std::string(text);
}

const SweepSetting* FindSweepSetting(std::string_view name) {
  for (const SweepSetting& setting : kSweepSettings) {
    if (EqualsIgnoringCase(name, setting.option) || EqualsIgnoringCase(name, setting.column)) {
      return &setting;
    }
  }
  return nullptr;
}

// Digits after the decimal point less the exponent: "0.25" 2, "1e-3" 3, "2.5e1" 0.
// The text has passed ParseFiniteNumber.
int DecimalPlaces(std::string_view text) {
  const std::size_t e = text.find_first_of("eE");
  const std::string_view mantissa = text.substr(0, e);
  const std::size_t dot = mantissa.find('.');
  long places = dot == std::string_view::npos ? 0 : static_cast<long>(mantissa.size() - dot - 1);
  if (e != std::string_view::npos) {
    std::string_view exponent = text.substr(e + 1);
    if (exponent.starts_with('+')) {
      exponent.remove_prefix(1);
    }
    long value = 0;
    std::from_chars(exponent.data(), exponent.data() + exponent.size(), value);
    places -= value;
  }
  return static_cast<int>(std::clamp(places, 0L, 1000L));
}

// The number a text passed by ParseFiniteNumber stands for, times
// 10^decimals, when that is a whole number within 64 bits.
std::optional<std::int64_t> ScaledWhole(std::string_view text, int decimals) {
  const bool negative = text.starts_with('-');
  if (negative || text.starts_with('+')) {
    text.remove_prefix(1);
  }
  const std::size_t e = text.find_first_of("eE");
  const std::string_view mantissa = text.substr(0, e);
  long exponent = decimals;
  if (e != std::string_view::npos) {
    std::string_view power = text.substr(e + 1);
    if (power.starts_with('+')) {
      power.remove_prefix(1);
    }
    long value = 0;
    if (std::from_chars(power.data(), power.data() + power.size(), value).ec != std::errc()) {
      return std::nullopt;
    }
    exponent += value;
  }
  constexpr std::int64_t kLimit = INT64_MAX / 10;
  std::int64_t whole = 0;
  bool afterDot = false;
  for (char c : mantissa) {
    if (c == '.') {
      afterDot = true;
      continue;
    }
    if (whole > kLimit) {
      return std::nullopt;
    }
    whole = whole * 10 + (c - '0');
    exponent -= afterDot ? 1 : 0;
  }
  for (; exponent > 0; --exponent) {
    if (whole > kLimit) {
      return std::nullopt;
    }
    whole *= 10;
  }
  if (exponent < 0) {
    return std::nullopt;
  }
  return negative ? -whole : whole;
}

// The double nearest to whole * 10^-decimals: read from its decimal text, so
// that it prints as that decimal again.
double FromScaledWhole(std::int64_t whole, int decimals) {
  const std::string text = std::to_string(whole) + "e-" + std::to_string(decimals);
  double value = 0.0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

std::string ShortestText(double value) {
  char text[kSettingTextMax];
  return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

// Runs the setting's own parser on a text, so that a sweep allows exactly
// what the option allows.
void CheckValue(const SweepSetting& setting, std::string_view what, std::string_view text) {
  FaultInputs scratch;
  try {
    FindSettingColumn(setting.column)->parse(text, scratch);
  } catch (const ValueError& e) {
    throw ValueError(Str(setting.option) + " " + Str(what) + " " + e.what());
  }
}

std::string Caption(const FaultInputs& in, std::string_view swept) {
  char text[kSettingTextMax];
  const auto value = [&](std::string_view column) {
    return std::string(text, FindSettingColumn(column)->write(in, text));
  };
  std::string settings;
  for (const SweepSetting& setting : kSweepSettings) {
    if (setting.column != swept) {
      settings += settings.empty() ? "" : ", ";
      settings += Str(setting.captionName) + " " + value(setting.column);
      settings += setting.label.ends_with("(degrees)") ? "\u00b0" : "";
    }
  }
  return FaultCaption(in) + " fault; " + settings + "; transformers HV-MV " + value("hv_mv") +
         ", MV-C1 " + value("mv_c1") + ", C1-C2 " + value("c1_c2");
}

SweepAxis ParseSweepText(std::string_view text) {
  const std::size_t equals = text.find('=');
  const std::size_t colon1 = text.find(':', equals);
  const std::size_t colon2 = text.find(':', colon1 + (colon1 != std::string_view::npos));
  if (equals == std::string_view::npos || colon1 == std::string_view::npos ||
      colon2 == std::string_view::npos || text.find(':', colon2 + 1) != std::string_view::npos) {
    throw ValueError(output::QuoteForMessage(text) +
                     " is not NAME=FROM:TO:STEP; allowed: " + Str(kAllowedSweep));
  }
  const std::string_view name = text.substr(0, equals);
  const std::string_view fromText = text.substr(equals + 1, colon1 - equals - 1);
  const std::string_view toText = text.substr(colon1 + 1, colon2 - colon1 - 1);
  const std::string_view stepText = text.substr(colon2 + 1);
  const SweepSetting* setting = FindSweepSetting(name);
  if (setting == nullptr) {
    throw ValueError(output::QuoteForMessage(name) +
                     " is not a setting with a numeric value; allowed: z12-angle, z0-angle, "
                     "zf-angle, z0-ratio, zf-ratio or proximity");
  }
  CheckValue(*setting, "FROM", fromText);
  CheckValue(*setting, "TO", toText);
  const double from = ParseFiniteNumber(fromText, "");
  const double to = ParseFiniteNumber(toText, "");
  double step;
  try {
    step = ParseFiniteNumber(stepText, kAllowedStep);
  } catch (const ValueError& e) {
    throw ValueError(Str(setting->option) + " STEP " + e.what());
  }
  if (step == 0.0 || (to > from && step < 0.0) || (to < from && step > 0.0)) {
    throw ValueError(Str(setting->option) + " STEP " + output::QuoteForMessage(stepText) +
                     (step == 0.0 ? " is zero" : " leads away from TO") +
                     "; allowed: " + Str(kAllowedStep));
  }
  const double steps = std::floor((to - from) / step + kReachTolerance);
  if (steps == 0.0 && to != from) {
    throw ValueError(Str(setting->option) + " STEP " + output::QuoteForMessage(stepText) +
                     " is larger than the range from " + ShortestText(from) + " to " +
                     ShortestText(to) + "; allowed: a STEP no larger than TO - FROM");
  }
  if (!(steps < static_cast<double>(kMaxSweepPoints))) {
    throw ValueError(output::QuoteForMessage(text) + " has more than " +
                     std::to_string(kMaxSweepPoints) + " points; allowed: at most " +
                     std::to_string(kMaxSweepPoints) + " points in all");
  }
  const int decimals =
      std::max({DecimalPlaces(fromText), DecimalPlaces(toText), DecimalPlaces(stepText)});
  const double scale = std::pow(10.0, decimals);

  SweepAxis axis{setting->column, setting->label, setting->set, {}};
  const auto count = static_cast<std::size_t>(steps) + 1;
  axis.points.reserve(count);
  // More decimals than a double can scale exactly: each point is the decimal
  // FROM + i * STEP, counted in whole units of its last place.
  const std::optional<std::int64_t> fromWhole = ScaledWhole(fromText, decimals);
  const std::optional<std::int64_t> toWhole = ScaledWhole(toText, decimals);
  const std::optional<std::int64_t> stepWhole = ScaledWhole(stepText, decimals);
  // Every point lies between FROM and TO, so the sums stay within 64 bits.
  const auto small = [](std::optional<std::int64_t> w) {
    return w && *w > -INT64_MAX / 4 && *w < INT64_MAX / 4;
  };
  const bool exactDecimals =
      decimals > kMaxRoundedDecimals && small(fromWhole) && small(toWhole) && small(stepWhole);
  for (std::size_t i = 0; i < count; ++i) {
    // From FROM each time, so that no error adds up over the steps.
    double value = from + static_cast<double>(i) * step;
    if (exactDecimals) {
      value = FromScaledWhole(*fromWhole + static_cast<std::int64_t>(i) * *stepWhole, decimals);
    } else if (decimals <= kMaxRoundedDecimals) {
      value = std::round(value * scale) / scale;
    } else if (i + 1 == count && std::fabs(value - to) <= kReachTolerance * std::fabs(step)) {
      value = to;
    }
    // A FROM of "-0" would otherwise give a negative zero, which no setting holds.
    value += 0.0;
    axis.points.push_back(value);
  }
  for (double point : axis.points) {
    CheckValue(*setting, "point", ShortestText(point));
  }
  return axis;
}

// "NAME=FROM:STEP:TO" for "NAME=FROM:TO:STEP", or nothing for a text of
// another shape.
std::string SwapToAndStep(std::string_view text) {
  const std::size_t colon1 = text.find(':', text.find('='));
  const std::size_t colon2 = text.find(':', colon1 + (colon1 != std::string_view::npos));
  if (colon2 == std::string_view::npos || text.find(':', colon2 + 1) != std::string_view::npos) {
    return {};
  }
  return Str(text.substr(0, colon1 + 1)) + Str(text.substr(colon2 + 1)) + ":" +
         Str(text.substr(colon1 + 1, colon2 - colon1 - 1));
}

}  // namespace

SweepAxis ParseSweep(std::string_view text) {
  try {
    return ParseSweepText(text);
  } catch (const ValueError& e) {
    // Some tools write a range FROM:STEP:TO; when that reading is a good
    // sweep of more than one point, the user most likely meant it.
    const std::string swapped = SwapToAndStep(text);
    bool mends = false;
    if (!swapped.empty()) {
      try {
        mends = ParseSweepText(swapped).points.size() > 1;
      } catch (const ValueError&) {
        // Neither reading is a sweep; the first message stands alone.
      }
    }
    if (!mends) {
      throw;
    }
    throw ValueError(Str(e.what()) + "; the order is FROM:TO:STEP, so perhaps " +
                     output::QuoteForMessage(swapped));
  }
}

std::size_t RunSweep(std::span<const SweepAxis> axes, const FaultInputs& base, RowWriter& writer) {
  writer.Begin();
  std::size_t rows = 0;
  FaultInputs state = base;
  for (double value : axes[0].points) {
    axes[0].set(state, value);
    if (axes.size() == 1) {
      writer.Add(state);
      ++rows;
      continue;
    }
    for (double innerValue : axes[1].points) {
      axes[1].set(state, innerValue);
      writer.Add(state);
      ++rows;
    }
  }
  return rows;
}

bool HasExtension(std::string_view path, std::string_view extension) {
  return path.size() > extension.size() &&
         std::equal(
             extension.begin(), extension.end(), path.end() - extension.size(),
             [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

output::PlotFormat PlotFormatOf(std::string_view path) {
  const auto endsWith = [path](std::string_view extension) {
    return HasExtension(path, extension);
  };
  // Standard output has no name to tell by; a plot written there is a PNG.
  if (path == "-" || endsWith(".png")) {
    return output::PlotFormat::Png;
  }
  if (endsWith(".svg")) {
    return output::PlotFormat::Svg;
  }
  throw ValueError(output::QuoteForMessage(path) +
                   " does not end in .png or .svg; allowed: a file name " +
                   "ending in .png or .svg");
}

std::string SettingsCaption(const FaultInputs& in) {
  return Caption(in, "");
}

output::SweepPlot CollectPlot(const SweepAxis& axis, const FaultInputs& base) {
  output::SweepPlot plot;
  plot.xLabel = Str(axis.label);
  plot.caption = Caption(base, axis.column);
  plot.x = axis.points;
  for (auto& bus : plot.magnitudes) {
    for (auto& phase : bus) {
      phase.reserve(axis.points.size());
    }
  }
  FaultInputs state = base;
  for (double value : axis.points) {
    axis.set(state, value);
    const PassVoltages pass = ComputeVoltages(state);
    for (std::size_t bus = 0; bus < 4; ++bus) {
      const PhaseTriple& v = pass.busVoltages[bus];
      plot.magnitudes[bus][0].push_back(v.a.magnitude);
      plot.magnitudes[bus][1].push_back(v.b.magnitude);
      plot.magnitudes[bus][2].push_back(v.c.magnitude);
    }
  }
  return plot;
}

}  // namespace dipview::calc

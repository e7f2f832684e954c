#include "calc/settings.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

namespace dipview::calc {

namespace {

[[noreturn]] void Fail(std::string_view text, std::string_view problem, std::string_view allowed) {
  throw ValueError(output::QuoteForMessage(text) + " " + std::string(problem) +
                   "; allowed: " + std::string(allowed));
}

double ParseInRange(std::string_view text, double low, double high, std::string_view allowed) {
  const double value = ParseFiniteNumber(text, allowed);
  if (!(value >= low && value <= high)) {
    Fail(text, "is out of range", allowed);
  }
  // "-0" is in range, but the settings never hold a negative zero.
  return value + 0.0;
}

char* WriteDouble(double value, char* out) {
  return std::to_chars(out, out + kSettingTextMax, value).ptr;
}

char* WriteName(std::string_view name, char* out) {
  std::memcpy(out, name.data(), name.size());
  return out + name.size();
}

struct NamedFault {
  std::string_view name;
  FaultType type;
  bool toGround;
};

constexpr NamedFault kFaults[] = {{"single", FaultType::SinglePhase, false},
                                  {"phase-phase", FaultType::PhaseToPhase, false},
                                  {"two-phase-ground", FaultType::PhaseToPhase, true},
                                  {"three", FaultType::ThreePhase, false}};

// The names of the faulted phases by Phase (A, B, C): one phase, two, all three.
constexpr std::string_view kPhaseNames[3][3] = {
    {"a", "b", "c"}, {"bc", "ca", "ab"}, {"abc", "abc", "abc"}};

int PhasesRow(const FaultInputs& in) {
  switch (in.faultType) {
    case FaultType::SinglePhase:
      return 0;
    case FaultType::PhaseToPhase:
      return 1;
    case FaultType::ThreePhase:
      break;
  }
  return 2;
}

template <double FaultInputs::*Angle>
void ParseAngleInto(std::string_view text, FaultInputs& in) {
  in.*Angle = ParseAngle(text);
}

template <double FaultInputs::*Angle>
char* WriteAngle(const FaultInputs& in, char* out) {
  return WriteDouble(in.*Angle, out);
}

template <TransformerConnection FaultInputs::*Connection>
void ParseConnectionInto(std::string_view text, FaultInputs& in) {
  in.*Connection = ParseConnection(text);
}

template <TransformerConnection FaultInputs::*Connection>
char* WriteConnection(const FaultInputs& in, char* out) {
  return WriteName(ConnectionName(in.*Connection), out);
}

}  // namespace

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return lower(x) == lower(y); });
}

double ParseFiniteNumber(std::string_view text, std::string_view allowed) {
  if (text.empty()) {
    throw ValueError("empty value; allowed: " + std::string(allowed));
  }
  const char* first = text.data();
  const char* last = first + text.size();
  // from_chars takes a minus sign but not a plus sign.
  if (*first == '+' && text.size() > 1 && first[1] != '-') {
    ++first;
  }
  double value = 0.0;
  const auto [end, ec] = std::from_chars(first, last, value);
  if (ec == std::errc::invalid_argument) {
    Fail(text, "is not a number", allowed);
  }
  if (ec == std::errc::result_out_of_range) {
    // Too large is out of every range; too small to hold (1e-400) is a value
    // next to zero, which strtod rounds as any other value is rounded.
    value = std::strtod(std::string(first, end).c_str(), nullptr);
    if (std::isinf(value)) {
      Fail(text, "is out of range", allowed);
    }
  }
  if (end != last) {
    Fail(text,
         "has " + output::QuoteForMessage(std::string_view(end, last - end)) + " after the number",
         allowed);
  }
  if (!std::isfinite(value)) {
    Fail(text, "is not a finite number", allowed);
  }
  return value;
}

double ParseAngle(std::string_view text) {
  return ParseInRange(text, 0.0, 90.0, kAllowedAngle);
}

float ParseZ0Ratio(std::string_view text) {
  return static_cast<float>(ParseInRange(text, 0.5, 3.0, kAllowedZ0Ratio));
}

double ParseZfRatio(std::string_view text) {
  return ParseInRange(text, 0.0, 3.0, kAllowedZfRatio);
}

std::int16_t ParseProximity(std::string_view text) {
  const double value = ParseFiniteNumber(text, kAllowedProximity);
  if (value != std::floor(value)) {
    Fail(text, "is not a whole number", kAllowedProximity);
  }
  if (!(value >= 0.0 && value <= 100.0)) {
    Fail(text, "is out of range", kAllowedProximity);
  }
  return static_cast<std::int16_t>(value);
}

void ParseFault(std::string_view text, FaultInputs& in) {
  for (const auto& [name, type, toGround] : kFaults) {
    if (EqualsIgnoringCase(text, name)) {
      in.faultType = type;
      in.toGround = toGround;
      return;
    }
  }
  Fail(text, "is not a fault type", kAllowedFault);
}

void ParsePhases(std::string_view text, FaultInputs& in) {
  const int row = PhasesRow(in);
  for (int phase = 0; phase < 3; ++phase) {
    if (EqualsIgnoringCase(text, kPhaseNames[row][phase])) {
      in.faultedPhase = static_cast<Phase>(phase);
      return;
    }
  }
  static constexpr std::string_view kAllowed[3] = {"a, b or c", "bc, ca or ab", "abc"};
  Fail(text, "does not name the phases of fault " + std::string(FaultName(in)), kAllowed[row]);
}

TransformerConnection ParseConnection(std::string_view text) {
  if (EqualsIgnoringCase(text, "DY")) {
    return TransformerConnection::DY;
  }
  if (EqualsIgnoringCase(text, "YY")) {
    return TransformerConnection::YY;
  }
  if (EqualsIgnoringCase(text, "DD")) {
    return TransformerConnection::DD;
  }
  Fail(text, "is not a connection", kAllowedConnection);
}

void ParseConnections(std::string_view text, FaultInputs& in) {
  static constexpr std::string_view kPositions[3] = {"HV-MV", "MV-C1", "C1-C2"};
  TransformerConnection parsed[3] = {};
  std::size_t start = 0;
  int count = 0;
  for (;;) {
    const std::size_t comma = text.find(',', start);
    std::string_view part = text.substr(start, comma - start);
    part.remove_prefix(std::min(part.find_first_not_of(" \t"), part.size()));
    part.remove_suffix(part.size() - (part.find_last_not_of(" \t") + 1));
    if (count < 3) {
      try {
        parsed[count] = ParseConnection(part);
      } catch (const ValueError&) {
        Fail(part, "(" + std::string(kPositions[count]) + ") is not a connection",
             kAllowedConnection);
      }
    }
    ++count;
    if (comma == std::string_view::npos) {
      break;
    }
    start = comma + 1;
  }
  if (count != 3) {
    throw ValueError(output::QuoteForMessage(text) + " names " + std::to_string(count) +
                     " connections; allowed: three (HV-MV, MV-C1, C1-C2), each " +
                     std::string(kAllowedConnection));
  }
  in.hvMvConnection = parsed[0];
  in.mvC1Connection = parsed[1];
  in.c1C2Connection = parsed[2];
}

std::string_view FaultName(const FaultInputs& in) {
  for (const auto& [name, type, toGround] : kFaults) {
    if (in.faultType == type && (type != FaultType::PhaseToPhase || in.toGround == toGround)) {
      return name;
    }
  }
  return "single";
}

std::string_view PhasesName(const FaultInputs& in) {
  const int phase = static_cast<int>(in.faultedPhase);
  return kPhaseNames[PhasesRow(in)][phase >= 0 && phase < 3 ? phase : 0];
}

std::string_view ConnectionName(TransformerConnection connection) {
  switch (connection) {
    case TransformerConnection::DY:
      return "DY";
    case TransformerConnection::YY:
      return "YY";
    case TransformerConnection::DD:
      return "DD";
  }
  return "YY";
}

const std::array<SettingColumn, 10> kSettingColumns = {{
    {"fault", false, ParseFault,
     [](const FaultInputs& in, char* out) { return WriteName(FaultName(in), out); }},
    {"z12_angle", true, ParseAngleInto<&FaultInputs::z12AngleDeg>,
     WriteAngle<&FaultInputs::z12AngleDeg>},
    {"z0_angle", true, ParseAngleInto<&FaultInputs::z0AngleDeg>,
     WriteAngle<&FaultInputs::z0AngleDeg>},
    {"zf_angle", true, ParseAngleInto<&FaultInputs::zfAngleDeg>,
     WriteAngle<&FaultInputs::zfAngleDeg>},
    {"z0_ratio", true, [](std::string_view t, FaultInputs& in) { in.z0Ratio = ParseZ0Ratio(t); },
     // The shortest text of the float itself, so 0.7 stays "0.7" rather than
     // the digits of its widened double.
     [](const FaultInputs& in, char* out) {
       return std::to_chars(out, out + kSettingTextMax, in.z0Ratio).ptr;
     }},
    {"zf_ratio", true, [](std::string_view t, FaultInputs& in) { in.zfRatio = ParseZfRatio(t); },
     [](const FaultInputs& in, char* out) { return WriteDouble(in.zfRatio, out); }},
    {"proximity", true,
     [](std::string_view t, FaultInputs& in) { in.proximity = ParseProximity(t); },
     [](const FaultInputs& in, char* out) {
       return std::to_chars(out, out + kSettingTextMax, in.proximity).ptr;
     }},
    {"hv_mv", false, ParseConnectionInto<&FaultInputs::hvMvConnection>,
     WriteConnection<&FaultInputs::hvMvConnection>},
    {"mv_c1", false, ParseConnectionInto<&FaultInputs::mvC1Connection>,
     WriteConnection<&FaultInputs::mvC1Connection>},
    {"c1_c2", false, ParseConnectionInto<&FaultInputs::c1C2Connection>,
     WriteConnection<&FaultInputs::c1C2Connection>},
}};

const SettingColumn kPhasesColumn = {
    "phases", false, ParsePhases,
    [](const FaultInputs& in, char* out) { return WriteName(PhasesName(in), out); }};

const SettingColumn* FindSettingColumn(std::string_view name) {
  for (const SettingColumn& column : kSettingColumns) {
    if (EqualsIgnoringCase(column.name, name)) {
      return &column;
    }
  }
  return EqualsIgnoringCase(name, kPhasesColumn.name) ? &kPhasesColumn : nullptr;
}

}  // namespace dipview::calc

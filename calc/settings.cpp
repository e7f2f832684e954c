#include "calc/settings.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

namespace dipview::calc {

namespace {

std::string Quoted(std::string_view text) {
  std::string s;
  s.reserve(text.size() + 2);
  s += '\'';
  s += text;
  s += '\'';
  return s;
}

[[noreturn]] void Fail(std::string_view text, std::string_view problem, std::string_view allowed) {
  throw ValueError(Quoted(text) + " " + std::string(problem) +
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
    Fail(text, "has " + Quoted(std::string_view(end, last - end)) + " after the number", allowed);
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

FaultType ParseFaultType(std::string_view text) {
  for (FaultType type : {FaultType::SinglePhase, FaultType::PhaseToPhase, FaultType::ThreePhase}) {
    if (text == FaultTypeName(type)) {
      return type;
    }
  }
  Fail(text, "is not a fault type", kAllowedFault);
}

TransformerConnection ParseConnection(std::string_view text) {
  if (text == "DY") {
    return TransformerConnection::DY;
  }
  if (text == "YY") {
    return TransformerConnection::YY;
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
    const std::string_view part = text.substr(start, comma - start);
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
    throw ValueError(Quoted(text) + " names " + std::to_string(count) +
                     " connections; allowed: three (HV-MV, MV-C1, C1-C2), each " +
                     std::string(kAllowedConnection));
  }
  in.hvMvConnection = parsed[0];
  in.mvC1Connection = parsed[1];
  in.c1C2Connection = parsed[2];
}

std::string_view FaultTypeName(FaultType type) {
  switch (type) {
    case FaultType::SinglePhase:
      return "single";
    case FaultType::PhaseToPhase:
      return "phase-phase";
    case FaultType::ThreePhase:
      return "three";
  }
  return "single";
}

std::string_view ConnectionName(TransformerConnection connection) {
  return connection == TransformerConnection::DY ? "DY" : "YY";
}

const std::array<SettingColumn, 10> kSettingColumns = {{
    {"fault", false, [](std::string_view t, FaultInputs& in) { in.faultType = ParseFaultType(t); },
     [](const FaultInputs& in, char* out) { return WriteName(FaultTypeName(in.faultType), out); }},
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

const SettingColumn* FindSettingColumn(std::string_view name) {
  for (const SettingColumn& column : kSettingColumns) {
    if (column.name == name) {
      return &column;
    }
  }
  return nullptr;
}

}  // namespace dipview::calc

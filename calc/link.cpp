#include "calc/link.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "calc/settings.h"
#include "design/constants.h"
#include "design/form.h"

namespace dipview::calc {

namespace {

char* WriteText(std::string_view text, char* out) {
  std::memcpy(out, text.data(), text.size());
  return out + text.size();
}

template <typename T>
char* WriteNumber(T value, char* out) {
  return std::to_chars(out, out + kLinkValueMax, value).ptr;
}

template <double FaultInputs::*Angle>
void ParseAngleInto(std::string_view text, FaultInputs& in) {
  in.*Angle = ParseAngle(text);
}

template <double FaultInputs::*Angle>
char* WriteAngle(const FaultInputs& in, char* out) {
  return WriteNumber(in.*Angle, out);
}

// The key of phases, read last.
constexpr std::string_view kPhasesKey = "phases";

// "3.0, 2.5, ... and 0.5", as the window's option captions read.
template <typename Ratios>
std::string RatioList(const Ratios& ratios) {
  std::string list;
  for (std::size_t i = 0; i < ratios.size(); ++i) {
    list += i == 0 ? "" : i + 1 == ratios.size() ? " and " : ", ";
    list += design::kRatioCaptions[i];
  }
  return list;
}

const LinkSetting* FindLinkSetting(std::string_view key) {
  for (const LinkSetting& s : kLinkSettings) {
    if (s.key == key) {
      return &s;
    }
  }
  return nullptr;
}

std::string Spelled(const FaultInputs& in, std::string_view key, SettingSpelling spelling) {
  char text[kLinkValueMax];
  const std::string value(text, FindLinkSetting(key)->write(in, text));
  return spelling == SettingSpelling::Option ? "--" + std::string(key) + " " + value
                                             : std::string(key) + "=" + value;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  return -1;
}

// A query's key or value as a browser means it: '+' a blank, %hh a byte. A
// '%' without two hexadecimal digits stays as it is, as browsers keep it.
std::string Decode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '+') {
      out += ' ';
    } else if (text[i] == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
               HexDigit(text[i + 2]) >= 0) {
      out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// Escapes what a query value may not hold as itself; the values a link
// writes are names and numbers, so this is for safety, not for looks.
void AppendEscaped(std::string_view text, std::string& out) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
        std::strchr("-._~,", c) != nullptr) {
      out += c;
    } else {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    }
  }
}

}  // namespace

const std::array<LinkSetting, 9> kLinkSettings = {{
    {"fault", ParseFault,
     [](const FaultInputs& in, char* out) { return WriteText(FaultName(in), out); }},
    {kPhasesKey, ParsePhases,
     [](const FaultInputs& in, char* out) { return WriteText(PhasesName(in), out); }},
    {"z12-angle", ParseAngleInto<&FaultInputs::z12AngleDeg>, WriteAngle<&FaultInputs::z12AngleDeg>},
    {"z0-angle", ParseAngleInto<&FaultInputs::z0AngleDeg>, WriteAngle<&FaultInputs::z0AngleDeg>},
    {"zf-angle", ParseAngleInto<&FaultInputs::zfAngleDeg>, WriteAngle<&FaultInputs::zfAngleDeg>},
    {"z0-ratio", [](std::string_view t, FaultInputs& in) { in.z0Ratio = ParseZ0Ratio(t); },
     // The shortest text of the float itself, so 0.7 stays "0.7".
     [](const FaultInputs& in, char* out) { return WriteNumber(in.z0Ratio, out); }},
    {"zf-ratio", [](std::string_view t, FaultInputs& in) { in.zfRatio = ParseZfRatio(t); },
     [](const FaultInputs& in, char* out) { return WriteNumber(in.zfRatio, out); }},
    {"proximity", [](std::string_view t, FaultInputs& in) { in.proximity = ParseProximity(t); },
     [](const FaultInputs& in, char* out) { return WriteNumber(in.proximity, out); }},
    {"transformers", ParseConnections,
     [](const FaultInputs& in, char* out) {
       out = WriteText(ConnectionName(in.hvMvConnection), out);
       *out++ = ',';
       out = WriteText(ConnectionName(in.mvC1Connection), out);
       *out++ = ',';
       return WriteText(ConnectionName(in.c1C2Connection), out);
     }},
}};

std::string WriteLink(const FaultInputs& in) {
  std::string link;
  for (const LinkSetting& s : kLinkSettings) {
    if (s.key == kPhasesKey &&
        (in.faultType == FaultType::ThreePhase || in.faultedPhase == Phase::A)) {
      continue;
    }
    link += link.empty() ? '?' : '&';
    link += s.key;
    link += '=';
    char text[kLinkValueMax];
    const char* end = s.write(in, text);
    AppendEscaped(std::string_view(text, static_cast<std::size_t>(end - text)), link);
  }
  return link;
}

LinkReading ReadLink(std::string_view query, const std::vector<std::string_view>& pageKeys) {
  LinkReading reading;
  reading.pageValues.resize(pageKeys.size());
  if (query.starts_with('?')) {
    query.remove_prefix(1);
  }
  // The last value of each setting, in the table's order.
  std::array<std::string, kLinkSettings.size()> texts;
  std::array<bool, kLinkSettings.size()> given{};
  while (!query.empty()) {
    const std::size_t amp = query.find('&');
    const std::string_view pair = query.substr(0, amp);
    query.remove_prefix(amp == std::string_view::npos ? query.size() : amp + 1);
    if (pair.empty()) {
      continue;
    }
    const std::size_t equals = pair.find('=');
    const std::string key = Decode(pair.substr(0, equals));
    const std::string value =
        equals == std::string_view::npos ? std::string() : Decode(pair.substr(equals + 1));
    if (const LinkSetting* s = FindLinkSetting(key)) {
      const std::size_t i = static_cast<std::size_t>(s - kLinkSettings.data());
      texts[i] = value;
      given[i] = true;
      reading.named = true;
      continue;
    }
    const auto page = std::find(pageKeys.begin(), pageKeys.end(), key);
    if (page != pageKeys.end()) {
      reading.pageValues[static_cast<std::size_t>(page - pageKeys.begin())] = value;
      continue;
    }
    std::string allowed;
    for (const LinkSetting& s : kLinkSettings) {
      allowed += std::string(allowed.empty() ? "" : ", ") + std::string(s.key);
    }
    for (const std::string_view k : pageKeys) {
      allowed += ", " + std::string(k);
    }
    reading.problems.push_back("unknown setting " + output::QuoteForMessage(key) +
                               "; allowed: " + allowed);
  }
  FaultInputs settings;
  const auto read = [&](std::size_t i) {
    if (!given[i]) {
      return;
    }
    try {
      kLinkSettings[i].parse(texts[i], settings);
    } catch (const ValueError& e) {
      reading.problems.push_back(std::string(kLinkSettings[i].key) + ": " + e.what());
    }
  };
  // In the table's order, so phases is read once the fault is known.
  for (std::size_t i = 0; i < kLinkSettings.size(); ++i) {
    read(i);
  }
  if (reading.problems.empty()) {
    reading.settings = settings;
  }
  return reading;
}

std::string WhatTheWindowCannotShow(const FaultInputs& in, std::string_view lead,
                                    SettingSpelling spelling, design::FormMode mode) {
  if (mode == design::FormMode::Default && design::NeedsAllFaults(in)) {
    return std::string(lead) +
           " offers single, phase-phase and three faults on phase A or phases B and C, "
           "and DY or YY transformers";
  }
  // The window shows the ratios only as a selected option; any other would
  // be drawn with none selected and so be hidden.
  if (std::find(design::kZ0Ratios.begin(), design::kZ0Ratios.end(), in.z0Ratio) ==
      design::kZ0Ratios.end()) {
    return std::string(lead) + " offers the Z0/Z12 ratios " + RatioList(design::kZ0Ratios) +
           "; it cannot show " + Spelled(in, "z0-ratio", spelling);
  }
  if (std::find(design::kZfRatios.begin(), design::kZfRatios.end(), in.zfRatio) ==
      design::kZfRatios.end()) {
    return std::string(lead) + " offers the ZF/Z12 ratios " + RatioList(design::kZfRatios) +
           "; it cannot show " + Spelled(in, "zf-ratio", spelling);
  }
  return {};
}

}  // namespace dipview::calc

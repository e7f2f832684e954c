#include "calc/options.h"

#include <algorithm>

#include "calc/settings.h"

namespace dipview::calc {

namespace {

struct OptionEntry {
  std::string_view name;
  std::string_view valueName;
  std::string_view allowed;
  std::string_view help;
  void (*apply)(CalcOptions& options, std::string_view value);
};

constexpr OptionEntry kOptions[] = {
    {"fault", "TYPE", kAllowedFault,
     "fault type: single (phase A to ground), phase-phase\n"
     "(phase B to C) or three (balanced); default single",
     [](CalcOptions& o, std::string_view v) { o.settings.faultType = ParseFaultType(v); }},
    {"z12-angle", "DEG", kAllowedAngle, "angle of Z12 in degrees, 0 to 90; default 90",
     [](CalcOptions& o, std::string_view v) { o.settings.z12AngleDeg = ParseAngle(v); }},
    {"z0-angle", "DEG", kAllowedAngle, "angle of Z0 in degrees, 0 to 90; default 90",
     [](CalcOptions& o, std::string_view v) { o.settings.z0AngleDeg = ParseAngle(v); }},
    {"zf-angle", "DEG", kAllowedAngle, "angle of ZF in degrees, 0 to 90; default 90",
     [](CalcOptions& o, std::string_view v) { o.settings.zfAngleDeg = ParseAngle(v); }},
    {"z0-ratio", "R", kAllowedZ0Ratio, "Z0/Z12 magnitude ratio, 0.5 to 3.0; default 2.5",
     [](CalcOptions& o, std::string_view v) { o.settings.z0Ratio = ParseZ0Ratio(v); }},
    {"zf-ratio", "R", kAllowedZfRatio, "ZF/Z12 magnitude ratio, 0.0 to 3.0; default 0.0",
     [](CalcOptions& o, std::string_view v) { o.settings.zfRatio = ParseZfRatio(v); }},
    {"proximity", "N", kAllowedProximity,
     "distance of the fault from Substation HV in percent,\n"
     "0 (close) to 100 (far), a whole number; default 50",
     [](CalcOptions& o, std::string_view v) { o.settings.proximity = ParseProximity(v); }},
    {"transformers", "C,C,C", "three of DY or YY, separated by commas",
     "connections HV-MV, MV-C1 and C1-C2, each DY or YY;\n"
     "default DY,DY,DY",
     [](CalcOptions& o, std::string_view v) { ParseConnections(v, o.settings); }},
    {"format", "FMT", kAllowedFormat,
     "output: table, csv or json; default table\n"
     "(csv with --batch)",
     [](CalcOptions& o, std::string_view v) {
       o.format = ParseOutputFormat(v);
       o.formatGiven = true;
     }},
    {"batch", "", "",
     "read states as CSV from standard input, one output\n"
     "row or JSON line each",
     [](CalcOptions& o, std::string_view) { o.batch = true; }},
    {"png", "FILE", "a file name for the PNG picture",
     "write a PNG picture of the window for these settings\n"
     "(diagrams, sequence column and readouts) instead of\n"
     "the numbers; 784 x 584 pixels, one pixel per 15 twips",
     [](CalcOptions& o, std::string_view v) {
       if (v.empty()) {
         throw ValueError("an empty file name; allowed: a file name for the PNG picture");
       }
       o.pngPath = std::string(v);
     }},
    {"scale", "N", "a whole number from 1 to 4",
     "pixel density of the --png picture, 1 to 4; default 1",
     [](CalcOptions& o, std::string_view v) {
       o.scale = ParseScale(v);
       o.scaleGiven = true;
     }},
    {"help", "", "", "print this help and exit",
     [](CalcOptions& o, std::string_view) { o.action = Action::Help; }},
    {"version", "", "", "print the version and exit",
     [](CalcOptions& o, std::string_view) { o.action = Action::Version; }},
};

const OptionEntry* FindOption(std::string_view name) {
  for (const OptionEntry& entry : kOptions) {
    if (entry.name == name) {
      return &entry;
    }
  }
  return nullptr;
}

std::string Str(std::string_view text) {
  return std::string(text);
}

}  // namespace

CalcOptions ParseCommandLine(std::span<const std::string_view> args) {
  CalcOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i] == "-h" ? std::string_view("--help") : args[i];
    if (!arg.starts_with("--") || arg.size() == 2) {
      throw UsageError("unexpected argument '" + Str(arg) +
                       "'; settings are given as options, see 'dipview-calc --help'");
    }
    std::string_view name = arg.substr(2);
    std::string_view value;
    const std::size_t equals = name.find('=');
    const bool inlineValue = equals != std::string_view::npos;
    if (inlineValue) {
      value = name.substr(equals + 1);
      name = name.substr(0, equals);
    }
    const OptionEntry* entry = FindOption(name);
    if (entry == nullptr) {
      throw UsageError("unknown option '--" + Str(name) + "'; see 'dipview-calc --help'");
    }
    if (entry->valueName.empty()) {
      if (inlineValue) {
        throw UsageError("--" + Str(name) + " takes no value (got '" + Str(arg) + "')");
      }
    } else if (!inlineValue) {
      // A value never starts with "--", so what follows is the next option.
      if (i + 1 == args.size() || args[i + 1].starts_with("--")) {
        throw UsageError("--" + Str(name) + " needs a value: " + Str(entry->allowed));
      }
      value = args[++i];
    }
    try {
      entry->apply(options, value);
    } catch (const ValueError& e) {
      throw UsageError("--" + Str(name) + ": " + e.what());
    }
    if (options.action != Action::Compute) {
      return options;
    }
  }
  if (options.scaleGiven && options.pngPath.empty()) {
    throw UsageError("--scale sets the density of a --png picture; give --png FILE too");
  }
  if (options.batch && !options.pngPath.empty()) {
    throw UsageError("--png draws one state and cannot be used with --batch");
  }
  if (options.batch && options.formatGiven && options.format == OutputFormat::Table) {
    throw UsageError("--format table cannot be used with --batch; allowed: csv or json");
  }
  return options;
}

int ParseScale(std::string_view text) {
  constexpr std::string_view allowed = "a whole number from 1 to 4";
  const double value = ParseFiniteNumber(text, allowed);
  if (value != static_cast<int>(value) || value < 1 || value > 4) {
    throw ValueError("'" + Str(text) + "' is not allowed; allowed: " + Str(allowed));
  }
  return static_cast<int>(value);
}

OutputFormat EffectiveFormat(const CalcOptions& options) {
  return options.batch && !options.formatGiven ? OutputFormat::Csv : options.format;
}

std::string UsageText() {
  std::string s =
      "Usage: dipview-calc [OPTION]...\n"
      "Computes the voltages a transmission fault gives at the four buses of a\n"
      "distribution system (Substation HV, Substation MV and Along Feeder, Customer\n"
      "Level 1, Customer Level 2) and the sequence voltages V0, V1, V2 at Substation\n"
      "HV, cut to 0.001 per unit and 0.1 degree as the window's readouts show them.\n"
      "Options take their value as '--name value' or '--name=value'.\n\n";
  std::size_t width = 0;
  for (const OptionEntry& entry : kOptions) {
    width = std::max(width, entry.name.size() + entry.valueName.size());
  }
  for (const OptionEntry& entry : kOptions) {
    std::string left = "--" + Str(entry.name);
    if (!entry.valueName.empty()) {
      left += " " + Str(entry.valueName);
    }
    s += "  " + left + std::string(width + 6 - left.size(), ' ');
    for (char c : entry.help) {
      s += c;
      if (c == '\n') {
        s += std::string(width + 8, ' ');
      }
    }
    s += '\n';
  }
  s += "\nWith --batch, standard input is CSV: a header line naming any of the columns\n"
       "fault,z12_angle,z0_angle,zf_angle,z0_ratio,zf_ratio,proximity,hv_mv,mv_c1,c1_c2\n"
       "then one state per line. A column left out takes the value of its option above.\n"
       "The output has these ten columns, then for each bus hv, mv, c1, c2 the columns\n"
       "{bus}_a_mag,{bus}_a_ang,{bus}_b_mag,{bus}_b_ang,{bus}_c_mag,{bus}_c_ang, then\n"
       "v0_mag,v0_ang,v1_mag,v1_ang,v2_mag,v2_ang.\n\n"
       "Example:\n"
       "  printf 'fault,proximity\\nsingle,0\\nthree,50\\n' | dipview-calc --batch\n\n"
       "Exit status: 0 on success, 2 for a bad option or bad batch input (the message\n"
       "on standard error names it), 1 when input or output fails.\n";
  return s;
}

}  // namespace dipview::calc

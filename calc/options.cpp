#include "calc/options.h"

#ifndef _WIN32
#include <sched.h>
#endif

#include <algorithm>
#include <thread>

#include "calc/link.h"
#include "calc/presets.h"
#include "calc/settings.h"
#include "dipview/version.h"

namespace dipview::calc {

namespace {

// One run draws one picture: a second --png or --svg is refused rather than
// leaving one of the two unwritten.
void RefuseSecondPicture(const CalcOptions& o) {
  if (!o.pngPath.empty()) {
    throw ValueError("a picture is already asked for (" + std::string(o.pictureOption) + " " +
                     output::QuoteForMessage(o.pngPath) + "); allowed: one picture per run");
  }
}

// A name's extension must say what is written into it; a name without one
// (a FIFO, /dev/stdout, a plain name) takes the picture as it is.
void RefusePictureExtension(std::string_view path, bool svg, std::string_view allowed) {
  const std::string_view written = svg ? ".svg" : ".png";
  const std::size_t slash = path.rfind('/');
  const std::string_view base = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const std::size_t dot = base.rfind('.');
  if (dot == std::string_view::npos || dot == 0 || HasExtension(path, written)) {
    return;
  }
  throw ValueError(output::QuoteForMessage(path) + " ends in " +
                   output::QuoteForMessage(base.substr(dot)) +
                   (svg ? ", but the picture is an SVG" : ", but the picture is a PNG") +
                   "; allowed: " + std::string(allowed) + ", or a name without an extension");
}

// Keeps the first option of the sag in time given, for messages.
void NoteTimeOption(CalcOptions& o, std::string_view option) {
  if (o.timeOption.empty()) {
    o.timeOption = option;
  }
}

struct OptionEntry {
  std::string_view name;
  std::string_view valueName;
  std::string_view allowed;
  std::string_view help;
  void (*apply)(CalcOptions& options, std::string_view value);
  /// One of the settings the window has a control for.
  bool setting = false;
};

constexpr OptionEntry kOptions[] = {
    {"fault", "TYPE", kAllowedFault,
     "fault type: single (phase A to ground), phase-phase\n"
     "(phase B to C), two-phase-ground (B and C joined\n"
     "and to ground through ZF) or three (balanced);\n"
     "default single",
     [](CalcOptions& o, std::string_view v) { ParseFault(v, o.settings); }, true},
    {"phases", "P", kAllowedPhases,
     "the faulted phases instead of A or B and C: a, b or c\n"
     "for single; bc, ca or ab for phase-phase and\n"
     "two-phase-ground; adds the column phases",
     [](CalcOptions& o, std::string_view v) {
       if (v.empty()) {
         throw ValueError("empty value; allowed: " + std::string(kAllowedPhases));
       }
       o.phases = std::string(v);
       o.extras.phases = true;
     },
     true},
    {"z12-angle", "DEG", kAllowedAngle, "angle of Z12 in degrees, 0 to 90; default 90",
     [](CalcOptions& o, std::string_view v) { o.settings.z12AngleDeg = ParseAngle(v); }, true},
    {"z0-angle", "DEG", kAllowedAngle, "angle of Z0 in degrees, 0 to 90; default 90",
     [](CalcOptions& o, std::string_view v) { o.settings.z0AngleDeg = ParseAngle(v); }, true},
    {"zf-angle", "DEG", kAllowedAngle, "angle of ZF in degrees, 0 to 90; default 90",
     [](CalcOptions& o, std::string_view v) { o.settings.zfAngleDeg = ParseAngle(v); }, true},
    {"z0-ratio", "R", kAllowedZ0Ratio, "Z0/Z12 magnitude ratio, 0.5 to 3.0; default 2.5",
     [](CalcOptions& o, std::string_view v) { o.settings.z0Ratio = ParseZ0Ratio(v); }, true},
    {"zf-ratio", "R", kAllowedZfRatio, "ZF/Z12 magnitude ratio, 0.0 to 3.0; default 0.0",
     [](CalcOptions& o, std::string_view v) { o.settings.zfRatio = ParseZfRatio(v); }, true},
    {"proximity", "N", kAllowedProximity,
     "distance of the fault from Substation HV in percent,\n"
     "0 (close) to 100 (far), a whole number: 100 puts\n"
     "Substation HV at the source, where no fault shows;\n"
     "default 50",
     [](CalcOptions& o, std::string_view v) { o.settings.proximity = ParseProximity(v); }, true},
    {"transformers", "C,C,C", "three of DY, YY or DD, separated by commas",
     "connections HV-MV, MV-C1 and C1-C2, each DY (a Dy1:\n"
     "V1 turned by -30 degrees), YY or DD (removes V0 and\n"
     "turns nothing); default DY,DY,DY",
     [](CalcOptions& o, std::string_view v) { ParseConnections(v, o.settings); }, true},
    {"preset", "NAME", "a preset's name (see --preset list)",
     "start from the settings of a textbook case, which\n"
     "options after it change; list prints the cases",
     [](CalcOptions& o, std::string_view v) {
       if (v == "list") {
         o.action = Action::Presets;
         return;
       }
       const Preset* preset = FindPreset(v);
       if (preset == nullptr) {
         std::string names;
         for (const Preset& p : kPresets) {
           names += std::string(p.name) + ", ";
         }
         throw ValueError(output::QuoteForMessage(v) + " is not a preset; allowed: " + names +
                          "list");
       }
       o.settings = preset->settings;
     }},
    {"link", "", "",
     "print the page's link for the settings instead of\n"
     "the numbers: ?fault=single&z12-angle=90&...",
     [](CalcOptions& o, std::string_view) { o.link = true; }},
    {"format", "FMT", kAllowedFormat,
     "output: table, csv, json, markdown or latex; default\n"
     "table (csv with --batch or --sweep); one state\n"
     "without --columns is one readable block, or in\n"
     "markdown and latex a sheet of tables with a row\n"
     "for each bus",
     [](CalcOptions& o, std::string_view v) {
       o.format = ParseOutputFormat(v);
       o.formatGiven = true;
     }},
    {"values", "HOW", kAllowedValues,
     "how voltages, V and F are written: shown (as the\n"
     "window shows them, cut to 0.001 pu and 0.1 degree),\n"
     "rounded (to the nearest 0.001 pu and 0.1 degree) or\n"
     "full (the shortest text that reads back to the same\n"
     "double); default shown",
     [](CalcOptions& o, std::string_view v) {
       o.values = ParseValueMode(v);
       o.valuesGiven = true;
     }},
    {"polar", "", "",
     "with --format markdown or latex for one state, write\n"
     "each phasor as one cell: its magnitude, the angle\n"
     "sign and its angle in degrees",
     [](CalcOptions& o, std::string_view) { o.polar = true; }},
    {"columns", "NAME,...", "names of output columns separated by commas",
     "write these columns in this order, in any format;\n"
     "any of the columns below, --classify's and\n"
     "--line-to-line's too",
     [](CalcOptions& o, std::string_view v) { o.columns = ParseColumns(v); }},
    {"batch", "[FILE]", "a file name, or - for standard input",
     "read states from FILE, or from standard input when\n"
     "FILE is left out or -, one output row each: CSV, or\n"
     "JSON Lines as --format json writes them",
     [](CalcOptions& o, std::string_view v) {
       o.batch = true;
       o.batchPath = v == "-" ? std::string() : std::string(v);
     }},
    {"classify", "", "",
     "add the sag type of each bus (none, A, B, C or D\n"
     "with the symmetric phase: B_a, C_c, D_b, ...), the\n"
     "sizes of its complex characteristic voltage V and PN\n"
     "factor F, rounded to the nearest 0.001, not cut, and\n"
     "the jump of V against the pre-fault voltage in\n"
     "degrees, to the nearest 0.1; then the textbook type,\n"
     "A to G with the symmetric phase (E_a, F_c, ...),\n"
     "none, or - when it is none of the seven",
     [](CalcOptions& o, std::string_view) { o.extras.classify = true; }},
    {"line-to-line", "", "",
     "add the line-to-line voltages Vab, Vbc, Vca of each\n"
     "bus in per unit of the line-to-neutral prefault\n"
     "voltage (healthy: 1.732), cut like the readouts",
     [](CalcOptions& o, std::string_view) { o.extras.lineToLine = true; }},
    {"events", "", "",
     "add each bus's dip as a power quality meter finds it\n"
     "in the voltages over time: residual voltage (lowest\n"
     "half-cycle rms, pu), duration (s), phase-angle jumps\n"
     "of A, B and C (degrees), and whether the ITIC and\n"
     "SEMI F47 curves expect equipment to ride through it\n"
     "(inside or outside); none without a dip",
     [](CalcOptions& o, std::string_view) { o.extras.events = true; }},
    {"duration", "SECONDS", kAllowedDuration,
     "how long the fault lasts, 0.001 to 10 s; default 0.1",
     [](CalcOptions& o, std::string_view v) {
       o.time.durationSeconds = ParseDuration(v);
       NoteTimeOption(o, "--duration");
     }},
    {"inception", "DEG", kAllowedInception,
     "point on wave where the fault starts: the angle of\n"
     "phase A's voltage at Substation HV, -360 to 360\n"
     "degrees; default 0 (its peak)",
     [](CalcOptions& o, std::string_view v) {
       o.time.inceptionDeg = ParseInception(v);
       NoteTimeOption(o, "--inception");
     }},
    {"frequency", "HZ", kAllowedFrequency, "line frequency, 50 or 60; default 50",
     [](CalcOptions& o, std::string_view v) {
       o.time.frequencyHz = ParseFrequency(v);
       NoteTimeOption(o, "--frequency");
     }},
    {"samples-per-cycle", "N", kAllowedSamplesPerCycle,
     "samples of each cycle, even, 4 to 1024; default 128",
     [](CalcOptions& o, std::string_view v) {
       o.time.samplesPerCycle = ParseSamplesPerCycle(v);
       NoteTimeOption(o, "--samples-per-cycle");
     }},
    {"waveform", "", "",
     "write the voltages over time as CSV instead of rows:\n"
     "t (s, 0 at the fault's start), then hv_a ... c2_c\n"
     "(pu), from a cycle before the fault to three after",
     [](CalcOptions& o, std::string_view) { o.signal = SignalOutput::Waveform; }},
    {"rms", "", "",
     "write the half-cycle rms of each phase, Urms(1/2), as\n"
     "CSV instead of rows, as --waveform, t at the end of\n"
     "each one-cycle window",
     [](CalcOptions& o, std::string_view) { o.signal = SignalOutput::Rms; }},
    {"comtrade", "BASE", "a file name without extension",
     "write the voltages over time as COMTRADE (IEEE\n"
     "C37.111-1999, ASCII) to BASE.cfg and BASE.dat",
     [](CalcOptions& o, std::string_view v) {
       if (v.empty()) {
         throw ValueError("an empty file name; allowed: a file name without extension");
       }
       o.comtradeBase = std::string(v);
     }},
    {"sweep", "NAME=FROM:TO:STEP", kAllowedSweep,
     "one state, and one output row as with --batch, for\n"
     "each value FROM, FROM+STEP, ... up to TO of the\n"
     "setting NAME: z12-angle, z0-angle, zf-angle,\n"
     "z0-ratio, zf-ratio or proximity; give it twice for a\n"
     "grid (the first is the outer loop); at most\n"
     "1000000 points in all",
     [](CalcOptions& o, std::string_view v) {
       if (o.sweeps.size() == 2) {
         throw ValueError("given a third time; allowed: one setting, or two for a grid");
       }
       SweepAxis axis = ParseSweep(v);
       if (!o.sweeps.empty() && o.sweeps[0].column == axis.column) {
         throw ValueError(output::QuoteForMessage(v) + " sweeps " + std::string(axis.column) +
                          " a second time; allowed: two different settings for a grid");
       }
       o.sweeps.push_back(std::move(axis));
     }},
    {"jobs", "N", kAllowedJobs,
     "threads computing a --batch or --sweep, 1 to 256;\n"
     "default one per core; rows keep their order",
     [](CalcOptions& o, std::string_view v) {
       o.jobs = ParseJobs(v);
       o.jobsGiven = true;
     }},
    {"plot", "FILE", "a file name ending in .png or .svg",
     "with one --sweep, draw each bus's phase magnitudes\n"
     "against the swept setting into FILE instead of\n"
     "writing rows; PNG or SVG by the file name's\n"
     "extension, 1600 x 500 pixels; - writes a PNG to\n"
     "standard output. Without --sweep and with an option\n"
     "of the sag in time (--duration, ...), draw the sag in\n"
     "time instead: waveforms, Urms(1/2), each bus's dip\n"
     "and the ITIC and SEMI F47 curves, 1600 x 1100 pixels",
     [](CalcOptions& o, std::string_view v) {
       if (!o.plotPath.empty()) {
         throw ValueError("given a second time (first " + output::QuoteForMessage(o.plotPath) +
                          "); allowed: one plot per run");
       }
       o.plotFormat = PlotFormatOf(v);
       o.plotPath = std::string(v);
     }},
    {"png", "FILE", "a file name for the PNG picture",
     "write a PNG picture of the window for these settings\n"
     "(diagrams, sequence column and readouts) instead of\n"
     "the numbers; 784 x 584 pixels, one pixel per 15 twips;\n"
     "a name ending in .svg writes an SVG as --svg does;\n"
     "- writes it to standard output",
     [](CalcOptions& o, std::string_view v) {
       if (v.empty()) {
         throw ValueError("an empty file name; allowed: a file name for the PNG picture");
       }
       RefuseSecondPicture(o);
       o.pngPath = std::string(v);
       o.pictureOption = "--png";
       o.svg = HasExtension(v, ".svg");
       RefusePictureExtension(v, o.svg, "a file name ending in .png or .svg");
     }},
    {"svg", "FILE", "a file name for the SVG picture",
     "write the same picture as an SVG vector drawing:\n"
     "lines, discs and texts as elements, 784 x 584 units;\n"
     "- writes it to standard output",
     [](CalcOptions& o, std::string_view v) {
       if (v.empty()) {
         throw ValueError("an empty file name; allowed: a file name for the SVG picture");
       }
       RefuseSecondPicture(o);
       o.pngPath = std::string(v);
       o.pictureOption = "--svg";
       o.svg = true;
       RefusePictureExtension(v, true, "a file name ending in .svg");
     }},
    {"labels", "", "",
     "draw the --png or --svg picture with the window's\n"
     "labels: readout headings, V0, V1 and V2, sag types\n"
     "and the scales of the rings and bars",
     [](CalcOptions& o, std::string_view) { o.labels = true; }},
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

// --link writes one state's settings and nothing else; what the page
// cannot show would be refused when the link is opened.
void RefuseWithLink(const CalcOptions& o) {
  const std::string_view other = o.batch                              ? "--batch"
                                 : !o.sweeps.empty()                  ? "--sweep"
                                 : !o.pngPath.empty()                 ? o.pictureOption
                                 : !o.plotPath.empty()                ? "--plot"
                                 : o.signal == SignalOutput::Waveform ? "--waveform"
                                 : o.signal == SignalOutput::Rms      ? "--rms"
                                 : !o.comtradeBase.empty()            ? "--comtrade"
                                 : o.formatGiven                      ? "--format"
                                 : !o.columns.empty()                 ? "--columns"
                                 : o.valuesGiven                      ? "--values"
                                 : o.extras.classify                  ? "--classify"
                                 : o.extras.lineToLine                ? "--line-to-line"
                                 : o.extras.events                    ? "--events"
                                                                      : "";
  if (!other.empty()) {
    throw UsageError(
        "--link writes the page's link for one state's settings; it cannot be "
        "used with " +
        std::string(other));
  }
  // The page opens in its all-faults form for the settings only that form shows.
  if (std::string message =
          WhatTheWindowCannotShow(o.settings, "--link opens the page, which",
                                  SettingSpelling::Option, design::FormMode::AllFaults);
      !message.empty()) {
    throw UsageError(std::move(message));
  }
}

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
    if (arg.size() > 1 && arg[0] == '-' && arg[1] != '-') {
      throw UsageError("unknown option " + output::QuoteForMessage(arg) +
                       "; see 'dipview-calc --help'");
    }
    if (!arg.starts_with("--") || arg.size() == 2) {
      throw UsageError("unexpected argument " + output::QuoteForMessage(arg) +
                       "; settings are given as options, see 'dipview-calc --help'");
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
      throw UsageError("unknown option " + output::QuoteForMessage(arg.substr(0, 2 + name.size())) +
                       "; see 'dipview-calc --help'");
    }
    if (entry->valueName.empty()) {
      if (inlineValue) {
        throw UsageError("--" + Str(name) + " takes no value (got " + output::QuoteForMessage(arg) +
                         ")");
      }
    } else if (entry->valueName.starts_with('[')) {
      // An optional value is the next argument unless that is another option.
      if (!inlineValue && i + 1 < args.size() &&
          (args[i + 1] == "-" || !args[i + 1].starts_with('-'))) {
        value = args[++i];
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
  if (!options.phases.empty()) {
    try {
      ParsePhases(options.phases, options.settings);
    } catch (const ValueError& e) {
      throw UsageError(std::string("--phases: ") + e.what());
    }
  }
  if (!options.pngPath.empty()) {
    // Settings only the all-faults form shows are drawn in that form.
    RefuseWhatTheWindowCannotShow(options.settings,
                                  Str(options.pictureOption) + " draws the window, which",
                                  design::FormMode::AllFaults);
    if (options.jobsGiven) {
      throw UsageError("--jobs sets the threads of a --batch or --sweep; " +
                       Str(options.pictureOption) + " draws one state");
    }
  }
  if (options.link) {
    RefuseWithLink(options);
  }
  CheckSagInTimeOptions(options);
  if (options.scaleGiven && options.svg) {
    throw UsageError("--scale sets the pixel density of a PNG picture; an SVG picture has none");
  }
  if (options.labels && options.pngPath.empty()) {
    throw UsageError("--labels draws them on a --png or --svg picture; give --png FILE too");
  }
  if (options.scaleGiven && options.pngPath.empty()) {
    throw UsageError("--scale sets the density of a --png picture; give --png FILE too");
  }
  if (options.batch && !options.pngPath.empty()) {
    throw UsageError(Str(options.pictureOption) +
                     " draws one state and cannot be used with --batch");
  }
  const bool sweep = !options.sweeps.empty();
  if (sweep) {
    if (options.batch) {
      throw UsageError("--sweep makes its own states and cannot be used with --batch");
    }
    if (!options.pngPath.empty()) {
      throw UsageError(Str(options.pictureOption) +
                       " draws one state and cannot be used with --sweep");
    }
    const std::size_t points = options.sweeps.size() == 1 ? options.sweeps[0].points.size()
                                                          : options.sweeps[0].points.size() *
                                                                options.sweeps[1].points.size();
    if (points > kMaxSweepPoints) {
      throw UsageError("--sweep: the grid has " + std::to_string(points) +
                       " points; allowed: at most " + std::to_string(kMaxSweepPoints) +
                       " points in all");
    }
  }
  if (options.polar &&
      (options.batch || sweep || !options.columns.empty() ||
       (options.format != OutputFormat::Markdown && options.format != OutputFormat::Latex))) {
    throw UsageError(
        "--polar writes the phasors of one state's sheet; give --format markdown or latex, "
        "without --batch, --sweep or --columns");
  }
  if (!options.plotPath.empty()) {
    // Without a sweep, an option of the sag in time asks for its chart.
    if (!sweep && options.timeOption.empty()) {
      throw UsageError("--plot draws a sweep; give --sweep NAME=FROM:TO:STEP too");
    }
    if (!sweep && options.batch) {
      throw UsageError("--plot draws the sag in time of one state; it cannot be used with --batch");
    }
    if (options.sweeps.size() > 1) {
      throw UsageError("--plot draws a sweep over one setting, not a grid of two");
    }
  }
  if (!options.plotPath.empty() || !options.pngPath.empty()) {
    const std::string_view picture = options.plotPath.empty() ? options.pictureOption : "--plot";
    if (options.extras.classify) {
      throw UsageError(std::string("--classify adds output columns; ") + Str(picture) +
                       " writes a picture instead of rows");
    }
    if (options.extras.lineToLine) {
      throw UsageError(std::string("--line-to-line adds output columns; ") + Str(picture) +
                       " writes a picture instead of rows");
    }
    if (options.formatGiven) {
      throw UsageError(std::string("--format chooses how rows are written; ") + Str(picture) +
                       " writes a picture instead of rows");
    }
    if (!options.columns.empty()) {
      throw UsageError(std::string("--columns chooses output columns; ") + Str(picture) +
                       " writes a picture instead of rows");
    }
    if (options.valuesGiven) {
      throw UsageError(std::string("--values sets how output values are written; ") + Str(picture) +
                       " writes a picture instead of rows");
    }
  }
  return options;
}

void RefuseWhatTheWindowCannotShow(const FaultInputs& in, std::string_view lead,
                                   design::FormMode mode) {
  if (std::string message = WhatTheWindowCannotShow(in, lead, SettingSpelling::Option, mode);
      !message.empty()) {
    throw UsageError(std::move(message));
  }
}

bool IsSettingOption(std::string_view name) {
  const OptionEntry* entry = FindOption(name);
  return entry != nullptr && entry->setting;
}

int ParseScale(std::string_view text) {
  constexpr std::string_view allowed = "a whole number from 1 to 4";
  const double value = ParseFiniteNumber(text, allowed);
  // The range first: converting a double beyond int's range is undefined.
  if (value < 1 || value > 4 || value != static_cast<int>(value)) {
    throw ValueError(output::QuoteForMessage(text) + " is not allowed; allowed: " + Str(allowed));
  }
  return static_cast<int>(value);
}

int ParseJobs(std::string_view text) {
  const double value = ParseFiniteNumber(text, kAllowedJobs);
  if (value < 1 || value > kMaxJobs || value != static_cast<int>(value)) {
    throw ValueError("'" + Str(text) + "' is not allowed; allowed: " + Str(kAllowedJobs));
  }
  return static_cast<int>(value);
}

int CoreCount() {
#ifndef _WIN32
  cpu_set_t cores;
  if (::sched_getaffinity(0, sizeof cores, &cores) == 0) {
    return std::max(1, CPU_COUNT(&cores));
  }
#endif
  return std::max(1U, std::thread::hardware_concurrency());
}

RowLayout LayoutOf(const CalcOptions& options) {
  const OutputFormat format = EffectiveFormat(options);
  const bool manyRows = options.batch || !options.sweeps.empty();
  return {
      .format = format,
      .values = options.values,
      .columns = options.columns.empty() ? DefaultColumns(options.extras) : options.columns,
      .blocks = format != OutputFormat::Csv && format != OutputFormat::Json && !manyRows &&
                options.columns.empty(),
      .extras = options.extras,
      .polar = options.polar,
      .time = options.time,
      .jobs = options.jobs > 0 ? options.jobs : std::min(CoreCount(), kMaxJobs),
  };
}

OutputFormat EffectiveFormat(const CalcOptions& options) {
  const bool manyRows = options.batch || !options.sweeps.empty();
  return manyRows && !options.formatGiven ? OutputFormat::Csv : options.format;
}

std::string UsageText() {
  std::string s =
      "Usage: dipview-calc [OPTION]...\n"
      "Computes the voltages a transmission fault gives at the four buses of a\n"
      "distribution system (Substation HV, Substation MV and Along Feeder, Customer\n"
      "Level 1, Customer Level 2) and the sequence voltages V0, V1, V2 at Substation\n"
      "HV, cut to 0.001 per unit and 0.1 degree as the window's readouts show them\n"
      "(see --values).\n"
      "Options take their value as '--name value' or '--name=value'.\n\n"
      "Options:\n";
  // An option longer than this has its help start on the next line, so that
  // one long option does not push every help text past 80 columns.
  constexpr std::size_t kMaxWidth = 17;
  std::size_t width = 0;
  for (const OptionEntry& entry : kOptions) {
    const std::size_t size = entry.name.size() + entry.valueName.size();
    if (size <= kMaxWidth) {
      width = std::max(width, size);
    }
  }
  for (const OptionEntry& entry : kOptions) {
    std::string left = "--" + Str(entry.name);
    if (!entry.valueName.empty()) {
      left += " " + Str(entry.valueName);
    }
    s += "  " + left;
    s += left.size() < width + 6 ? std::string(width + 6 - left.size(), ' ')
                                 : "\n" + std::string(width + 8, ' ');
    for (char c : entry.help) {
      s += c;
      if (c == '\n') {
        s += std::string(width + 8, ' ');
      }
    }
    s += '\n';
  }
  // The column lists have a blank after each comma, so that a man page made
  // from this text can break its lines there; an example fits on a line of
  // the man page, 66 characters.
  s += "\nOption names are lower case; the words their values take (fault types,\n"
       "phases, connections, formats, value modes, column and setting names) may be\n"
       "written in any case.\n\n"
       "With --batch, the input (FILE or standard input) is CSV: a header line naming\n"
       "any of the columns fault, z12_angle, z0_angle, zf_angle, z0_ratio, zf_ratio,\n"
       "proximity, hv_mv, mv_c1, c1_c2, then one state per line. A column left out\n"
       "takes the value of its option above. Fields may be in double quotes as RFC\n"
       "4180 has it, lines may hold 1 MiB, and the result columns below may be named\n"
       "too and are read past, so the CSV this program writes is valid batch input.\n"
       "Input whose first line starts with { is read as JSON Lines instead: one object\n"
       "a line, with the column names as keys, as --format json writes them.\n"
       "A column phases, read after fault, sets the faulted phases of each row as\n"
       "--phases does; without it each row keeps the phase --phases treats apart (b\n"
       "goes with ca).\n"
       "The output has these ten columns, then for each bus hv, mv, c1, c2 the columns\n"
       "{bus}_a_mag, {bus}_a_ang, {bus}_b_mag, {bus}_b_ang, {bus}_c_mag, {bus}_c_ang,\n"
       "then v0_mag, v0_ang, v1_mag, v1_ang, v2_mag, v2_ang; with --phases or a\n"
       "phases column, phases follows fault. --classify adds {bus}_type, {bus}_v,\n"
       "{bus}_f, {bus}_textbook for each bus, then --line-to-line adds {bus}_ab_mag,\n"
       "{bus}_ab_ang, {bus}_bc_mag, {bus}_bc_ang, {bus}_ca_mag, {bus}_ca_ang for each\n"
       "bus, then --events adds {bus}_residual, {bus}_duration, {bus}_jump_a,\n"
       "{bus}_jump_b, {bus}_jump_c, {bus}_itic, {bus}_f47 for each bus.\n\n"
       "--sweep writes the same columns, one row per point, in any format. Its\n"
       "points are FROM + i*STEP rounded to the decimals FROM, TO and STEP are\n"
       "written with; TO is the last point when a whole number of steps reaches it.\n"
       "Every point must be a value the setting's option allows.\n\n"
       "The presets of --preset NAME:\n" +
       PresetList() +
       "\nExamples:\n"
       "  $ printf 'fault\\nsingle\\nthree\\n' | dipview-calc --batch\n"
       "  $ dipview-calc --classify --sweep proximity=0:100:10\n"
       "  $ dipview-calc --fault two-phase-ground --z0-ratio 1 --classify\n"
       "  $ dipview-calc --format markdown --values rounded --polar\n"
       "  $ dipview-calc --sweep proximity=0:100:1 --plot sweep.png\n"
       "  $ dipview-calc --duration 0.1 --plot sag.svg\n"
       "  $ dipview-calc --columns hv_a_mag,hv_a_ang --values rounded\n"
       "  $ dipview-calc --events --duration 0.2 --inception 90\n"
       "  $ dipview-calc --waveform --fault three > waveform.csv\n"
       "  $ dipview-calc --preset two-dy-down --classify\n"
       "  $ dipview-calc --fault three --proximity 30 --link\n";
  return s;
}

}  // namespace dipview::calc

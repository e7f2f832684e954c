#pragma once

#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "calc/events.h"
#include "calc/sweep.h"
#include "calc/writers.h"
#include "compute/fault.h"
#include "design/controls.h"
#include "dipview/version.h"

namespace dipview::calc {

/// Exit status for a bad command line or bad batch input.
inline constexpr int kExitUsage = 2;

/// A bad command line or bad batch input. The message is complete: it names
/// the option (or the line and column), the bad value and what is allowed.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// What the program is asked to do.
enum class Action { Compute, Help, Version, Presets };

/// Everything the command line can set. An option is a row of the option
/// table in options.cpp that writes one or more of these fields.
struct CalcOptions {
  Action action = Action::Compute;
  /// The state to compute; with --batch, the values of the columns a batch
  /// header leaves out. Defaults are the window's start-up settings.
  FaultInputs settings;
  /// Print the page's link for the settings instead of computing (--link).
  bool link = false;
  OutputFormat format = OutputFormat::Table;
  bool formatGiven = false;
  /// Read states as CSV or JSON Lines (--batch).
  bool batch = false;
  /// The file they come from; empty for standard input.
  std::string batchPath;
  /// Columns added to the standard ones (--phases, --classify, --line-to-line,
  /// --events).
  ExtraColumns extras;
  /// The text of --phases, read once the fault is known.
  std::string phases;
  /// The columns to write, in order (--columns); empty for the standard
  /// ones and those `extras` adds.
  std::vector<OutputColumn> columns;
  /// One state's Markdown or LaTeX sheet writes each phasor as one cell in
  /// polar form (--polar).
  bool polar = false;
  /// How voltages, V and F are written (--values).
  ValueMode values = ValueMode::Shown;
  bool valuesGiven = false;
  /// Threads computing the states of a batch or a sweep (--jobs); 0 for one
  /// per core.
  int jobs = 0;
  bool jobsGiven = false;
  /// The settings to sweep (--sweep), at most two; the first is the outer loop.
  std::vector<SweepAxis> sweeps;
  /// Draw the sweep to this file instead of writing its rows (--plot).
  std::string plotPath;
  output::PlotFormat plotFormat = output::PlotFormat::Png;
  /// Write a picture of the window for the settings to this file (--png, --svg).
  std::string pngPath;
  /// The option that named it, for messages.
  std::string_view pictureOption = "--png";
  /// The picture is an SVG vector drawing: --svg, or --png with a name ending
  /// in .svg (in any case).
  bool svg = false;
  /// The picture shows the window's labels (--labels).
  bool labels = false;
  /// Pixel density of the picture, 1 to 4 times the window's (--scale).
  int scale = 1;
  bool scaleGiven = false;
  /// How the sag runs in time (--duration, --inception, --frequency,
  /// --samples-per-cycle).
  TimeSettings time{};
  /// The first of those options given, for messages; empty without one.
  std::string_view timeOption;
  /// Samples or Urms(1/2) instead of rows (--waveform, --rms).
  SignalOutput signal = SignalOutput::None;
  /// Write the samples to BASE.cfg and BASE.dat (--comtrade).
  std::string comtradeBase;
};

/// Parses the arguments after the program's name. Options are written
/// "--name value" or "--name=value"; a later option overrides an earlier one.
/// --help, -h and --version end the parsing. Throws UsageError.
CalcOptions ParseCommandLine(std::span<const std::string_view> args);

/// Refuses with UsageError the settings the window in `mode` has no control
/// for: ratios no option offers and, in the default form, the
/// two-phase-to-ground fault, faulted phases other than A or B and C and DD
/// transformers. `lead` starts the message, as in "the window" or "--png
/// draws the window, which".
void RefuseWhatTheWindowCannotShow(const FaultInputs& in, std::string_view lead,
                                   design::FormMode mode = design::FormMode::Default);

/// Whether --`name` sets one of the settings the window has controls for:
/// --fault, --phases, the angles and ratios, --proximity, --transformers.
bool IsSettingOption(std::string_view name);

/// A whole number for --scale, 1 to 4. Throws ValueError.
int ParseScale(std::string_view text);

/// A whole number for --jobs, 1 to kMaxJobs. Throws ValueError.
int ParseJobs(std::string_view text);
inline constexpr int kMaxJobs = 256;
inline constexpr std::string_view kAllowedJobs = "a whole number from 1 to 256";

/// The number of cores the program may run on, at least 1.
int CoreCount();

/// The format to write: the one asked for, or CSV for a batch or a sweep
/// without --format.
OutputFormat EffectiveFormat(const CalcOptions& options);

/// How the rows of `options` are written.
RowLayout LayoutOf(const CalcOptions& options);

/// The text --help prints.
std::string UsageText();

}  // namespace dipview::calc

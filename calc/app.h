#pragma once

#include <span>
#include <string>
#include <string_view>

#include "calc/sweep.h"
#include "compute/fault.h"
#include "design/time_view.h"
#include "output/io.h"
#include "output/output_file.h"

namespace dipview::calc {

/// What the calculator can do beyond numbers when the program provides it:
/// pictures come from the window's own drawing code and plots from Qt, which
/// the calculator's library does not link.
struct CalcServices {
  /// Draws the window for `in` at `scale` times the pixel density into `png`,
  /// as PNG bytes, with the labels over the drawing when `labels` is set.
  void (*drawPicture)(const FaultInputs& in, int scale, bool labels, std::string& png) = nullptr;
  /// Draws the window for `in` as a vector drawing into `svg`, as SVG text,
  /// with the labels when `labels` is set.
  void (*drawSvg)(const FaultInputs& in, bool labels, std::string& svg) = nullptr;
  /// Draws `plot` into `bytes` in `format`.
  void (*drawPlot)(const output::SweepPlot& plot, output::PlotFormat format,
                   std::string& bytes) = nullptr;
  /// Draws the sag in time's `chart` into `bytes` in `format`, an SVG with
  /// `description` as its description.
  void (*drawChart)(const design::ChartList& chart, output::PlotFormat format,
                    const std::string& description, std::string& bytes) = nullptr;
  /// The system calls that write a picture or a plot file.
  output::FileCalls fileCalls;
};

/// The whole program: parses the arguments after the program's name, reads a
/// batch from `in` when asked to, writes results to `out` and messages, each
/// starting "dipview-calc: ", to `err`. Returns the exit status: 0 on success,
/// kExitUsage for a bad option or bad batch input, 1 when reading or writing
/// fails (a picture or plot that cannot be written among them) or memory runs
/// out.
int RunCalculator(std::span<const std::string_view> args, output::ByteSource& in,
                  output::ByteSink& out, output::ByteSink& err, const CalcServices& services = {});

}  // namespace dipview::calc

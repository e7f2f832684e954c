#pragma once

#include <span>
#include <string>
#include <string_view>

#include "calc/io.h"
#include "calc/sweep.h"
#include "compute/fault.h"

namespace dipview::calc {

/// What the calculator can do beyond numbers when the program provides it:
/// pictures come from the window's own drawing code and plots from Qt, which
/// the calculator's library does not link.
struct CalcServices {
  /// Writes a PNG of the window for `in` at `scale` times the pixel density.
  /// Returns false with a complete message in `error` when the file cannot be
  /// written; nothing is then left at `path`.
  bool (*writePng)(const FaultInputs& in, const std::string& path, int scale,
                   std::string& error) = nullptr;
  /// Draws `plot` into `path` in `format`. Returns false with a complete
  /// message in `error` when the file cannot be written; nothing is then left
  /// at `path`.
  bool (*writePlot)(const SweepPlot& plot, const std::string& path, PlotFormat format,
                    std::string& error) = nullptr;
};

/// The whole program: parses the arguments after the program's name, reads a
/// batch from `in` when asked to, writes results to `out` and messages, each
/// starting "dipview-calc: ", to `err`. Returns the exit status: 0 on success,
/// kExitUsage for a bad option or bad batch input, 1 when reading or writing
/// fails.
int RunCalculator(std::span<const std::string_view> args, ByteSource& in, ByteSink& out,
                  ByteSink& err, const CalcServices& services = {});

}  // namespace dipview::calc

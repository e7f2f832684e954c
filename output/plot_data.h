#pragma once

#include <array>
#include <string>
#include <vector>

namespace dipview::output {

/// The file formats of a plot.
enum class PlotFormat { Png, Svg };

/// What --plot draws: each bus's three phase magnitudes against one setting.
struct SweepPlot {
  /// The swept setting and its unit.
  std::string xLabel;
  /// The settings that stay the same across the sweep.
  std::string caption;
  /// The values of the swept setting, in sweep order.
  std::vector<double> x;
  /// magnitudes[bus][phase][point], per unit as computed (not cut); bus 0 is
  /// Substation HV, phase 0 is A.
  std::array<std::array<std::vector<double>, 3>, 4> magnitudes;
};

}  // namespace dipview::output

#pragma once

#include <array>
#include <string>

#include <QByteArray>
#include <QImage>
#include <QPainter>
#include <QPointF>
#include <QRectF>

#include "output/plot_data.h"

namespace dipview::plot {

/// Size of a plot: pixels of a PNG, user units (pixels at 96 dpi) of an SVG.
inline constexpr int kPlotWidth = 1600;
inline constexpr int kPlotHeight = 500;

/// Magnitude (per unit) of the dashed guide lines.
inline constexpr std::array<double, 2> kGuideLevels = {0.9, 0.5};

/// Where the data of a plot lies: the four panels' plotting areas, bus order
/// left to right, and the range of each axis.
struct PlotFrame {
  std::array<QRectF, 4> areas;
  double xMin = 0.0;
  double xMax = 1.0;
  double yMax = 1.2;  ///< the y axis runs from 0 per unit up to this

  /// The point of panel `panel` showing setting value `x` at magnitude `y`.
  QPointF Map(int panel, double x, double y) const;
};

/// The frame DrawPlot uses for `plot`: the panels start below the caption's
/// lines. The y axis reaches at least 1.2 per
/// unit and otherwise the largest magnitude rounded up to 0.2; the x axis
/// spans the swept values (one unit either side of a single value).
PlotFrame FrameOf(const output::SweepPlot& plot);

/// Draws the whole plot over (0, 0) to (kPlotWidth, kPlotHeight): on a white
/// ground the caption, on as many lines as it needs, and the legend in the
/// top band, then a panel per bus with
/// its title, grid, dashed guides, the phases A (black, widest), B (red, with
/// filled squares) and C (blue, dashed, with open triangles) and labelled
/// axes. Magnitudes above the y axis are clipped to the panel.
void DrawPlot(QPainter& painter, const output::SweepPlot& plot);

/// The plot as an image of kPlotWidth x kPlotHeight pixels. Needs a
/// QGuiApplication.
QImage RenderPlot(const output::SweepPlot& plot);

/// The plot encoded as a PNG image or an SVG drawing. Needs a QGuiApplication.
QByteArray EncodePlot(const output::SweepPlot& plot, output::PlotFormat format);

}  // namespace dipview::plot

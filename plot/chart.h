#pragma once

#include <span>

#include <QByteArray>
#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QString>

#include "design/time_view.h"
#include "output/plot_data.h"

namespace dipview::plot {

/// Paints a chart list in order, one unit a logical pixel, each step with its
/// own pen, fill and font.
void PaintChart(QPainter& painter, std::span<const design::ChartOp> chart);

/// Where a text step's letters lie on the page: as wide as the text and as
/// high as its font's ascent and descent, turned with a vertical text.
QRectF ChartTextBox(const design::ChartOp& text);

/// The sag in time's chart as an image of design::kTimeViewWidth x
/// kTimeViewHeight pixels. Needs a QGuiApplication.
QImage RenderTimeChart(const design::ChartList& chart);

/// The chart encoded as a PNG image or an SVG drawing with `description` as
/// its description. Needs a QGuiApplication.
QByteArray EncodeTimeChart(const design::ChartList& chart, output::PlotFormat format,
                           const QString& description);

}  // namespace dipview::plot

#pragma once

#include <span>

#include <QColor>
#include <QPainter>
#include <QRect>

#include "design/controls.h"
#include "design/drawing.h"
#include "design/labels.h"

namespace dipview::window {

/// Whole pixels for a twips rectangle at `zoom` (1 = design size): where the
/// design's positions meet Qt.
QRect ToPixelRect(const design::TwipsRect& r, double zoom = 1.0);

inline QColor ToQColor(design::Rgb c) {
  return {c.r, c.g, c.b};
}

/// Paints a drawing list, in order, with every step's own pen, fill and
/// smoothing. One logical pixel is 15 twips; pen widths are logical pixels, so
/// a picture at twice the density keeps its proportions.
void PaintDrawing(QPainter& painter, std::span<const design::DrawOp> drawing);

/// Paints label texts at `zoom` (1 = design size) over what is painted,
/// each in the window's font family at its own size, weight and colour.
void PaintLabels(QPainter& painter, std::span<const design::TextItem> labels, double zoom = 1.0);

/// Where label `item` is painted at `zoom`: the box of its font's ascent and
/// descent around its advance width, in logical pixels.
QRectF LabelBox(const design::TextItem& item, double zoom = 1.0);

}  // namespace dipview::window

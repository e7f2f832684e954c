#include "window/surface.h"

namespace dipview::window {

namespace {

QPointF ToPixels(float x, float y) {
  return {x / kTwipsPerPixel, y / kTwipsPerPixel};
}

}  // namespace

Surface::Surface(QPainter& painter, DrawState& state) : painter_(painter), state_(state) {}

QPen Surface::Pen(const QColor& color) const {
  QPen pen(color);
  // Widths are logical pixels, so a picture at twice the density keeps its proportions.
  pen.setWidthF(state_.drawWidth);
  pen.setCosmetic(false);
  pen.setStyle(state_.drawStyle == DrawStyle::Dot ? Qt::DotLine : Qt::SolidLine);
  pen.setCapStyle(Qt::FlatCap);
  pen.setJoinStyle(Qt::MiterJoin);
  return pen;
}

QBrush Surface::Brush() const {
  return state_.fillStyle == FillStyle::Solid ? QBrush(state_.fillColor) : QBrush(Qt::NoBrush);
}

void Surface::Circle(float x, float y, float radius) {
  painter_.setRenderHint(QPainter::Antialiasing, state_.drawStyle == DrawStyle::Solid);
  painter_.setPen(Pen(state_.foreColor));
  painter_.setBrush(Brush());
  const double r = radius / kTwipsPerPixel;
  painter_.drawEllipse(ToPixels(x, y), r, r);
}

void Surface::Line(float x1, float y1, float x2, float y2, const QColor& color) {
  // Horizontal and vertical lines stay crisp; slanted phasors are smoothed.
  painter_.setRenderHint(QPainter::Antialiasing, x1 != x2 && y1 != y2);
  QPen pen = Pen(color);
  pen.setCapStyle(Qt::RoundCap);
  painter_.setPen(pen);
  painter_.drawLine(ToPixels(x1, y1), ToPixels(x2, y2));
}

void Surface::Box(float x1, float y1, float x2, float y2, const QColor& color) {
  painter_.setRenderHint(QPainter::Antialiasing, false);
  const QRectF rect = QRectF(ToPixels(x1, y1), ToPixels(x2, y2)).normalized();
  if (state_.fillStyle == FillStyle::Solid) {
    painter_.fillRect(rect, state_.fillColor);
  }
  painter_.setPen(Pen(color));
  painter_.setBrush(Qt::NoBrush);
  painter_.drawRect(rect);
}

void Surface::Erase(float x1, float y1, float x2, float y2) {
  painter_.fillRect(QRectF(ToPixels(x1, y1), ToPixels(x2, y2)).normalized(), state_.backColor);
}

}  // namespace dipview::window

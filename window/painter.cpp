#include "window/painter.h"

#include <cmath>

#include <QFontMetricsF>

#include "window/widgets.h"

namespace dipview::window {

namespace {

using design::kTwipsPerPixel;

QPointF ToPixels(float x, float y) {
  return {x / kTwipsPerPixel, y / kTwipsPerPixel};
}

QPen Pen(const design::DrawOp& op) {
  QPen pen(ToQColor(op.colour));
  pen.setWidthF(op.penWidth);
  pen.setCosmetic(false);
  pen.setStyle(op.penStyle == design::DrawStyle::Dot ? Qt::DotLine : Qt::SolidLine);
  pen.setCapStyle(op.kind == design::Primitive::Line ? Qt::RoundCap : Qt::FlatCap);
  pen.setJoinStyle(Qt::MiterJoin);
  return pen;
}

QRectF Rect(const design::DrawOp& op) {
  return QRectF(ToPixels(op.x1, op.y1), ToPixels(op.x2, op.y2)).normalized();
}

QFont LabelFont(const design::TextItem& item, double zoom) {
  return DesignFont(static_cast<int>(std::lround(item.size / kTwipsPerPixel)), item.bold, zoom);
}

}  // namespace

QRectF LabelBox(const design::TextItem& item, double zoom) {
  const QFontMetricsF metrics(LabelFont(item, zoom));
  const QString text = QString::fromStdString(item.text);
  const double width = metrics.horizontalAdvance(text);
  double left = item.x * zoom / kTwipsPerPixel;
  if (item.align == design::TextAlign::Centre) {
    left -= width / 2;
  } else if (item.align == design::TextAlign::Right) {
    left -= width;
  }
  const double baseline = item.baseline * zoom / kTwipsPerPixel;
  return {left, baseline - metrics.ascent(), width, metrics.ascent() + metrics.descent()};
}

void PaintLabels(QPainter& painter, std::span<const design::TextItem> labels, double zoom) {
  painter.save();
  painter.setRenderHint(QPainter::TextAntialiasing, true);
  for (const design::TextItem& item : labels) {
    painter.setFont(LabelFont(item, zoom));
    painter.setPen(ToQColor(item.colour));
    const QRectF box = LabelBox(item, zoom);
    painter.drawText(QPointF(box.left(), item.baseline * zoom / kTwipsPerPixel),
                     QString::fromStdString(item.text));
  }
  painter.restore();
}

QRect ToPixelRect(const design::TwipsRect& r, double zoom) {
  auto px = [zoom](float twips) {
    return static_cast<int>(std::lround(twips * zoom / kTwipsPerPixel));
  };
  return {px(r.left), px(r.top), px(r.width), px(r.height)};
}

void PaintDrawing(QPainter& painter, std::span<const design::DrawOp> drawing) {
  using design::Primitive;
  for (const design::DrawOp& op : drawing) {
    painter.setRenderHint(QPainter::Antialiasing, op.smooth);
    switch (op.kind) {
      case Primitive::Fill:
        painter.fillRect(Rect(op), ToQColor(op.colour));
        break;
      case Primitive::Box: {
        const QRectF rect = Rect(op);
        if (op.fill) {
          painter.fillRect(rect, ToQColor(*op.fill));
        }
        painter.setPen(Pen(op));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect);
        break;
      }
      case Primitive::Line:
        painter.setPen(Pen(op));
        painter.drawLine(ToPixels(op.x1, op.y1), ToPixels(op.x2, op.y2));
        break;
      case Primitive::Disc:
      case Primitive::DottedRing: {
        painter.setPen(Pen(op));
        painter.setBrush(op.fill ? QBrush(ToQColor(*op.fill)) : QBrush(Qt::NoBrush));
        const double r = op.radius / kTwipsPerPixel;
        painter.drawEllipse(ToPixels(op.x1, op.y1), r, r);
        break;
      }
    }
  }
}

}  // namespace dipview::window

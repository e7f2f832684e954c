#include "plot/chart.h"

#include <cmath>

#include <QBuffer>
#include <QFont>
#include <QFontMetricsF>
#include <QPolygonF>
#include <QSvgGenerator>

namespace dipview::plot {

namespace {

QColor ToColor(design::Rgb c) {
  return {c.r, c.g, c.b};
}

QPointF ToPoint(design::ChartPoint p) {
  return {p.x, p.y};
}

QPen PenOf(const design::ChartOp& op) {
  QPen pen(ToColor(op.colour), op.width, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin);
  switch (op.dash) {
    case design::LineDash::Solid:
      break;
    case design::LineDash::Dashed:
      pen.setDashPattern({3.0, 2.0});
      break;
    case design::LineDash::Dotted:
      pen.setDashPattern({1.0, 3.0});
      break;
  }
  return pen;
}

QFont FontOf(const design::ChartOp& op) {
  QFont font(QString::fromUtf8(design::kFontFamily.data(),
                               static_cast<qsizetype>(design::kFontFamily.size())));
  font.setPixelSize(static_cast<int>(std::lround(op.fontPixels)));
  font.setBold(op.bold);
  return font;
}

void PaintMarker(QPainter& p, const design::ChartOp& op) {
  p.setPen(QPen(ToColor(op.colour), op.width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
  p.setBrush(op.fill ? QBrush(ToColor(*op.fill)) : QBrush(Qt::NoBrush));
  const QPointF c = ToPoint(op.points[0]);
  const double h = op.size / 2;
  switch (op.marker) {
    case design::MarkerShape::Square:
      p.drawRect(QRectF(c.x() - h, c.y() - h, 2 * h, 2 * h));
      break;
    case design::MarkerShape::Circle:
      p.drawEllipse(c, h, h);
      break;
    case design::MarkerShape::Triangle:
      p.drawPolygon(
          QPolygonF({QPointF(c.x(), c.y() - 1.15 * h), QPointF(c.x() + h, c.y() + 0.85 * h),
                     QPointF(c.x() - h, c.y() + 0.85 * h)}));
      break;
    case design::MarkerShape::Diamond:
      p.drawPolygon(QPolygonF({QPointF(c.x(), c.y() - 1.2 * h), QPointF(c.x() + 1.2 * h, c.y()),
                               QPointF(c.x(), c.y() + 1.2 * h), QPointF(c.x() - 1.2 * h, c.y())}));
      break;
  }
}

// Text is laid out at 96 dpi whatever the device: the fonts are sized in pixels.
double TextWidth(const QFont& font, const QString& text) {
  return QFontMetricsF(font).horizontalAdvance(text) + 4;
}

double Left(const design::ChartOp& op, double width) {
  return op.anchor == design::TextAnchor::Left     ? 0.0
         : op.anchor == design::TextAnchor::Centre ? -width / 2
                                                   : -width;
}

void PaintText(QPainter& p, const design::ChartOp& op) {
  const QFont font = FontOf(op);
  p.setFont(font);
  p.setPen(ToColor(op.colour));
  const QString text = QString::fromStdString(op.text);
  const double width = TextWidth(font, text);
  const double height = op.fontPixels * 2;
  const double left = Left(op, width);
  const Qt::Alignment align =
      Qt::AlignVCenter | (op.anchor == design::TextAnchor::Left     ? Qt::AlignLeft
                          : op.anchor == design::TextAnchor::Centre ? Qt::AlignHCenter
                                                                    : Qt::AlignRight);
  p.save();
  p.translate(ToPoint(op.points[0]));
  if (op.vertical) {
    p.rotate(-90);
  }
  // The box is as wide as the text, so nothing is ever cut.
  p.drawText(QRectF(left, -height / 2, width, height), align, text);
  p.restore();
}

}  // namespace

QRectF ChartTextBox(const design::ChartOp& op) {
  const QFont font = FontOf(op);
  const QFontMetricsF metrics(font);
  const double width = TextWidth(font, QString::fromStdString(op.text));
  const double height = metrics.ascent() + metrics.descent();
  const QRectF box(Left(op, width), -height / 2, width, height);
  const QPointF at = ToPoint(op.points[0]);
  if (op.vertical) {
    return {at.x() + box.top(), at.y() - box.right(), box.height(), box.width()};
  }
  return box.translated(at);
}

void PaintChart(QPainter& p, std::span<const design::ChartOp> chart) {
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  for (const design::ChartOp& op : chart) {
    switch (op.kind) {
      case design::ChartPrimitive::Polyline: {
        QPolygonF line;
        line.reserve(static_cast<qsizetype>(op.points.size()));
        for (const design::ChartPoint& point : op.points) {
          line << ToPoint(point);
        }
        p.setPen(PenOf(op));
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(line);
        break;
      }
      case design::ChartPrimitive::Rect:
        p.setPen(QPen(ToColor(op.colour), op.width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        p.setBrush(op.fill ? QBrush(ToColor(*op.fill)) : QBrush(Qt::NoBrush));
        p.drawRect(QRectF(ToPoint(op.points[0]), ToPoint(op.points[1])));
        break;
      case design::ChartPrimitive::Text:
        PaintText(p, op);
        break;
      case design::ChartPrimitive::Marker:
        PaintMarker(p, op);
        break;
    }
  }
}

QImage RenderTimeChart(const design::ChartList& chart) {
  QImage image(design::kTimeViewWidth, design::kTimeViewHeight, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  PaintChart(painter, chart);
  painter.end();
  return image;
}

QByteArray EncodeTimeChart(const design::ChartList& chart, output::PlotFormat format,
                           const QString& description) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  // Into memory nothing can fail but the allocation, which throws.
  if (format == output::PlotFormat::Png) {
    RenderTimeChart(chart).save(&buffer, "PNG");
    return bytes;
  }
  QSvgGenerator svg;
  svg.setOutputDevice(&buffer);
  svg.setSize(QSize(design::kTimeViewWidth, design::kTimeViewHeight));
  svg.setViewBox(QRectF(0, 0, design::kTimeViewWidth, design::kTimeViewHeight));
  svg.setResolution(96);
  svg.setTitle(QStringLiteral("The sag in time"));
  svg.setDescription(description);
  QPainter painter(&svg);
  PaintChart(painter, chart);
  painter.end();
  return bytes;
}

}  // namespace dipview::plot

#include "plot/plot.h"

#include <algorithm>
#include <cmath>

#include <QBuffer>
#include <QFontMetricsF>
#include <QPolygonF>
#include <QStringList>
#include <QSvgGenerator>

#include "design/axis.h"
#include "design/constants.h"

namespace dipview::plot {

namespace {

// The top band holds the caption and the legend, and grows by the lines of a
// caption that needs more than two; each panel takes a quarter of the width
// below it, with room for its title, tick labels and axis names.
constexpr double kTopBand = 44.0;
constexpr double kCaptionLeft = 16.0;
// The legend takes the right of the band; the caption gives way to it.
constexpr double kCaptionWidth = kPlotWidth * 0.62;
constexpr double kCaptionFontSize = 15.0;
constexpr double kPanelLeft = 70.0;
constexpr double kPanelRight = 18.0;
constexpr double kPanelTop = 32.0;
constexpr double kPanelBottom = 58.0;

// The window's phase colours.
QColor PhaseColor(int phase) {
  const design::Rgb c = design::kPhaseColours[static_cast<std::size_t>(phase)];
  return QColor(c.r, c.g, c.b);
}
// Phases often lie on top of each other (B and C at Substation HV in a single
// phase fault). A is drawn first and widest, so it shows as a border around
// the others, and C dashed, so that B shows through its gaps.
constexpr double kPhaseWidths[3] = {5.0, 3.0, 3.0};

QPen PhasePen(int phase) {
  QPen pen(PhaseColor(phase), kPhaseWidths[phase], Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin);
  if (phase == 2) {
    pen.setDashPattern({3.0, 2.0});
  }
  return pen;
}
// B and C carry markers too, B filled squares and C open triangles, so that
// the phases tell apart in greyscale as well: A widest, B solid, C dashed.
// B's markers start at the first point and C's half a spacing later, so both
// show where the two lines lie on top of each other.
constexpr double kMarkerSpacing = 48.0;  // pixels along x between a phase's markers
constexpr double kMarkerHalf = 4.5;      // half a marker's width, pixels

void DrawMarker(QPainter& p, int phase, QPointF at) {
  if (phase == 0) {
    return;
  }
  p.save();
  p.setPen(QPen(PhaseColor(phase), 1.5, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
  const double h = kMarkerHalf;
  if (phase == 1) {
    p.setBrush(PhaseColor(phase));
    p.drawRect(QRectF(at.x() - h, at.y() - h, 2 * h, 2 * h));
  } else {
    p.setBrush(Qt::white);
    p.drawPolygon(
        QPolygonF({QPointF(at.x(), at.y() - 1.3 * h), QPointF(at.x() + 1.2 * h, at.y() + 0.9 * h),
                   QPointF(at.x() - 1.2 * h, at.y() + 0.9 * h)}));
  }
  p.restore();
}

// Markers on the points of `line` about every kMarkerSpacing pixels of
// travel along x, whatever the order of the points.
void DrawMarkers(QPainter& p, int phase, const QPolygonF& line) {
  double travelled = 0.0;
  double next = phase == 1 ? 0.0 : kMarkerSpacing / 2;
  for (qsizetype i = 0; i < line.size(); ++i) {
    if (i > 0) {
      travelled += std::abs(line[i].x() - line[i - 1].x());
    }
    if (travelled >= next) {
      DrawMarker(p, phase, line[i]);
      next = travelled + kMarkerSpacing;
    }
  }
}

const QColor kGuideColor(0x50, 0x50, 0x50);
const QColor kGridColor(0xe4, 0xe4, 0xe4);
const QColor kFrameColor(0x70, 0x70, 0x70);

QFont PlotFont(double pixelSize, bool bold = false) {
  // The window's own font.
  QFont font(QString::fromUtf8(design::kFontFamily.data(),
                               static_cast<qsizetype>(design::kFontFamily.size())));
  font.setPixelSize(static_cast<int>(pixelSize));
  font.setBold(bold);
  return font;
}

QString TickText(double value) {
  // Ten digits hide the binary error of k * step; no tick is written as "-0".
  return QString::number(value + 0.0, 'g', 10);
}

// A sweep of many more points than the panel has pixel columns draws the same
// as the first, lowest, highest and last point of each half-pixel column, in
// their order; this keeps a long sweep quick to draw and its SVG small.
QPolygonF Thinned(const QPolygonF& line) {
  QPolygonF out;
  qsizetype i = 0;
  while (i < line.size()) {
    const double column = std::floor(line[i].x() * 2.0);
    qsizetype end = i;
    qsizetype low = i;
    qsizetype high = i;
    for (; end < line.size() && std::floor(line[end].x() * 2.0) == column; ++end) {
      low = line[end].y() < line[low].y() ? end : low;
      high = line[end].y() > line[high].y() ? end : high;
    }
    qsizetype kept[4] = {i, std::min(low, high), std::max(low, high), end - 1};
    for (int k = 0; k < 4; ++k) {
      if (k == 0 || kept[k] != kept[k - 1]) {
        out << line[kept[k]];
      }
    }
    i = end;
  }
  return out;
}

// The caption's lines, each at most kCaptionWidth wide: broken after a
// semicolon where it can be, otherwise between words; a word wider than a
// line stands alone on its line.
QStringList CaptionLines(const output::SweepPlot& plot) {
  const QFontMetricsF metrics(PlotFont(kCaptionFontSize));
  QStringList lines;
  QString line;
  // Puts `piece` on the line when it fits there; says whether it did.
  const auto join = [&](const QString& piece) {
    const QString joined = line.isEmpty() ? piece : line + QLatin1Char(' ') + piece;
    if (metrics.horizontalAdvance(joined) > kCaptionWidth) {
      return false;
    }
    line = joined;
    return true;
  };
  const QStringList parts = QString::fromStdString(plot.caption).split(QStringLiteral("; "));
  for (qsizetype i = 0; i < parts.size(); ++i) {
    const QString part = parts[i] + (i + 1 < parts.size() ? QStringLiteral(";") : QString());
    if (join(part)) {
      continue;
    }
    if (!line.isEmpty()) {
      lines << line;
      line.clear();
    }
    for (const QString& word : part.split(QLatin1Char(' '))) {
      if (!join(word)) {
        if (!line.isEmpty()) {
          lines << line;
        }
        line = word;
      }
    }
  }
  if (!line.isEmpty()) {
    lines << line;
  }
  return lines;
}

// The height of the top band: the caption's lines with a margin, at least
// kTopBand.
double TopBand(const QStringList& caption) {
  const QFontMetricsF metrics(PlotFont(kCaptionFontSize));
  return std::max(kTopBand, static_cast<double>(caption.size()) * metrics.lineSpacing() + 8.0);
}

void DrawLegend(QPainter& p, double right, double y) {
  const QFont font = PlotFont(15);
  const QFontMetricsF metrics(font, p.device());
  p.setFont(font);
  struct Item {
    QString text;
    QPen pen;
  };
  QPen guide(kGuideColor, 1.5, Qt::DashLine);
  const Item items[4] = {{QStringLiteral("Phase A"), PhasePen(0)},
                         {QStringLiteral("Phase B"), PhasePen(1)},
                         {QStringLiteral("Phase C"), PhasePen(2)},
                         {QStringLiteral("0.9 and 0.5 pu"), guide}};
  constexpr double kSample = 32.0;
  constexpr double kGap = 8.0;
  constexpr double kSpacing = 26.0;
  double width = 0.0;
  for (const Item& item : items) {
    width += kSample + kGap + metrics.horizontalAdvance(item.text) + kSpacing;
  }
  double x = right - width + kSpacing;
  for (const Item& item : items) {
    p.setPen(item.pen);
    p.drawLine(QPointF(x, y), QPointF(x + kSample, y));
    const int phase = static_cast<int>(&item - items);
    if (phase < 3) {
      DrawMarker(p, phase, QPointF(x + kSample / 2, y));
    }
    x += kSample + kGap;
    p.setPen(Qt::black);
    const double textWidth = metrics.horizontalAdvance(item.text);
    p.drawText(QRectF(x, y - 12, textWidth + 4, 24), Qt::AlignLeft | Qt::AlignVCenter, item.text);
    x += textWidth + kSpacing;
  }
}

void DrawPanel(QPainter& p, const PlotFrame& frame, int panel, const output::SweepPlot& plot) {
  const QRectF area = frame.areas[panel];
  const QFont tickFont = PlotFont(13);
  const QFontMetricsF tickMetrics(tickFont, p.device());

  // Grid and tick labels.
  p.setFont(tickFont);
  const double yStep = frame.yMax <= 1.6 ? 0.1 : 0.2;
  for (int k = 0; k * yStep <= frame.yMax + 1e-9; ++k) {
    const double y = frame.Map(panel, frame.xMin, k * yStep).y();
    p.setPen(QPen(kGridColor, 1.0));
    p.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
    p.setPen(Qt::black);
    p.drawText(QRectF(area.left() - 46, y - 10, 40, 20), Qt::AlignRight | Qt::AlignVCenter,
               TickText(k * yStep));
  }
  const double xStep = design::TickStep(frame.xMax - frame.xMin, 5);
  for (double k = std::ceil(frame.xMin / xStep - 1e-9); k * xStep <= frame.xMax + 1e-9 * xStep;
       ++k) {
    const double x = frame.Map(panel, k * xStep, 0).x();
    p.setPen(QPen(kGridColor, 1.0));
    p.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
    p.setPen(Qt::black);
    p.drawLine(QPointF(x, area.bottom()), QPointF(x, area.bottom() + 5));
    p.drawText(QRectF(x - 40, area.bottom() + 6, 80, 18), Qt::AlignHCenter | Qt::AlignTop,
               TickText(k * xStep));
  }

  // Guides, then the phases, inside the area only.
  p.save();
  p.setClipRect(area);
  p.setPen(QPen(kGuideColor, 1.5, Qt::DashLine));
  for (double level : kGuideLevels) {
    const double y = frame.Map(panel, frame.xMin, level).y();
    p.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
  }
  for (int phase = 0; phase < 3; ++phase) {
    const std::vector<double>& values = plot.magnitudes[panel][phase];
    QPolygonF line;
    line.reserve(static_cast<qsizetype>(values.size()));
    for (std::size_t i = 0; i < values.size() && i < plot.x.size(); ++i) {
      line << frame.Map(panel, plot.x[i], values[i]);
    }
    p.setPen(PhasePen(phase));
    const QPolygonF thinned = Thinned(line);
    if (thinned.size() == 1) {
      p.setBrush(PhaseColor(phase));
      p.drawEllipse(thinned[0], 3.0, 3.0);
      p.setBrush(Qt::NoBrush);
    } else {
      p.drawPolyline(thinned);
    }
  }
  // Over all the lines, so that no line hides another's markers.
  for (int phase = 1; phase < 3; ++phase) {
    const std::vector<double>& values = plot.magnitudes[panel][phase];
    QPolygonF line;
    for (std::size_t i = 0; i < values.size() && i < plot.x.size(); ++i) {
      line << frame.Map(panel, plot.x[i], values[i]);
    }
    DrawMarkers(p, phase, line);
  }
  p.restore();

  p.setPen(QPen(kFrameColor, 1.0));
  p.drawRect(area);

  p.setPen(Qt::black);
  p.setFont(PlotFont(16, true));
  p.drawText(QRectF(area.left(), area.top() - kPanelTop, area.width(), kPanelTop - 6),
             Qt::AlignHCenter | Qt::AlignBottom, QString::fromUtf8(design::kBusNames[panel]));
  p.setFont(PlotFont(14));
  p.drawText(QRectF(area.left() - 30, area.bottom() + 26, area.width() + 60, 22),
             Qt::AlignHCenter | Qt::AlignTop, QString::fromStdString(plot.xLabel));
  p.save();
  p.translate(area.left() - 52, area.center().y());
  p.rotate(-90);
  p.drawText(QRectF(-area.height() / 2, -20, area.height(), 20), Qt::AlignHCenter | Qt::AlignBottom,
             QStringLiteral("Voltage (pu)"));
  p.restore();
}

}  // namespace

QPointF PlotFrame::Map(int panel, double x, double y) const {
  const QRectF& area = areas[panel];
  return {area.left() + (x - xMin) / (xMax - xMin) * area.width(),
          area.bottom() - y / yMax * area.height()};
}

PlotFrame FrameOf(const output::SweepPlot& plot) {
  PlotFrame frame;
  const double panelWidth = kPlotWidth / 4.0;
  const double band = TopBand(CaptionLines(plot));
  for (int panel = 0; panel < 4; ++panel) {
    frame.areas[panel] = QRectF(panel * panelWidth + kPanelLeft, band + kPanelTop,
                                panelWidth - kPanelLeft - kPanelRight,
                                kPlotHeight - band - kPanelTop - kPanelBottom);
  }
  if (!plot.x.empty()) {
    const auto [low, high] = std::minmax_element(plot.x.begin(), plot.x.end());
    frame.xMin = *low;
    frame.xMax = *high;
  }
  if (!(frame.xMax > frame.xMin)) {
    frame.xMin -= 1.0;
    frame.xMax += 1.0;
  }
  double largest = 0.0;
  for (const auto& bus : plot.magnitudes) {
    for (const auto& phase : bus) {
      for (double value : phase) {
        if (std::isfinite(value)) {
          largest = std::max(largest, value);
        }
      }
    }
  }
  // Up to the next 0.2 above the largest value, allowing for its rounding.
  frame.yMax = std::max(1.2, std::ceil(largest / 0.2 - 1e-9) * 0.2);
  return frame;
}

void DrawPlot(QPainter& p, const output::SweepPlot& plot) {
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  p.fillRect(QRectF(0, 0, kPlotWidth, kPlotHeight), Qt::white);

  const QFont captionFont = PlotFont(kCaptionFontSize);
  p.setFont(captionFont);
  p.setPen(Qt::black);
  const QStringList caption = CaptionLines(plot);
  const double spacing = QFontMetricsF(captionFont).lineSpacing();
  double y = (TopBand(caption) - static_cast<double>(caption.size()) * spacing) / 2;
  for (const QString& line : caption) {
    // As wide as the plot, so that no line is ever cut, even one word wider
    // than the caption's room.
    p.drawText(QRectF(kCaptionLeft, y, kPlotWidth - kCaptionLeft, spacing),
               Qt::AlignLeft | Qt::AlignVCenter, line);
    y += spacing;
  }
  DrawLegend(p, kPlotWidth - 16, kTopBand / 2);

  const PlotFrame frame = FrameOf(plot);
  for (int panel = 0; panel < 4; ++panel) {
    DrawPanel(p, frame, panel, plot);
  }
}

QImage RenderPlot(const output::SweepPlot& plot) {
  QImage image(kPlotWidth, kPlotHeight, QImage::Format_RGB32);
  QPainter painter(&image);
  DrawPlot(painter, plot);
  painter.end();
  return image;
}

QByteArray EncodePlot(const output::SweepPlot& plot, output::PlotFormat format) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  // Into memory nothing can fail but the allocation, which throws.
  if (format == output::PlotFormat::Png) {
    RenderPlot(plot).save(&buffer, "PNG");
    return bytes;
  }
  QSvgGenerator svg;
  svg.setOutputDevice(&buffer);
  svg.setSize(QSize(kPlotWidth, kPlotHeight));
  svg.setViewBox(QRectF(0, 0, kPlotWidth, kPlotHeight));
  svg.setResolution(96);
  svg.setTitle(QStringLiteral("Phase voltages against ") + QString::fromStdString(plot.xLabel));
  svg.setDescription(QString::fromStdString(plot.caption));
  QPainter painter(&svg);
  DrawPlot(painter, plot);
  painter.end();
  return bytes;
}

}  // namespace dipview::plot

#include "plot/plot.h"

#include <gtest/gtest.h>
#include <QSvgRenderer>
#include <QXmlStreamReader>

namespace dipview::plot {
namespace {

// Each panel has its own level of phase A, so that a panel drawn in another's
// place shows.
double LevelA(int panel) {
  return 0.1 + 0.05 * panel;
}
constexpr double kLevelB = 0.35;
constexpr double kLevelC = 0.7;

output::SweepPlot FlatPlot() {
  output::SweepPlot plot;
  plot.xLabel = "Proximity (%)";
  plot.x = {100, 0, 50};  // any order: the x axis spans the values
  for (int panel = 0; panel < 4; ++panel) {
    plot.magnitudes[panel] = {std::vector<double>(3, LevelA(panel)),
                              std::vector<double>(3, kLevelB), std::vector<double>(3, kLevelC)};
  }
  return plot;
}

bool Near(QRgb pixel, QColor want) {
  return std::abs(qRed(pixel) - want.red()) <= 40 && std::abs(qGreen(pixel) - want.green()) <= 40 &&
         std::abs(qBlue(pixel) - want.blue()) <= 40;
}

// Probes an image of FlatPlot: the phases in their colours at their levels in
// each panel, and the guides dashed.
void ExpectFlatPlot(const QImage& image) {
  ASSERT_EQ(image.size(), QSize(kPlotWidth, kPlotHeight));
  const PlotFrame frame = FrameOf(FlatPlot());
  const auto at = [&](int panel, double x, double y) {
    return image.pixel(frame.Map(panel, x, y).toPoint());
  };
  for (int panel = 0; panel < 4; ++panel) {
    SCOPED_TRACE("panel " + std::to_string(panel));
    EXPECT_TRUE(Near(at(panel, 50, LevelA(panel)), Qt::black));
    EXPECT_TRUE(Near(at(panel, 50, LevelA((panel + 1) % 4)), Qt::white));
    EXPECT_TRUE(Near(at(panel, 50, kLevelB), QColor(255, 0, 0)));
    // Markers on the point at 50, for greyscale: B's filled square reaches
    // 4 pixels above its line; C's open triangle is white inside, over the
    // dashes, and has its base 4 pixels below.
    const QPoint b = frame.Map(panel, 50, kLevelB).toPoint();
    EXPECT_TRUE(Near(image.pixel(b.x() + 3, b.y() - 3), QColor(255, 0, 0)));
    const QPoint c = frame.Map(panel, 50, kLevelC).toPoint();
    EXPECT_TRUE(Near(image.pixel(c.x(), c.y()), Qt::white));
    EXPECT_TRUE(Near(image.pixel(c.x(), c.y() + 3), QColor(0, 0, 255)) ||
                Near(image.pixel(c.x(), c.y() + 4), QColor(0, 0, 255)));
    // Along a dashed line: some pixels in its colour, some not.
    for (const auto& [level, color] : {std::pair<double, QColor>{kLevelC, QColor(0, 0, 255)},
                                       {kGuideLevels[0], QColor(0x50, 0x50, 0x50)},
                                       {kGuideLevels[1], QColor(0x50, 0x50, 0x50)}}) {
      int on = 0;
      for (double x = 30; x < 50; x += 0.25) {
        // The guides' antialiased edges may fall on the rows either side.
        on += Near(at(panel, x, level), color) || Near(at(panel, x, level + 0.002), color) ||
              Near(at(panel, x, level - 0.002), color);
      }
      EXPECT_GT(on, 4) << level;
      EXPECT_LT(on, 76) << level;
    }
  }
}

TEST(PlotTest, PhasesAndGuidesWhereTheAxesSayTheyAre) {
  output::SweepPlot plot = FlatPlot();
  ExpectFlatPlot(RenderPlot(plot));
  const PlotFrame frame = FrameOf(plot);
  EXPECT_EQ(frame.xMin, 0.0);
  EXPECT_EQ(frame.xMax, 100.0);
  EXPECT_DOUBLE_EQ(frame.yMax, 1.2);
  for (int panel = 1; panel < 4; ++panel) {
    EXPECT_GT(frame.areas[panel].left(), frame.areas[panel - 1].right());
  }
  EXPECT_LT(frame.Map(0, 0, 1.0).y(), frame.Map(0, 0, 0.5).y());
  // A swell raises the axis to the next 0.2.
  plot.magnitudes[3][1][2] = 1.201;
  EXPECT_DOUBLE_EQ(FrameOf(plot).yMax, 1.4);
}

TEST(PlotTest, SvgIsWellFormedAndShowsTheSameData) {
  const QByteArray bytes = EncodePlot(FlatPlot(), output::PlotFormat::Svg);
  QXmlStreamReader xml(bytes);
  ASSERT_TRUE(xml.readNextStartElement());
  EXPECT_EQ(xml.name(), QStringLiteral("svg"));
  while (!xml.atEnd()) {
    xml.readNext();
  }
  EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();

  QSvgRenderer svg(bytes);
  ASSERT_TRUE(svg.isValid());
  EXPECT_EQ(svg.viewBoxF(), QRectF(0, 0, kPlotWidth, kPlotHeight));
  QImage image(kPlotWidth, kPlotHeight, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  svg.render(&painter);
  painter.end();
  ExpectFlatPlot(image);
}

TEST(PlotTest, ALongCaptionIsWrappedNeverCut) {
  output::SweepPlot plot = FlatPlot();
  plot.caption =
      "Two-Phase-to-Ground (Phases C and A) fault; Z12 angle 78.123456789012\u00b0, Z0 angle "
      "12.345678901234\u00b0, ZF angle 45.567890123456\u00b0, ZF/Z12 1.234567890123, proximity "
      "37; transformers HV-MV DD, MV-C1 YY, C1-C2 DY";
  QXmlStreamReader xml(EncodePlot(plot, output::PlotFormat::Svg));
  QStringList texts;
  QList<double> baselines;
  while (!xml.atEnd()) {
    if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QStringLiteral("text")) {
      baselines << xml.attributes().value(QStringLiteral("y")).toDouble();
      texts << xml.readElementText();
    }
  }
  // The caption comes first, a text for each line, and all of it.
  const QString caption = QString::fromStdString(plot.caption);
  QString joined;
  qsizetype lines = 0;
  while (joined.size() < caption.size() && lines < texts.size()) {
    joined += (lines > 0 ? QStringLiteral(" ") : QString()) + texts[lines];
    ++lines;
  }
  EXPECT_EQ(joined.toStdString(), plot.caption);
  EXPECT_EQ(lines, 3);
  // Every line above the panels' titles, a title's height clear of them.
  const qsizetype title = texts.indexOf(QStringLiteral("Substation HV"));
  ASSERT_GE(title, lines);
  for (qsizetype i = 0; i < lines; ++i) {
    EXPECT_LT(baselines[i], baselines[title] - 16) << i;
  }
}

TEST(PlotTest, PngIsTheRenderedImage) {
  QImage image;
  ASSERT_TRUE(image.loadFromData(EncodePlot(FlatPlot(), output::PlotFormat::Png), "PNG"));
  ExpectFlatPlot(image.convertToFormat(QImage::Format_RGB32));
}

}  // namespace
}  // namespace dipview::plot

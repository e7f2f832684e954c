#include "plot/plot.h"

#include <unistd.h>

#include <gtest/gtest.h>
#include <QFile>
#include <QSvgRenderer>
#include <QXmlStreamReader>

namespace dipview::plot {
namespace {

// Each panel has its own levels, so that a panel drawn in another's place shows.
double LevelA(int panel) {
  return 0.1 + 0.05 * panel;
}
constexpr double kLevelB = 0.35;
constexpr double kLevelC = 0.7;

calc::SweepPlot FlatPlot() {
  calc::SweepPlot plot;
  plot.xLabel = "Proximity (%)";
  plot.caption = "test";
  plot.x = {100, 0, 50};  // any order: the x axis spans the values
  for (int panel = 0; panel < 4; ++panel) {
    plot.magnitudes[panel][0].assign(3, LevelA(panel));
    plot.magnitudes[panel][1].assign(3, kLevelB);
    plot.magnitudes[panel][2].assign(3, kLevelC);
  }
  return plot;
}

bool Near(QRgb pixel, QColor want, int tolerance = 40) {
  const QColor got(pixel);
  return std::abs(got.red() - want.red()) <= tolerance &&
         std::abs(got.green() - want.green()) <= tolerance &&
         std::abs(got.blue() - want.blue()) <= tolerance;
}

// Counts the pixels near `color` in the row through `at`, `reach` pixels either side.
int CountInRow(const QImage& image, QPointF at, int reach, QColor color) {
  int count = 0;
  const QPoint p = at.toPoint();
  for (int x = p.x() - reach; x <= p.x() + reach; ++x) {
    count += Near(image.pixel(x, p.y()), color) ? 1 : 0;
  }
  return count;
}

// Probes an image of FlatPlot: phases in their colours at their levels in each
// panel, and the dashed guides.
void ExpectFlatPlot(const QImage& image) {
  ASSERT_EQ(image.size(), QSize(kPlotWidth, kPlotHeight));
  const PlotFrame frame = FrameOf(FlatPlot());
  for (int panel = 0; panel < 4; ++panel) {
    SCOPED_TRACE("panel " + std::to_string(panel));
    const QPointF a = frame.Map(panel, 50, LevelA(panel));
    EXPECT_TRUE(Near(image.pixel(a.toPoint()), Qt::black));
    const QPointF other = frame.Map(panel, 50, LevelA((panel + 1) % 4));
    EXPECT_TRUE(Near(image.pixel(other.toPoint()), Qt::white));
    EXPECT_TRUE(Near(image.pixel(frame.Map(panel, 50, kLevelB).toPoint()), QColor(255, 0, 0)));
    // Dashed: blue along the level, and white between the dashes.
    const QPointF c = frame.Map(panel, 50, kLevelC);
    EXPECT_GT(CountInRow(image, c, 10, QColor(0, 0, 255)), 4);
    EXPECT_GT(CountInRow(image, c, 10, Qt::white), 0);
    for (double level : kGuideLevels) {
      // Gray dashes, whose antialiased edges fall on the rows either side.
      const QPoint guide = frame.Map(panel, 30, level).toPoint();
      int dark = 0;
      int light = 0;
      for (int x = guide.x() - 20; x <= guide.x() + 20; ++x) {
        int darkest = 255;
        for (int y = guide.y() - 1; y <= guide.y() + 1; ++y) {
          const QRgb pixel = image.pixel(x, y);
          EXPECT_TRUE(qRed(pixel) == qGreen(pixel) && qGreen(pixel) == qBlue(pixel));
          darkest = std::min(darkest, qGray(pixel));
        }
        dark += darkest < 0xa0 ? 1 : 0;
        light += darkest > 0xd0 ? 1 : 0;  // white, or the grid line below
      }
      EXPECT_GT(dark, 10) << level;
      EXPECT_GT(light, 3) << level;
    }
  }
}

TEST(PlotTest, PhasesAndGuidesWhereTheAxesSayTheyAre) {
  ExpectFlatPlot(RenderPlot(FlatPlot()));
}

TEST(PlotTest, FrameSpansTheValues) {
  calc::SweepPlot plot = FlatPlot();
  PlotFrame frame = FrameOf(plot);
  EXPECT_EQ(frame.xMin, 0.0);
  EXPECT_EQ(frame.xMax, 100.0);
  EXPECT_DOUBLE_EQ(frame.yMax, 1.2);
  // Bus order left to right, the y axis upwards.
  for (int panel = 1; panel < 4; ++panel) {
    EXPECT_GT(frame.areas[panel].left(), frame.areas[panel - 1].right());
  }
  EXPECT_LT(frame.Map(0, 0, 1.0).y(), frame.Map(0, 0, 0.5).y());
  plot.magnitudes[3][1][2] = 1.201;
  EXPECT_DOUBLE_EQ(FrameOf(plot).yMax, 1.4);
  plot.x = {45};
  frame = FrameOf(plot);
  EXPECT_EQ(frame.xMin, 44.0);
  EXPECT_EQ(frame.xMax, 46.0);
}

class PlotFileTest : public testing::Test {
 protected:
  std::string Path(const std::string& name) const {
    return testing::TempDir() + "dipview_plot_" + std::to_string(::getpid()) + "_" + name;
  }
};

TEST_F(PlotFileTest, SvgIsWellFormedAndShowsTheSameData) {
  const std::string path = Path("flat.svg");
  std::string error;
  ASSERT_TRUE(WritePlotFile(FlatPlot(), path, calc::PlotFormat::Svg, error)) << error;
  QFile file(QString::fromStdString(path));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  QXmlStreamReader xml(&file);
  ASSERT_TRUE(xml.readNextStartElement());
  EXPECT_EQ(xml.name(), QStringLiteral("svg"));
  while (!xml.atEnd()) {
    xml.readNext();
  }
  EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();

  QSvgRenderer svg(QString::fromStdString(path));
  ASSERT_TRUE(svg.isValid());
  EXPECT_EQ(svg.viewBoxF(), QRectF(0, 0, kPlotWidth, kPlotHeight));
  QImage image(kPlotWidth, kPlotHeight, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  svg.render(&painter);
  painter.end();
  ExpectFlatPlot(image);
  std::remove(path.c_str());
}

TEST_F(PlotFileTest, FailureLeavesNoFile) {
  const std::string path = Path("missing") + "/a.png";
  std::string error;
  EXPECT_FALSE(WritePlotFile(FlatPlot(), path, calc::PlotFormat::Png, error));
  EXPECT_EQ(error, "cannot write '" + path + "': No such file or directory");
  EXPECT_EQ(::access(path.c_str(), F_OK), -1);
}

}  // namespace
}  // namespace dipview::plot

#include "plot/chart.h"

#include <gtest/gtest.h>
#include <QXmlStreamReader>

#include "calc/sweep.h"

namespace dipview::plot {
namespace {

design::TimeViewInputs Inputs(const FaultInputs& in, const TimeSettings& time,
                              std::string caption) {
  return {
      .caption = std::move(caption), .states = SagStatesOf(in, ComputeVoltages(in)), .time = time};
}

// Settings written out to the last digit, and a sag whose texts are long.
design::TimeViewInputs LongInputs() {
  const FaultInputs in{.faultType = FaultType::PhaseToPhase,
                       .toGround = true,
                       .faultedPhase = Phase::B,
                       .zfRatio = 1.5,
                       .proximity = 37};
  return Inputs(
      in, {.durationSeconds = 0.123456789, .inceptionDeg = -123.456789, .frequencyHz = 60},
      "Two-Phase-to-Ground (Phases C and A) fault; Z12 angle 78.12345678901234\u00b0, Z0 angle "
      "12.34567890123457\u00b0, ZF angle 45.56789012345678\u00b0, Z0/Z12 2.3456789012345678, "
      "ZF/Z12 1.2345678901234567, proximity 37; transformers HV-MV DD, MV-C1 YY, C1-C2 DY");
}

TEST(TimeChartTest, EveryTextOnThePageAndClearOfEveryOther) {
  for (const design::TimeViewInputs& in :
       {LongInputs(), Inputs(FaultInputs{}, TimeSettings{}, calc::SettingsCaption({}))}) {
    const design::ChartList chart = design::TimeViewList(in);
    const design::TimeViewFrame frame = design::TimeViewFrameOf(in);
    std::vector<std::pair<QRectF, std::string>> boxes;
    for (const design::ChartOp& op : chart) {
      if (op.kind == design::ChartPrimitive::Text) {
        boxes.emplace_back(ChartTextBox(op), op.text);
      }
    }
    const QRectF page(0, 0, design::kTimeViewWidth, design::kTimeViewHeight);
    for (std::size_t i = 0; i < boxes.size(); ++i) {
      EXPECT_TRUE(page.contains(boxes[i].first)) << boxes[i].second;
      for (std::size_t j = i + 1; j < boxes.size(); ++j) {
        EXPECT_FALSE(boxes[i].first.intersects(boxes[j].first))
            << boxes[i].second << " / " << boxes[j].second;
      }
    }
    // The caption's lines, at the left above the first bus's title, hold
    // every word of it.
    std::string caption;
    for (const auto& [box, text] : boxes) {
      if (box.bottom() < frame.waveform[0].top - 20 && box.left() < frame.waveform[0].left) {
        caption += (caption.empty() ? "" : " ") + text;
      }
    }
    EXPECT_EQ(caption, in.caption + " " + design::TimeCaption(in.time)) << caption;
  }
}

TEST(TimeChartTest, PngAndSvgOfThePageSize) {
  const design::ChartList chart = design::TimeViewList(LongInputs());
  QImage image;
  ASSERT_TRUE(image.loadFromData(EncodeTimeChart(chart, output::PlotFormat::Png, {}), "PNG"));
  EXPECT_EQ(image.size(), QSize(design::kTimeViewWidth, design::kTimeViewHeight));
  // Phase B's red and C's blue are on it, and the white page around.
  bool red = false;
  bool blue = false;
  for (int y = 0; y < image.height(); y += 2) {
    for (int x = 0; x < image.width(); x += 2) {
      red = red || image.pixel(x, y) == qRgb(255, 0, 0);
      blue = blue || image.pixel(x, y) == qRgb(0, 0, 255);
    }
  }
  EXPECT_TRUE(red && blue);
  EXPECT_EQ(image.pixel(1, 1), qRgb(255, 255, 255));

  QXmlStreamReader xml(EncodeTimeChart(chart, output::PlotFormat::Svg, "the description"));
  QStringList texts;
  QString description;
  while (!xml.atEnd()) {
    if (xml.readNext() == QXmlStreamReader::StartElement) {
      if (xml.name() == QStringLiteral("text")) {
        texts << xml.readElementText();
      } else if (xml.name() == QStringLiteral("desc")) {
        description = xml.readElementText();
      }
    }
  }
  EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  EXPECT_EQ(description, QStringLiteral("the description"));
  for (const char* want : {"Substation HV", "Customer Level 2", "SEMI F47-0706", "Phase C"}) {
    EXPECT_TRUE(texts.contains(QString::fromUtf8(want))) << want;
  }
}

}  // namespace
}  // namespace dipview::plot

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include "design/diagrams.h"
#include "tests/window/form_fixture.h"
#include "window/picture.h"

namespace dipview::window {
namespace {

using namespace design;

TEST_F(FormTest, PassGeometryForTheDesignTimeControls) {
  const design::DiagramGeometry& l = FormPeer::Geometry(*form);
  EXPECT_EQ(l.columnWidth, 2370.0f);
  EXPECT_EQ(l.diagramRadius, 885.0f);
  EXPECT_EQ(l.firstCx, 1305.0f);
  EXPECT_EQ(l.cy, 4500.0f);
  EXPECT_EQ(l.barBase, 7312.5f);
  // A start-up bar of 1.0929 per unit rises about 1639 twips, above its frame.
  const PhaseTriple hv = ComputeVoltages(FaultInputs{}).busVoltages[0];
  EXPECT_NEAR(7312.5f - Bars(1305, 7312.5f, hv)[1].y2, 1639.4, 0.5);
  EXPECT_NEAR(PhasorEnd(1305, 4500, 885, hv.b).x, 1305 - 0.6098 * 967.2, 1.0);
}

TEST_F(FormTest, DrawingStateAfterAPass) {
  const design::DrawState& st = FormPeer::State(*form);
  EXPECT_EQ(st.fillStyle, design::FillStyle::Solid);
  EXPECT_EQ(st.drawStyle, design::DrawStyle::Solid);
  EXPECT_EQ(st.drawWidth, 1);
  EXPECT_EQ(st.fillColor, kLightBlue);
  EXPECT_EQ(ToQColor(st.foreColor), form->palette().color(QPalette::ButtonText));
}

TEST(DrawingStateTest, FirstClearingIsTransparent) {
  Form1 form;
  EXPECT_EQ(FormPeer::State(form).fillStyle, design::FillStyle::Transparent);
  EXPECT_EQ(FormPeer::State(form).fillColor, kBlack);
  form.FormLoad();
  EXPECT_EQ(FormPeer::State(form).fillStyle, design::FillStyle::Solid);
}

/// Pixel probes on the window's persistent drawing, in twips.
class PixelTest : public FormTest {
 protected:
  Rgb At(float xTwips, float yTwips) const {
    return ToRgb(FormPeer::Canvas(*form).pixelColor(static_cast<int>(xTwips / 15),
                                                    static_cast<int>(yTwips / 15)));
  }
  /// Darkest channel-sum of the 3 x 3 pixels around a point.
  int Darkest(float xTwips, float yTwips) const {
    int darkest = 3 * 255;
    for (int dx = -1; dx <= 1; ++dx) {
      for (int dy = -1; dy <= 1; ++dy) {
        const QColor c = FormPeer::Canvas(*form).pixelColor(static_cast<int>(xTwips / 15) + dx,
                                                            static_cast<int>(yTwips / 15) + dy);
        darkest = std::min(darkest, c.red() + c.green() + c.blue());
      }
    }
    return darkest;
  }
  Rgb ButtonFace() const { return ToRgb(form->palette().color(QPalette::Button)); }
  static Rgb ToRgb(const QColor& c) {
    return {static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
            static_cast<std::uint8_t>(c.blue())};
  }
};

TEST_F(PixelTest, DiscsAreWhiteWithADarkOutline) {
  for (float cx : {1305.0f, 3675.0f, 6045.0f, 8415.0f}) {
    // Between the 0.2 and 0.4 rings, on the left-upper diagonal, away from the rings.
    EXPECT_EQ(At(cx - 200, 4500 - 200), kWhite) << cx;
    EXPECT_LT(Darkest(cx, 4500 - 885), 500) << cx;  // top of the outer circle
    EXPECT_EQ(At(cx, 4500 - 885 - 60), ButtonFace()) << cx;
  }
  for (float y : {1105.0f, 3075.0f, 5045.0f}) {
    EXPECT_EQ(At(10785 + 200, y - 200), kWhite) << y;
    EXPECT_LT(Darkest(10785 - 885, y), 500) << y;
  }
}

TEST_F(PixelTest, CustomerLevelTwoPhaseAPointsStraightDownToTheCircle) {
  for (float y : {4600.0f, 5000.0f, 5370.0f}) {
    EXPECT_EQ(At(8415 - 1, y), kBlack) << y;
  }
  EXPECT_EQ(At(8415 - 1, 5385 + 60), ButtonFace());
  // Its bar reaches the top of the frame.
  EXPECT_EQ(At(8415 - 200, 5812.5f + 20), kBlack);
  EXPECT_EQ(At(8415 - 200, 5812.5f - 30), ButtonFace());
}

TEST_F(PixelTest, BarsAboveTheFrame) {
  // Phase B at Substation HV is 1.0929 per unit: its red bar tops the frame.
  EXPECT_EQ(At(1305, 5812.5f - 60), kLightRed);
  EXPECT_EQ(At(1305, 5673 - 40), ButtonFace());
  EXPECT_EQ(At(1305 + 200, 5812.5f - 60), kLightBlue);
}

TEST_F(PixelTest, ZeroHeightBarLeavesTheFrameWhite) {
  FaultInputs in;
  in.proximity = 0;
  in.z0Ratio = 1.0f;
  form->ApplySettings(in);
  EXPECT_EQ(At(1105, 7312.5f - 60), kWhite);
  EXPECT_EQ(At(1305, 7312.5f - 60), kLightRed);
}

TEST_F(PixelTest, PhaseToPhaseV0LineHasNoLength) {
  EXPECT_LT(Darkest(10785 - 120, 1105), 100);  // start-up V0 points left
  QTest::mouseClick(Get("Phase_Phase(1)"), Qt::LeftButton);
  EXPECT_EQ(At(10785 - 120, 1105), kWhite);
  EXPECT_EQ(At(10785 + 120, 1105 + 15), kWhite);
}

TEST_F(PixelTest, NoLineOfTheLastPassRemains) {
  // Substation MV's phase C points straight up at start-up, at 1.0 per unit;
  // a three-phase fault halves it.
  EXPECT_EQ(At(3675, 4500 - 600), kLightBlue);
  QTest::mouseClick(Get("Three_Phase(2)"), Qt::LeftButton);
  EXPECT_EQ(At(3675 - 15, 4500 - 600), kWhite);
  EXPECT_EQ(At(3675, 4500 - 600), kWhite);
  EXPECT_EQ(At(3675, 4500 - 300), kLightBlue);
}

TEST_F(PixelTest, PictureMatchesTheWindow) {
  FaultInputs in;
  in.faultType = FaultType::PhaseToPhase;
  const QImage picture = RenderPicture(in);
  EXPECT_EQ(picture.size(), QSize(784, 584));
  QTest::mouseClick(Get("Phase_Phase(1)"), Qt::LeftButton);
  const QImage window = form->grab().toImage().convertToFormat(picture.format());
  ASSERT_EQ(window.size(), picture.size());
  // The focus frame of the clicked option may differ; everything else matches.
  int differing = 0;
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) {
      differing += picture.pixel(x, y) != window.pixel(x, y) ? 1 : 0;
    }
  }
  EXPECT_LT(differing, 400);
}

TEST(EncodePngTest, ReadsBackAsTheSameImage) {
  QImage image(10, 10, QImage::Format_RGB32);
  image.fill(Qt::red);
  image.setPixelColor(3, 7, Qt::blue);
  QImage back;
  ASSERT_TRUE(back.loadFromData(EncodePng(image), "PNG"));
  EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), image);
}

}  // namespace
}  // namespace dipview::window

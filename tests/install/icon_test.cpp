// The application icon the window carries: compiled into the window library,
// drawn by Qt's SVG icon engine at every size a desktop asks for, with the
// phasor star's three arrows in the phase colours pointing at 90, -30 and
// 210 degrees on a white disc.
#include <cmath>
#include <numbers>

#include <gtest/gtest.h>
#include <QByteArray>
#include <QColor>
#include <QFile>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QString>

namespace {

const QString kIconResource = QStringLiteral(":/icons/dipview.svg");

QGuiApplication& App() {
  static int argc = 1;
  static char name[] = "icon_tests";
  static char* argv[] = {name, nullptr};
  static QGuiApplication app(argc, argv);
  return app;
}

QImage Render(int size) {
  App();
  const QIcon icon(kIconResource);
  return icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32);
}

// The pixel at `fraction` of the icon's half-width from its centre, in the
// direction `degrees` counter-clockwise from the positive x axis.
QColor PixelAt(const QImage& image, double degrees, double fraction) {
  const double half = image.width() / 2.0;
  const double radians = degrees * std::numbers::pi / 180.0;
  const int x = static_cast<int>(std::floor(half + fraction * half * std::cos(radians)));
  const int y = static_cast<int>(std::floor(half - fraction * half * std::sin(radians)));
  return image.pixelColor(x, y);
}

::testing::AssertionResult IsColour(const QColor& actual, QRgb expected) {
  const QColor want = QColor::fromRgb(expected);
  if (actual.alpha() == 255 && actual.red() == want.red() && actual.green() == want.green() &&
      actual.blue() == want.blue()) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "pixel is " << actual.name(QColor::HexArgb).toStdString()
                                       << ", expected " << want.name(QColor::HexArgb).toStdString();
}

TEST(Icon, IsTheSourceSvgCompiledIntoTheWindow) {
  QFile resource(kIconResource);
  ASSERT_TRUE(resource.open(QIODevice::ReadOnly));
  QFile source(QStringLiteral(DIPVIEW_ICON_SOURCE));
  ASSERT_TRUE(source.open(QIODevice::ReadOnly));
  EXPECT_EQ(resource.readAll(), source.readAll());
}

TEST(Icon, DrawsAtEverySizeADesktopAsksFor) {
  for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
    const QImage image = Render(size);
    ASSERT_FALSE(image.isNull()) << "size " << size;
    EXPECT_EQ(image.width(), size);
    EXPECT_EQ(image.height(), size);
  }
}

class IconColours : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { image_ = new QImage(Render(256)); }
  static void TearDownTestSuite() {
    delete image_;
    image_ = nullptr;
  }
  static QImage* image_;
};
QImage* IconColours::image_ = nullptr;

TEST_F(IconColours, PhaseAIsABlackArrowPointingUp) {
  EXPECT_TRUE(IsColour(PixelAt(*image_, 90, 0.3), 0xff000000));
  EXPECT_TRUE(IsColour(PixelAt(*image_, 90, 0.65), 0xff000000));
}

TEST_F(IconColours, PhaseBIsARedArrowAtMinus30Degrees) {
  EXPECT_TRUE(IsColour(PixelAt(*image_, -30, 0.3), 0xffff0000));
  EXPECT_TRUE(IsColour(PixelAt(*image_, -30, 0.65), 0xffff0000));
}

TEST_F(IconColours, PhaseCIsABlueArrowAt210Degrees) {
  EXPECT_TRUE(IsColour(PixelAt(*image_, 210, 0.3), 0xff0000ff));
  EXPECT_TRUE(IsColour(PixelAt(*image_, 210, 0.65), 0xff0000ff));
}

TEST_F(IconColours, TheArrowsLieOnAWhiteDiscWithADarkRimAndClearCorners) {
  // Between the arrows, clear of the dotted rings.
  for (const double degrees : {30.0, 150.0, 270.0}) {
    EXPECT_TRUE(IsColour(PixelAt(*image_, degrees, 0.55), 0xffffffff)) << degrees;
  }
  for (const double degrees : {0.0, 90.0, 180.0, 270.0}) {
    const QColor rim = PixelAt(*image_, degrees, 58.0 / 64.0);
    EXPECT_EQ(rim.alpha(), 255) << degrees;
    EXPECT_LT(rim.lightness(), 100) << degrees;
  }
  EXPECT_EQ(image_->pixelColor(0, 0).alpha(), 0);
  EXPECT_EQ(image_->pixelColor(255, 255).alpha(), 0);
}

}  // namespace

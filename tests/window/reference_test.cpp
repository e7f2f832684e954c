#include <QApplication>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QRadioButton>
#include <QTemporaryDir>

#include "tests/window/form_fixture.h"
#include "window/picture.h"

namespace dipview::window {
namespace {

constexpr auto DY = TransformerConnection::DY;
constexpr auto YY = TransformerConnection::YY;

/// One reference picture: the settings as dipview-calc takes them and as
/// FaultInputs, and which fault buttons to force after the settings, for the
/// states the calculator cannot express.
struct Reference {
  const char* name;
  const char* calcArgs;
  FaultInputs in;
  std::array<bool, 3> forcedFaultButtons;
  bool atScale2;
};

const Reference kReferences[] = {
    {"startup", "", FaultInputs{}, {}, true},
    {"single-zero",
     "--fault single --proximity 0 --z0-ratio 1.0 --zf-ratio 0.0",
     {.z0Ratio = 1.0f, .proximity = 0},
     {},
     true},
    {"phase-phase-dy-dy-yy",
     "--fault phase-phase --z12-angle 37 --zf-angle 12 --zf-ratio 1.5 --proximity 73 "
     "--transformers DY,DY,YY",
     {.faultType = FaultType::PhaseToPhase,
      .zfRatio = 1.5,
      .z12AngleDeg = 37,
      .zfAngleDeg = 12,
      .proximity = 73,
      .c1C2Connection = YY},
     {},
     true},
    {"phase-phase-zero",
     "--fault phase-phase --proximity 0 --zf-ratio 0.0",
     {.faultType = FaultType::PhaseToPhase, .proximity = 0},
     {},
     false},
    {"three-tiny",
     "--fault three --proximity 1 --zf-ratio 0.0 --transformers YY,DY,YY",
     {.faultType = FaultType::ThreePhase,
      .proximity = 1,
      .hvMvConnection = YY,
      .c1C2Connection = YY},
     {},
     false},
    {"three-yy-yy-dy",
     "--fault three --z12-angle 80 --zf-angle 0 --zf-ratio 3.0 --proximity 5 "
     "--transformers YY,YY,DY",
     {.faultType = FaultType::ThreePhase,
      .zfRatio = 3.0,
      .z12AngleDeg = 80,
      .zfAngleDeg = 0,
      .proximity = 5,
      .hvMvConnection = YY,
      .mvC1Connection = YY},
     {},
     false},
    {"single-swell-yy",
     "--fault single --z0-ratio 3.0 --zf-ratio 0.0 --proximity 0 --z0-angle 0 "
     "--transformers YY,YY,YY",
     {.z0Ratio = 3.0f,
      .z0AngleDeg = 0,
      .proximity = 0,
      .hvMvConnection = YY,
      .mvC1Connection = YY,
      .c1C2Connection = YY},
     {},
     false},
    {"single-yy-dy-yy",
     "--z12-angle 62 --z0-angle 18 --zf-angle 45 --z0-ratio 0.5 --zf-ratio 2.5 --proximity 99 "
     "--transformers YY,DY,YY",
     {.zfRatio = 2.5,
      .z0Ratio = 0.5f,
      .z12AngleDeg = 62,
      .zfAngleDeg = 45,
      .z0AngleDeg = 18,
      .proximity = 99,
      .hvMvConnection = YY,
      .c1C2Connection = YY},
     {},
     false},
    {"no-fault-button", nullptr, FaultInputs{}, {false, false, false}, true},
    {"single-and-three-buttons",
     nullptr,
     {.zfRatio = 0.5, .proximity = 30},
     {true, false, true},
     true},
    {"phase-phase-and-three-buttons",
     nullptr,
     {.proximity = 20, .hvMvConnection = YY},
     {false, true, true},
     false},
};

std::ostream& operator<<(std::ostream& os, const Reference& r) {
  return os << r.name;
}

/// The picture dipview-calc --png draws, with the fault buttons forced
/// afterwards for the rows the calculator cannot express.
QImage Render(const Reference& r) {
  if (r.calcArgs != nullptr) {
    return RenderPicture(r.in);
  }
  Form1 form;
  form.setAttribute(Qt::WA_DontShowOnScreen);
  form.FormLoad();
  form.resize(ToPixelRect({0, 0, Form1::kFullWidth, Form1::kFullHeight}).size());
  form.show();
  form.ApplySettings(r.in);
  const char* names[3] = {"Single_Phase(0)", "Phase_Phase(1)", "Three_Phase(2)"};
  for (int i = 0; i < 3; ++i) {
    auto* button = form.findChild<QRadioButton*>(QString::fromLatin1(names[i]));
    const QSignalBlocker block(button);
    button->setAutoExclusive(false);
    button->setChecked(r.forcedFaultButtons[i]);
  }
  form.Recalculate();
  return form.grab().toImage();
}

class ReferencePictureTest : public testing::TestWithParam<Reference> {};

// Run once as it is and once with QT_SCALE_FACTOR=2 (a CTest entry of its own).
TEST_P(ReferencePictureTest, PixelIdentical) {
  const Reference& r = GetParam();
  const int scale = qRound(qApp->devicePixelRatio());
  if (scale == 2 && !r.atScale2) {
    GTEST_SKIP() << "drawn at scale 1 only";
  }
  const QString file =
      QStringLiteral("%1%2.png").arg(QLatin1String(r.name), scale == 1 ? QString() : "@2x");
  const QImage picture = Render(r).convertToFormat(QImage::Format_RGB32);
  // DIPVIEW_WRITE_REFERENCES=DIR writes the pictures there instead of comparing.
  if (const QByteArray dir = qgetenv("DIPVIEW_WRITE_REFERENCES"); !dir.isEmpty()) {
    ASSERT_TRUE(picture.save(QDir(QString::fromLocal8Bit(dir)).filePath(file)));
    return;
  }
  const QImage reference = QImage(QStringLiteral(DIPVIEW_REFERENCE_DIR "/") + file)
                               .convertToFormat(QImage::Format_RGB32);
  ASSERT_FALSE(reference.isNull()) << file.toStdString();
  ASSERT_EQ(picture.size(), reference.size());
  int differing = 0;
  QRect where;
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) {
      if (picture.pixel(x, y) != reference.pixel(x, y)) {
        ++differing;
        where |= QRect(x, y, 1, 1);
      }
    }
  }
  EXPECT_EQ(differing, 0) << "within x " << where.left() << " to " << where.right() << ", y "
                          << where.top() << " to " << where.bottom();
}

INSTANTIATE_TEST_SUITE_P(Pictures, ReferencePictureTest, testing::ValuesIn(kReferences));

}  // namespace
}  // namespace dipview::window

namespace dipview::window {
namespace {

int DifferingPixels(const QImage& a, const QImage& b) {
  const QImage x = a.convertToFormat(QImage::Format_RGB32);
  const QImage y = b.convertToFormat(QImage::Format_RGB32);
  if (x.size() != y.size()) {
    return -1;
  }
  int differing = 0;
  for (int row = 0; row < x.height(); ++row) {
    for (int col = 0; col < x.width(); ++col) {
      differing += x.pixel(col, row) != y.pixel(col, row) ? 1 : 0;
    }
  }
  return differing;
}

// The window shows what dipview-calc --png draws for its settings, however
// many passes have run, start-up included.
TEST(SameSettingsSamePixelsTest, WindowAfterOneTwoAndFiftyPasses) {
  const FaultInputs in{.faultType = FaultType::PhaseToPhase,
                       .zfRatio = 0.5,
                       .proximity = 20,
                       .mvC1Connection = TransformerConnection::YY};
  const QImage picture = RenderPicture(in);
  Form1 form;
  form.resize(picture.deviceIndependentSize().toSize());
  form.show();
  form.ApplySettings(in);
  EXPECT_EQ(DifferingPixels(form.grab().toImage(), picture), 0) << "after 1 pass";
  form.Recalculate();
  EXPECT_EQ(DifferingPixels(form.grab().toImage(), picture), 0) << "after 2 passes";
  for (int pass = 3; pass <= 50; ++pass) {
    form.Recalculate();
  }
  EXPECT_EQ(DifferingPixels(form.grab().toImage(), picture), 0) << "after 50 passes";
}

TEST(SameSettingsSamePixelsTest, WindowAtStartUpEqualsTheCalculatorsPicture) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString png = dir.filePath(QStringLiteral("startup.png"));
  ASSERT_EQ(QProcess::execute(QStringLiteral(DIPVIEW_CALC_PATH), {QStringLiteral("--png"), png}),
            0);
  const QImage picture(png);
  ASSERT_FALSE(picture.isNull());
  Form1 form;
  form.FormLoad();
  form.resize(picture.deviceIndependentSize().toSize());
  form.show();
  EXPECT_EQ(DifferingPixels(form.grab().toImage(), picture), 0);
}

}  // namespace
}  // namespace dipview::window

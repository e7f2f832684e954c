#include <map>

#include <QApplication>
#include <QBackingStore>
#include <QScreen>
#include <QTest>
#include <QWindow>

#include "tests/window/form_fixture.h"
#include "window/viewer.h"

namespace dipview::window {
namespace {

TEST(ZoomPercentTest, DecimalPercentagesFrom50To400) {
  const std::pair<const char*, std::optional<double>> rows[] = {
      {"150", 1.5}, {"50", 0.5},  {"400", 4.0}, {"62.5", 0.625}, {"49.99", {}}, {"400.01", {}},
      {"", {}},     {"-100", {}}, {"+150", {}}, {"150%", {}},    {" 150", {}},  {"nan", {}},
      {"inf", {}},  {"1.5x", {}}, {"0x96", {}}, {"150 ", {}}};
  for (const auto& [text, zoom] : rows) {
    EXPECT_EQ(ParseZoomPercent(text), zoom) << '"' << text << '"';
  }
}

/// The program's window, started and active, at the size of the whole design.
class ViewerTest : public testing::Test {
 protected:
  void SetUp() override {
    viewer = std::make_unique<Viewer>();
    viewer->form().FormLoad();
    viewer->resize(Form1::FullSize(1.0));
    viewer->show();
    viewer->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(viewer.get()));
  }

  template <typename T = QWidget>
  T* Get(const QString& name) const {
    T* w = viewer->form().findChild<T*>(name);
    EXPECT_NE(w, nullptr) << name.toStdString();
    return w;
  }

  /// Resizes the window and waits until the resize has arrived.
  void ResizeTo(QSize size) {
    viewer->resize(size);
    EXPECT_TRUE(QTest::qWaitFor([&] { return viewer->size() == size; }));
  }

  void Key(int key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier) {
    QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(key), modifiers);
  }

  static bool Shown(QWidget* w) {
    return QTest::qWaitFor([w] { return w->isVisible(); });
  }

  std::unique_ptr<Viewer> viewer;
};

TEST_F(ViewerTest, ZoomKeysStepScaleEverythingAndGoBackTo100) {
  struct Row {
    int key;
    double zoom;
  };
  const Row rows[] = {{Qt::Key_Plus, 1.1},  {Qt::Key_Plus, 1.25}, {Qt::Key_Minus, 1.1},
                      {Qt::Key_0, 1.0},     {Qt::Key_Minus, 0.9}, {Qt::Key_Equal, 1.0},
                      {Qt::Key_Minus, 0.9}, {Qt::Key_Minus, 0.8}, {Qt::Key_0, 1.0}};
  const QRect designOption = ToPixelRect({240, 960, 615, 375});  // Z0_Z12_opt(3) in its frame
  for (const Row& row : rows) {
    Key(row.key);
    SCOPED_TRACE(row.zoom);
    Form1& form = viewer->form();
    EXPECT_DOUBLE_EQ(form.Zoom(), row.zoom);
    EXPECT_FALSE(viewer->Fitted());
    EXPECT_EQ(form.size(), Form1::FullSize(row.zoom));
    EXPECT_EQ(FormPeer::Canvas(form).deviceIndependentSize().toSize(), form.size());
    EXPECT_EQ(Get("Z0_Z12_opt(3)")->geometry(), ToPixelRect({240, 960, 615, 375}, row.zoom));
    EXPECT_EQ(Get("Z0_Z12_opt(3)")->font().pixelSize(), std::lround(11 * row.zoom));
    EXPECT_EQ(Get("Top_Label")->font().pixelSize(), std::lround(13 * row.zoom));
  }
  EXPECT_EQ(Get("Z0_Z12_opt(3)")->geometry(), designOption);
  EXPECT_EQ(FormPeer::PassCount(viewer->form()), 2) << "zooming runs no pass";
}

TEST_F(ViewerTest, EnlargingFitsKeepingProportionsAndShrinkingScrolls) {
  ResizeTo({1920, 1080});
  const double fit = 1080.0 / 584.0;
  EXPECT_TRUE(viewer->Fitted());
  EXPECT_DOUBLE_EQ(viewer->form().Zoom(), fit);
  EXPECT_EQ(viewer->form().geometry(), QRect(235, 0, 1450, 1080)) << "centred";
  EXPECT_FALSE(viewer->verticalScrollBar()->isVisible());

  Key(Qt::Key_Plus);  // beyond the fit: the design is larger than the window
  EXPECT_DOUBLE_EQ(viewer->form().Zoom(), 2.0);
  EXPECT_TRUE(Shown(viewer->verticalScrollBar()));

  ResizeTo({400, 300});
  EXPECT_DOUBLE_EQ(viewer->form().Zoom(), 2.0) << "shrinking keeps a chosen zoom";
  Key(Qt::Key_0);
  ResizeTo({2000, 1200});
  EXPECT_TRUE(viewer->Fitted()) << "enlarging fits again";
  EXPECT_DOUBLE_EQ(viewer->form().Zoom(), 1200.0 / 584.0);

  ResizeTo({400, 300});
  EXPECT_DOUBLE_EQ(viewer->form().Zoom(), 1.0) << "fitted, never below 100%";
  EXPECT_TRUE(Shown(viewer->horizontalScrollBar()));
  EXPECT_TRUE(Shown(viewer->verticalScrollBar()));
}

TEST_F(ViewerTest, AHugeWindowTakesBackTheLargestUsefulSize) {
  const QSize largest = Form1::FullSize(kMaxZoom).expandedTo(viewer->screen()->virtualSize());
  EXPECT_EQ(viewer->LargestSize(), largest);
  // Set by the program: taken back before the window is painted at all.
  viewer->resize(32767, 32767);
  ASSERT_EQ(viewer->size(), largest);
  // Set by the platform, as a desktop without a window manager does.
  ResizeTo(Form1::FullSize(1.0));
  viewer->windowHandle()->resize(32767, 32767);
  EXPECT_TRUE(QTest::qWaitFor([&] { return viewer->backingStore()->size() == largest; }));
  EXPECT_EQ(viewer->size(), largest);
  EXPECT_EQ(viewer->windowHandle()->size(), largest);
  EXPECT_EQ(viewer->viewport()->size(), largest) << "laid out at the size taken back";
  EXPECT_TRUE(viewer->Fitted());
  EXPECT_DOUBLE_EQ(viewer->form().Zoom(), kMaxZoom);
  EXPECT_EQ(viewer->form().geometry(), QRect(QPoint(0, 0), Form1::FullSize(kMaxZoom)));
  EXPECT_EQ(FormPeer::Canvas(viewer->form()).deviceIndependentSize().toSize(),
            Form1::FullSize(kMaxZoom));
}

TEST_F(ViewerTest, TabReachesTheLastReadoutOfASmallWindow) {
  ResizeTo({400, 300});
  QWidget* last = Get("VC2_Text(5)");
  EXPECT_FALSE(viewer->viewport()->rect().contains(last->mapTo(viewer->viewport(), QPoint(0, 0))));
  for (int i = 0; i < 80 && QApplication::focusWidget() != last; ++i) {
    Key(Qt::Key_Tab, Qt::NoModifier);
  }
  ASSERT_EQ(QApplication::focusWidget(), last);
  const QRect where(last->mapTo(viewer->viewport(), QPoint(0, 0)), last->size());
  EXPECT_TRUE(viewer->viewport()->rect().contains(where)) << "scrolled into view";
}

TEST_F(ViewerTest, F11TogglesFullScreenFittedAndEscLeavesIt) {
  const QRect normal = viewer->geometry();
  Key(Qt::Key_F11, Qt::NoModifier);
  EXPECT_TRUE(viewer->isFullScreen());
  const QSize screen = viewer->screen()->geometry().size();
  EXPECT_TRUE(QTest::qWaitFor([&] { return viewer->size() == screen; }));
  EXPECT_TRUE(viewer->Fitted());
  EXPECT_DOUBLE_EQ(viewer->form().Zoom(),
                   std::max(1.0, std::min(screen.width() / 784.0, screen.height() / 584.0)));
  Key(Qt::Key_Escape, Qt::NoModifier);
  EXPECT_FALSE(viewer->isFullScreen());
  EXPECT_TRUE(QTest::qWaitFor([&] { return viewer->geometry() == normal; }));
  Key(Qt::Key_Escape, Qt::NoModifier);
  EXPECT_FALSE(viewer->isFullScreen()) << "Esc outside full screen does nothing";
  Key(Qt::Key_F11, Qt::NoModifier);
  Key(Qt::Key_F11, Qt::NoModifier);
  EXPECT_FALSE(viewer->isFullScreen());
}

TEST(ViewerStartUpTest, FullScreenFitsAndLeavingItGivesTheStartingZoom) {
  Viewer viewer;
  viewer.form().FormLoad();
  ShowAtStartUp(viewer, {.zoom = 0.8, .fullScreen = true, .labels = true});
  ASSERT_TRUE(QTest::qWaitForWindowActive(&viewer));
  EXPECT_TRUE(viewer.isFullScreen());
  EXPECT_TRUE(viewer.form().LabelsShown());
  EXPECT_TRUE(viewer.Fitted());
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
  EXPECT_TRUE(QTest::qWaitFor([&] { return viewer.size() == Form1::FullSize(0.8); }));
  EXPECT_FALSE(viewer.Fitted());
  EXPECT_DOUBLE_EQ(viewer.form().Zoom(), 0.8);
}

TEST_F(ViewerTest, FocusedScrollBarShowsAFrameAtAnyZoom) {
  const QColor highlight = viewer->palette().color(QPalette::Highlight);
  auto framed = [&](const char* name, int inset) {
    auto* bar = Get(QString::fromLatin1(name));
    const QImage image = bar->grab().toImage();
    const qreal dpr = image.devicePixelRatio();
    return image.pixelColor(static_cast<int>(inset * dpr),
                            static_cast<int>(bar->height() / 2 * dpr)) == highlight;
  };
  ASSERT_EQ(QApplication::focusWidget(), Get("Z12_Angle"));
  EXPECT_TRUE(framed("Z12_Angle", 0));
  EXPECT_FALSE(framed("Z0_Angle", 0));
  Key(Qt::Key_Tab, Qt::NoModifier);
  EXPECT_FALSE(framed("Z12_Angle", 0));
  EXPECT_TRUE(framed("Z0_Angle", 0));
  viewer->SetFixedZoom(2.0);
  EXPECT_TRUE(framed("Z0_Angle", 1)) << "two pixels wide";
  Get("Proximity")->setFocus(Qt::TabFocusReason);
  EXPECT_TRUE(framed("Proximity", 1));
}

/// The box of the dark pixels (the arrow) in the top or left arrow button of
/// `bar`, in device pixels, and how dark they are at the darkest (0 black).
struct ArrowGlyph {
  QRect box;
  int darkest = 255;
};
ArrowGlyph ArrowOf(QScrollBar* bar) {
  const QImage image = bar->grab().toImage();
  const qreal dpr = image.devicePixelRatio();
  const QRect button = SubControl(bar, QStyle::SC_ScrollBarSubLine);
  ArrowGlyph glyph;
  for (int y = static_cast<int>(button.top() * dpr); y < (button.bottom() + 1) * dpr; ++y) {
    for (int x = static_cast<int>(button.left() * dpr); x < (button.right() + 1) * dpr; ++x) {
      const int grey = qGray(image.pixel(x, y));
      glyph.darkest = std::min(glyph.darkest, grey);
      if (grey < 128) {
        glyph.box |= QRect(x, y, 1, 1);
      }
    }
  }
  return glyph;
}

TEST_F(ViewerTest, ScrollBarArrowsAndThumbsGrowWithTheZoom) {
  Get("Proximity")->setFocus(Qt::TabFocusReason);  // no focus frame on the bars measured
  const char* const bars[] = {"Z0_Angle", "ZF_Angle"};
  std::map<std::string, ArrowGlyph> atOne;
  std::map<std::string, QRect> thumbAtOne;
  for (const double zoom : {1.0, 2.0, 3.0}) {
    viewer->SetFixedZoom(zoom);
    for (const char* name : bars) {
      SCOPED_TRACE(std::string(name) + " at " + std::to_string(zoom));
      auto* bar = Get<QScrollBar>(name);
      const ArrowGlyph glyph = ArrowOf(bar);
      const QRect thumb = SubControl(bar, QStyle::SC_ScrollBarSlider);
      if (zoom == 1.0) {
        atOne[name] = glyph;
        thumbAtOne[name] = thumb;
        ASSERT_FALSE(glyph.box.isEmpty());
        continue;
      }
      EXPECT_GE(glyph.box.width(), std::floor(atOne[name].box.width() * zoom) - 1);
      EXPECT_GE(glyph.box.height(), std::floor(atOne[name].box.height() * zoom) - 1);
      EXPECT_LE(glyph.darkest, 64) << "a clear, dark arrow";
      EXPECT_NEAR(thumb.height(), thumbAtOne[name].height() * zoom, zoom);
      EXPECT_NEAR(thumb.width(), thumbAtOne[name].width() * zoom, zoom);
    }
  }
}

/// A click at `at` (design pixels inside `container`, at `zoom`) selects `option`.
struct HitRow {
  double zoom;
  const char* container;
  QPoint at;
  const char* option;
};

const HitRow kHitRows[] = {
    // Z0/Z12: options 25 pixels tall at a 16-pixel pitch. The second and third
    // rows are the clicks (222, 76) and (222, 129) of the window.
    {1.0, "Frame2(0)", {22, 28}, "Z0_Z12_opt(0)"},
    {1.0, "Frame2(0)", {22, 81}, "Z0_Z12_opt(3)"},
    {1.0, "Frame2(0)", {22, 83}, "Z0_Z12_opt(3)"},
    {1.0, "Frame2(0)", {22, 84}, "Z0_Z12_opt(4)"},
    {1.0, "Frame2(0)", {22, 99}, "Z0_Z12_opt(4)"},
    {1.0, "Frame2(0)", {22, 100}, "Z0_Z12_opt(5)"},
    {1.0, "Frame2(0)", {22, 117}, "Z0_Z12_opt(5)"},
    // ZF/Z12: 21 pixels tall at the same pitch.
    {1.0, "Frame3", {48, 33}, "ZF_Z12_opt(0)"},
    {1.0, "Frame3", {48, 34}, "ZF_Z12_opt(1)"},
    {1.0, "Frame3", {48, 97}, "ZF_Z12_opt(4)"},
    {1.0, "Frame3", {48, 98}, "ZF_Z12_opt(5)"},
    {1.0, "Frame3", {48, 122}, "ZF_Z12_opt(6)"},
    // Fault types: 13 pixels tall, no overlap.
    {1.0, "Frame1", {12, 38}, "Phase_Phase(1)"},
    {1.0, "Frame1", {12, 54}, "Three_Phase(2)"},
    {1.0, "Frame1", {12, 22}, "Single_Phase(0)"},
    // Transformers: 17 pixels tall, one row shared.
    {1.0, "HV_MV", {12, 31}, "HV_MV_Trans(0)"},
    {1.0, "HV_MV", {12, 32}, "HV_MV_Trans(1)"},
    {1.0, "C1_C2", {12, 20}, "C1_C2_Trans(0)"},
    // At 150% the same rows, away from the boundaries.
    {1.5, "Frame2(0)", {22, 81}, "Z0_Z12_opt(3)"},
    {1.5, "Frame2(0)", {22, 86}, "Z0_Z12_opt(4)"},
    {1.5, "Frame3", {48, 32}, "ZF_Z12_opt(0)"},
    {1.5, "Frame3", {48, 36}, "ZF_Z12_opt(1)"},
};

TEST_F(ViewerTest, AClickSelectsTheOptionWhoseRowIsNearest) {
  for (const HitRow& row : kHitRows) {
    if (viewer->form().Zoom() != row.zoom) {
      viewer->SetFixedZoom(row.zoom);
      ResizeTo(Form1::FullSize(row.zoom));
    }
    const QPoint inContainer(static_cast<int>(row.at.x() * row.zoom),
                             static_cast<int>(row.at.y() * row.zoom));
    // Through the window, as a real click arrives: Qt finds the control under the pointer.
    const QPoint inWindow =
        Get(QString::fromLatin1(row.container))->mapTo(viewer.get(), inContainer);
    QTest::mouseClick(viewer->windowHandle(), Qt::LeftButton, Qt::NoModifier, inWindow);
    EXPECT_TRUE(Get<QRadioButton>(QString::fromLatin1(row.option))->isChecked())
        << row.container << " " << row.at.x() << "," << row.at.y() << " at " << row.zoom;
  }
}

}  // namespace
}  // namespace dipview::window

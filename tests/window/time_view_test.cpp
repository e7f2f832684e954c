#include <QApplication>
#include <QDoubleSpinBox>
#include <QTest>

#include "calc/sweep.h"
#include "tests/window/form_fixture.h"
#include "window/time_view.h"

namespace dipview::window {
namespace {

class TimeViewTest : public FormTest {
 protected:
  // The view Ctrl+T on the main window opened.
  SagInTimeView* Open() {
    // Shortcuts reach the active window only.
    QApplication::setActiveWindow(form.get());
    QTest::keyClick(form.get(), Qt::Key_T, Qt::ControlModifier);
    auto* view = form->findChild<SagInTimeView*>();
    EXPECT_NE(view, nullptr);
    return view;
  }

  // The chart the view should show for the main window's settings and `time`.
  design::ChartList Want(const TimeSettings& time) const {
    const FaultInputs in = form->ReadInputs();
    return design::TimeViewList({.caption = calc::SettingsCaption(in),
                                 .states = SagStatesOf(in, ComputeVoltages(in)),
                                 .time = time});
  }
};

TEST_F(TimeViewTest, CtrlTOpensTheViewThatFollowsEveryPassAtOnce) {
  SagInTimeView* view = Open();
  ASSERT_NE(view, nullptr);
  EXPECT_TRUE(view->isVisible());
  EXPECT_EQ(view->Time(), TimeSettings{});
  EXPECT_EQ(view->Chart(), Want(TimeSettings{}));
  const design::ChartList before = view->Chart();

  QTest::mouseClick(Get<QRadioButton>("Three_Phase(2)"), Qt::LeftButton);
  EXPECT_NE(view->Chart(), before);
  EXPECT_EQ(view->Chart(), Want(TimeSettings{}));
  QTest::keyClick(Get<QScrollBar>("Proximity"), Qt::Key_Left);
  EXPECT_EQ(view->Chart(), Want(TimeSettings{}));

  // A second Ctrl+T brings back the same view.
  EXPECT_EQ(Open(), view);
  EXPECT_EQ(form->findChildren<SagInTimeView*>().size(), 1);
}

TEST_F(TimeViewTest, ItsOwnControlsSetDurationInceptionAndFrequency) {
  SagInTimeView* view = Open();
  ASSERT_NE(view, nullptr);
  auto* duration = view->findChild<QDoubleSpinBox*>("TimeDuration");
  auto* inception = view->findChild<QDoubleSpinBox*>("TimeInception");
  ASSERT_NE(duration, nullptr);
  ASSERT_NE(inception, nullptr);
  duration->selectAll();
  QTest::keyClicks(duration, "0.25");
  inception->selectAll();
  QTest::keyClicks(inception, "-90");
  QTest::mouseClick(view->findChild<QRadioButton*>("Time60Hz"), Qt::LeftButton);
  const TimeSettings want{.durationSeconds = 0.25, .inceptionDeg = -90.0, .frequencyHz = 60};
  EXPECT_EQ(view->Time(), want);
  EXPECT_EQ(view->Chart(), Want(want));
  QTest::mouseClick(view->findChild<QRadioButton*>("Time50Hz"), Qt::LeftButton);
  EXPECT_EQ(view->Time().frequencyHz, 50);
}

TEST_F(TimeViewTest, AClosedViewCatchesUpWhenShownAgain) {
  SagInTimeView* view = Open();
  ASSERT_NE(view, nullptr);
  view->close();
  QTest::mouseClick(Get<QRadioButton>("Phase_Phase(1)"), Qt::LeftButton);
  EXPECT_EQ(Open(), view);
  EXPECT_TRUE(view->isVisible());
  EXPECT_EQ(view->Chart(), Want(TimeSettings{}));
}

}  // namespace
}  // namespace dipview::window

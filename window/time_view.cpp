// The sag in time's window: opened from the main window's menu and Ctrl+T.
#include "window/time_view.h"

#include <algorithm>

#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QRadioButton>
#include <QVBoxLayout>

#include "calc/sweep.h"
#include "plot/chart.h"
#include "window/form1.h"

namespace dipview::window {

namespace {

// The chart scaled to fit the widget, its proportions kept, centred on white.
class ChartCanvas : public QWidget {
 public:
  ChartCanvas(const design::ChartList& chart, QWidget* parent) : QWidget(parent), chart_(chart) {
    setObjectName(QStringLiteral("TimeChart"));
    setMinimumSize(design::kTimeViewWidth / 4, design::kTimeViewHeight / 4);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    const double scale = std::min(width() / static_cast<double>(design::kTimeViewWidth),
                                  height() / static_cast<double>(design::kTimeViewHeight));
    painter.translate((width() - design::kTimeViewWidth * scale) / 2,
                      (height() - design::kTimeViewHeight * scale) / 2);
    painter.scale(scale, scale);
    plot::PaintChart(painter, chart_);
  }

 private:
  const design::ChartList& chart_;
};

}  // namespace

SagInTimeView::SagInTimeView(Form1* form) : QWidget(form, Qt::Window), form_(form) {
  setObjectName(QStringLiteral("SagInTime"));
  setWindowTitle(QStringLiteral("The sag in time - DIPVIEW"));
  const TimeSettings defaults;

  duration_ = new QDoubleSpinBox(this);
  duration_->setObjectName(QStringLiteral("TimeDuration"));
  duration_->setRange(kMinDuration, kMaxDuration);
  duration_->setDecimals(3);
  duration_->setSingleStep(0.01);
  duration_->setSuffix(QStringLiteral(" s"));
  duration_->setValue(defaults.durationSeconds);
  duration_->setAccessibleName(QStringLiteral("Duration of the fault"));

  inception_ = new QDoubleSpinBox(this);
  inception_->setObjectName(QStringLiteral("TimeInception"));
  inception_->setRange(kMinInception, kMaxInception);
  inception_->setDecimals(1);
  inception_->setSingleStep(15.0);
  inception_->setSuffix(QStringLiteral("\u00b0"));
  inception_->setValue(defaults.inceptionDeg);
  inception_->setAccessibleName(QStringLiteral("Inception angle"));

  hz50_ = new QRadioButton(QStringLiteral("50 Hz"), this);
  hz50_->setObjectName(QStringLiteral("Time50Hz"));
  hz60_ = new QRadioButton(QStringLiteral("60 Hz"), this);
  hz60_->setObjectName(QStringLiteral("Time60Hz"));
  (defaults.frequencyHz == 60 ? hz60_ : hz50_)->setChecked(true);

  auto* controls = new QHBoxLayout;
  auto* durationLabel = new QLabel(QStringLiteral("&Duration:"), this);
  durationLabel->setBuddy(duration_);
  auto* inceptionLabel = new QLabel(QStringLiteral("&Inception (phase A at Substation HV):"), this);
  inceptionLabel->setBuddy(inception_);
  controls->addWidget(durationLabel);
  controls->addWidget(duration_);
  controls->addSpacing(16);
  controls->addWidget(inceptionLabel);
  controls->addWidget(inception_);
  controls->addSpacing(16);
  controls->addWidget(hz50_);
  controls->addWidget(hz60_);
  controls->addStretch(1);

  canvas_ = new ChartCanvas(chart_, this);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(controls);
  layout->addWidget(canvas_, 1);
  resize(1280, 920);

  const auto changed = [this] { Refresh(); };
  connect(duration_, &QDoubleSpinBox::valueChanged, this, changed);
  connect(inception_, &QDoubleSpinBox::valueChanged, this, changed);
  connect(hz50_, &QRadioButton::toggled, this, changed);
  connect(form_, &Form1::Recalculated, this, [this] {
    // A hidden view catches up when it is shown again.
    if (isVisible()) {
      Refresh();
    }
  });
  Refresh();
}

TimeSettings SagInTimeView::Time() const {
  return {.durationSeconds = duration_->value(),
          .inceptionDeg = inception_->value(),
          .frequencyHz = hz60_->isChecked() ? 60 : 50};
}

void SagInTimeView::Refresh() {
  const FaultInputs in = form_->ReadInputs();
  chart_ = design::TimeViewList({.caption = calc::SettingsCaption(in),
                                 .states = SagStatesOf(in, ComputeVoltages(in)),
                                 .time = Time()});
  canvas_->update();
}

void SagInTimeView::showEvent(QShowEvent* event) {
  Refresh();
  QWidget::showEvent(event);
}

void Form1::ShowSagInTime() {
  auto* view = findChild<SagInTimeView*>(QString(), Qt::FindDirectChildrenOnly);
  if (view == nullptr) {
    view = new SagInTimeView(this);
  }
  view->show();
  view->raise();
  view->activateWindow();
}

}  // namespace dipview::window

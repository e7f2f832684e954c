#pragma once

#include <QWidget>

#include "compute/sag_in_time.h"
#include "design/time_view.h"

class QDoubleSpinBox;
class QRadioButton;

namespace dipview::window {

class Form1;

/// "The sag in time": a window of its own beside the main one, showing the
/// chart of design::TimeViewList for the main window's settings. It follows
/// every pass of the main window; its own controls set the duration, the
/// inception angle and the line frequency.
class SagInTimeView : public QWidget {
  Q_OBJECT

 public:
  /// A window owned by `form`, shown by Form1::ShowSagInTime.
  explicit SagInTimeView(Form1* form);

  /// The time settings of the controls, 128 samples a cycle.
  TimeSettings Time() const;
  /// The chart as last laid out.
  const design::ChartList& Chart() const { return chart_; }

  /// Lays the chart out again for the main window's settings and the
  /// controls, and repaints.
  void Refresh();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  Form1* form_;
  QDoubleSpinBox* duration_ = nullptr;
  QDoubleSpinBox* inception_ = nullptr;
  QRadioButton* hz50_ = nullptr;
  QRadioButton* hz60_ = nullptr;
  QWidget* canvas_ = nullptr;
  design::ChartList chart_;
};

}  // namespace dipview::window

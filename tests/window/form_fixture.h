#pragma once

#include <memory>

#include <gtest/gtest.h>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QString>
#include <QStringList>
#include <QStyle>
#include <QStyleOptionSlider>

#include "compute/readout.h"
#include "compute/transformer.h"
#include "window/form1.h"
#include "window/startup.h"

inline void PrintTo(const QString& s, std::ostream* os) {
  *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QColor& c, std::ostream* os) {
  *os << c.name().toStdString();
}

namespace dipview::window {

/// The tests' view of a window's last pass and of its controls' positions.
class FormPeer {
 public:
  static int PassCount(const Form1& f) { return f.passCount_; }
  static const design::PassResult& Pass(const Form1& f) { return f.pass_; }
  static const design::DiagramGeometry& Geometry(const Form1& f) { return f.pass_.geometry; }
  static const design::DrawState& State(const Form1& f) { return f.drawState_; }
  static const QImage& Canvas(const Form1& f) { return f.canvas_; }
  static design::TwipsRect GeometryOf(const Form1& f, const QWidget* w) { return f.geometryOf(w); }
  static void SetGeometryOf(Form1& f, QWidget* w, const design::TwipsRect& r) {
    f.setGeometryOf(w, r);
  }
};

/// Where a part of a scroll bar (an arrow, the track, the thumb) is drawn.
inline QRect SubControl(QScrollBar* bar, QStyle::SubControl which) {
  QStyleOptionSlider opt;
  opt.initFrom(bar);
  opt.subControls = QStyle::SC_All;
  opt.orientation = bar->orientation();
  opt.minimum = bar->minimum();
  opt.maximum = bar->maximum();
  opt.sliderPosition = bar->sliderPosition();
  opt.sliderValue = bar->value();
  opt.singleStep = bar->singleStep();
  opt.pageStep = bar->pageStep();
  opt.upsideDown = bar->invertedAppearance();
  return bar->style()->subControlRect(QStyle::CC_ScrollBar, &opt, which, bar);
}

/// A started window (load handler run, shown offscreen) and lookups by name.
class FormTest : public testing::Test {
 protected:
  void SetUp() override {
    form = std::make_unique<Form1>();
    form->FormLoad();
    form->resize(784, 584);
    form->show();
  }

  template <typename T = QWidget>
  T* Get(const QString& name) const {
    T* w = form->findChild<T*>(name);
    EXPECT_NE(w, nullptr) << name.toStdString();
    return w;
  }

  QString Text(const QString& name) const { return Get<QLineEdit>(name)->text(); }

  /// The 24 readout texts, bus by bus.
  QStringList Readouts() const {
    QStringList texts;
    for (const char* array : {"VHV_text", "VMV_Text", "VC1_Text", "VC2_Text"}) {
      for (int k = 0; k < 6; ++k) {
        texts << Text(QStringLiteral("%1(%2)").arg(QLatin1String(array)).arg(k));
      }
    }
    return texts;
  }

  /// What the core computes for the settings, as the 24 readout texts.
  static QStringList Expected(const FaultInputs& in) {
    QStringList texts;
    for (const PhaseTriple& bus : ComputeVoltages(in).busVoltages) {
      for (const std::string& t : ReadoutTexts(bus)) {
        texts << QString::fromStdString(t);
      }
    }
    return texts;
  }

  std::unique_ptr<Form1> form;
};

}  // namespace dipview::window

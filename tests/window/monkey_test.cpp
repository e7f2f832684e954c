// Random real input on the window: mouse and keys go to the window as the
// platform delivers them, and Qt finds the control under the pointer. After
// every event the readouts must be what the core computes for the state the
// controls show, read from the controls themselves.
//
// DIPVIEW_MONKEY_EVENTS sets the number of events (default 2000) and
// DIPVIEW_MONKEY_SEED the seed; scripts/monkey runs 100,000.

#include <cstdint>
#include <cstdlib>
#include <random>
#include <set>
#include <string>

#include <QApplication>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QWheelEvent>

#include "tests/window/form_fixture.h"

namespace dipview::window {
namespace {

unsigned long EnvNumber(const char* name, unsigned long fallback) {
  const char* text = std::getenv(name);
  return text != nullptr && *text != '\0' ? std::strtoul(text, nullptr, 10) : fallback;
}

class MonkeyTest : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    QApplication::setActiveWindow(form.get());
    window_ = form->windowHandle();
    ASSERT_NE(window_, nullptr);
    for (const char* name : {"Z12_Angle", "Z0_Angle", "ZF_Angle", "Proximity"}) {
      bars_.push_back(Get<QScrollBar>(name));
    }
    for (const char* name :
         {"Z12_Angle_Text", "Z0_Angle_Text", "ZF_Angle_Text", "Proximity_Text"}) {
      valueTexts_.push_back(Get<QLineEdit>(name));
    }
    auto options = [this](const char* array, int first, int count) {
      std::vector<QRadioButton*> group;
      for (int k = first; k < first + count; ++k) {
        group.push_back(Get<QRadioButton>(QStringLiteral("%1(%2)").arg(array).arg(k)));
      }
      return group;
    };
    z0Options_ = options("Z0_Z12_opt", 0, 6);
    zfOptions_ = options("ZF_Z12_opt", 0, 7);
    faultOptions_ = {Get<QRadioButton>("Single_Phase(0)"), Get<QRadioButton>("Phase_Phase(1)"),
                     Get<QRadioButton>("Three_Phase(2)")};
    for (const char* array : {"HV_MV_Trans", "MV_C1_Trans", "C1_C2_Trans"}) {
      transformerOptions_.push_back(options(array, 0, 2));
    }
    for (const char* array : {"VHV_text", "VMV_Text", "VC1_Text", "VC2_Text"}) {
      for (int k = 0; k < 6; ++k) {
        readouts_.push_back(Get<QLineEdit>(QStringLiteral("%1(%2)").arg(array).arg(k)));
      }
    }
  }

  // std::uniform_int_distribution gives other numbers with another standard
  // library; a modulo keeps a seed's events the same everywhere.
  unsigned Pick(unsigned n) { return static_cast<unsigned>(rng_() % n); }

  QPoint InWindow(QWidget* w, QPoint p) const { return w->mapTo(form.get(), p); }

  QPoint PointIn(QRect r) {
    return {r.left() + static_cast<int>(Pick(std::max(1, r.width()))),
            r.top() + static_cast<int>(Pick(std::max(1, r.height())))};
  }

  void Click(QWidget* w, QPoint p) {
    QTest::mouseClick(window_, Qt::LeftButton, Qt::NoModifier, InWindow(w, p));
  }

  void ClickBar() {
    static constexpr QStyle::SubControl kParts[] = {
        QStyle::SC_ScrollBarAddLine, QStyle::SC_ScrollBarSubLine, QStyle::SC_ScrollBarAddPage,
        QStyle::SC_ScrollBarSubPage};
    QScrollBar* bar = bars_[Pick(4)];
    const QStyle::SubControl part = kParts[Pick(4)];
    event_ = "click on " + bar->objectName().toStdString() + " part " + std::to_string(part);
    Click(bar, PointIn(SubControl(bar, part)));
  }

  // With tracking off, the value and its text change only at the release.
  void DragBar() {
    QScrollBar* bar = bars_[Pick(4)];
    event_ = "drag of " + bar->objectName().toStdString();
    const int passes = FormPeer::PassCount(*form);
    const QString text = valueTexts_[Index(bars_, bar)]->text();
    QPoint p = InWindow(bar, PointIn(SubControl(bar, QStyle::SC_ScrollBarSlider)));
    QTest::mousePress(window_, Qt::LeftButton, Qt::NoModifier, p);
    for (unsigned moves = 1 + Pick(5); moves > 0; --moves) {
      const int along = static_cast<int>(Pick(241)) - 120;
      const int across = static_cast<int>(Pick(41)) - 20;
      p += bar->orientation() == Qt::Vertical ? QPoint(across, along) : QPoint(along, across);
      // Within the window: Qt warns of a pointer outside it, though it follows one.
      p = QPoint(std::clamp(p.x(), 0, form->width() - 1), std::clamp(p.y(), 0, form->height() - 1));
      QTest::mouseMove(window_, p);
      ASSERT_EQ(FormPeer::PassCount(*form), passes) << event_;
      ASSERT_EQ(valueTexts_[Index(bars_, bar)]->text(), text) << event_;
    }
    QTest::mouseRelease(window_, Qt::LeftButton, Qt::NoModifier, p);
  }

  void WheelBar() {
    QScrollBar* bar = bars_[Pick(4)];
    event_ = "wheel on " + bar->objectName().toStdString();
    const QPointF p = bar->rect().center();
    QWheelEvent wheel(p, bar->mapToGlobal(p), QPoint(), QPoint(0, Pick(2) ? 120 : -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(bar, &wheel);
  }

  void KeyOnBar() {
    static constexpr Qt::Key kKeys[] = {Qt::Key_Up,    Qt::Key_Down,   Qt::Key_Left,
                                        Qt::Key_Right, Qt::Key_PageUp, Qt::Key_PageDown,
                                        Qt::Key_Home,  Qt::Key_End};
    QScrollBar* bar = bars_[Pick(4)];
    const Qt::Key key = kKeys[Pick(8)];
    event_ = "key " + std::to_string(key) + " on " + bar->objectName().toStdString();
    bar->setFocus(Qt::TabFocusReason);
    QTest::keyClick(window_, key);
  }

  void ClickOption() {
    std::vector<QRadioButton*> all = z0Options_;
    all.insert(all.end(), zfOptions_.begin(), zfOptions_.end());
    all.insert(all.end(), faultOptions_.begin(), faultOptions_.end());
    for (const auto& group : transformerOptions_) {
      all.insert(all.end(), group.begin(), group.end());
    }
    QRadioButton* option = all[Pick(static_cast<unsigned>(all.size()))];
    event_ = "click on " + option->objectName().toStdString();
    Click(option, PointIn(option->rect()));
  }

  // A readout keeps what is typed until the next pass; a value text is read-only.
  void Type() {
    static constexpr char kKeys[] = "0123456789.-+eENaIf x";
    const unsigned which = Pick(28);
    QLineEdit* box = which < 24 ? readouts_[which] : valueTexts_[which - 24];
    std::string text;
    for (unsigned n = 1 + Pick(6); n > 0; --n) {
      text += kKeys[Pick(sizeof kKeys - 1)];
    }
    event_ = "typing '" + text + "' into " + box->objectName().toStdString();
    Click(box, PointIn(box->rect()));
    for (char c : text) {
      QTest::keyClick(window_, c);
    }
    if (which < 24) {
      typed_.insert(which);
    }
  }

  template <typename T>
  static int Index(const std::vector<T*>& group, const T* w) {
    return static_cast<int>(std::find(group.begin(), group.end(), w) - group.begin());
  }

  static int Selected(const std::vector<QRadioButton*>& group) {
    int selected = -1;
    for (std::size_t k = 0; k < group.size(); ++k) {
      if (group[k]->isChecked()) {
        EXPECT_EQ(selected, -1) << "two options selected";
        selected = static_cast<int>(k);
      }
    }
    EXPECT_NE(selected, -1) << "no option selected";
    return std::max(selected, 0);
  }

  // From the scroll bars and options themselves, not through Form1::ReadInputs.
  FaultInputs ControlState() const {
    FaultInputs in;
    in.z12AngleDeg = design::kMaxAngle - bars_[0]->value();
    in.z0AngleDeg = design::kMaxAngle - bars_[1]->value();
    in.zfAngleDeg = design::kMaxAngle - bars_[2]->value();
    in.proximity = static_cast<std::int16_t>(bars_[3]->value());
    in.z0Ratio = design::kZ0Ratios[Selected(z0Options_)];
    in.zfRatio = design::kZfRatios[Selected(zfOptions_)];
    in.faultType = static_cast<FaultType>(Selected(faultOptions_));
    TransformerConnection* connections[] = {&in.hvMvConnection, &in.mvC1Connection,
                                            &in.c1C2Connection};
    for (int t = 0; t < 3; ++t) {
      *connections[t] = static_cast<TransformerConnection>(Selected(transformerOptions_[t]));
    }
    return in;
  }

  void Check(const FaultInputs& before, int passesBefore) {
    const FaultInputs state = ControlState();
    if (FormPeer::PassCount(*form) != passesBefore) {
      typed_.clear();
    } else {
      ASSERT_EQ(state, before) << event_ << ": the settings changed without a pass";
    }
    const int shown[4] = {static_cast<int>(state.z12AngleDeg), static_cast<int>(state.z0AngleDeg),
                          static_cast<int>(state.zfAngleDeg), state.proximity};
    for (int i = 0; i < 4; ++i) {
      ASSERT_EQ(valueTexts_[i]->text(), QString::number(shown[i])) << event_;
    }
    const QStringList expected = Expected(state);
    for (int k = 0; k < 24; ++k) {
      if (typed_.count(k) == 0) {
        const QString text = readouts_[k]->text();
        ASSERT_EQ(text, expected[k]) << event_ << ": " << readouts_[k]->objectName().toStdString();
        ASSERT_FALSE(text.contains("NaN") || text.contains("Inf")) << event_;
      }
    }
  }

  void Run(unsigned long events) {
    rng_.seed(static_cast<std::mt19937::result_type>(EnvNumber("DIPVIEW_MONKEY_SEED", 20240611)));
    for (unsigned long i = 0; i < events; ++i) {
      const FaultInputs before = ControlState();
      const int passes = FormPeer::PassCount(*form);
      switch (Pick(16)) {
        case 0:
        case 1:
        case 2:
        case 3:
          ClickBar();
          break;
        case 4:
        case 5:
          DragBar();
          break;
        case 6:
          WheelBar();
          break;
        case 7:
        case 8:
          KeyOnBar();
          break;
        case 9:
        case 10:
        case 11:
        case 12:
          ClickOption();
          break;
        default:
          Type();
          break;
      }
      ASSERT_FALSE(HasFatalFailure()) << "event " << i;
      // Now and then the window paints what the passes drew.
      if (i % 16 == 0) {
        form->repaint();
      }
      Check(before, passes);
      ASSERT_FALSE(HasFailure()) << "event " << i << ": " << event_;
    }
  }

  QWindow* window_ = nullptr;
  std::mt19937 rng_;
  std::string event_;
  std::set<int> typed_;
  std::vector<QScrollBar*> bars_;
  std::vector<QLineEdit*> valueTexts_;
  std::vector<QRadioButton*> z0Options_;
  std::vector<QRadioButton*> zfOptions_;
  std::vector<QRadioButton*> faultOptions_;
  std::vector<std::vector<QRadioButton*>> transformerOptions_;
  std::vector<QLineEdit*> readouts_;
};

TEST_F(MonkeyTest, ReadoutsFollowTheControlsThroughRandomInput) {
  Run(EnvNumber("DIPVIEW_MONKEY_EVENTS", 2000));
}

}  // namespace
}  // namespace dipview::window

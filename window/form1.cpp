#include "window/form1.h"

#include <charconv>
#include <cmath>

#include <QApplication>
#include <QFocusEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPaintEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QRadioButton>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QStyleFactory>

#include "compute/readout.h"
#include "window/diagrams.h"

namespace dipview::window {

namespace {

constexpr std::array<double, 7> kZfRatios = {3.0, 2.5, 2.0, 1.5, 1.0, 0.5, 0.0};
constexpr std::array<float, 6> kZ0Ratios = {3.0f, 2.5f, 2.0f, 1.5f, 1.0f, 0.5f};
const char* const kRatioCaptions[7] = {"3.0", "2.5", "2.0", "1.5", "1.0", "0.5", "0.0"};

// The original's default font is 8.25 point and its bold one 9.75 point, at
// 96 dots per inch: 11 and 13 pixels, whatever this screen claims.
QFont DefaultFont() {
  QFont font(QStringLiteral("Liberation Sans"));
  font.setPixelSize(11);
  return font;
}

QFont BoldFont() {
  QFont font(QStringLiteral("Liberation Sans"));
  font.setPixelSize(13);
  font.setBold(true);
  return font;
}

/// The angle scroll bars run from 90 at the top to 0 at the bottom; Qt's
/// range is 0..90 from the top, so the shown value is 90 minus Qt's.
int AngleValue(const QScrollBar* bar) {
  return 90 - bar->value();
}

/// An option button answers a click anywhere on it, not only on its caption,
/// and Tab into its group lands on the selected option.
class OptionButton : public QRadioButton {
 public:
  using QRadioButton::QRadioButton;

 protected:
  bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }

  void focusInEvent(QFocusEvent* event) override {
    QRadioButton::focusInEvent(event);
    if (isChecked() ||
        (event->reason() != Qt::TabFocusReason && event->reason() != Qt::BacktabFocusReason)) {
      return;
    }
    for (QRadioButton* sibling :
         parentWidget()->findChildren<QRadioButton*>(QString(), Qt::FindDirectChildrenOnly)) {
      if (sibling->isChecked()) {
        sibling->setFocus(event->reason());
        return;
      }
    }
  }
};

/// Keys move a scroll bar the way its arrows and track do: Down, Right and
/// Page Down towards the bottom or right end, Up, Left and Page Up back.
class ScrollBar : public QScrollBar {
 public:
  using QScrollBar::QScrollBar;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    switch (event->key()) {
      case Qt::Key_Down:
      case Qt::Key_Right:
        triggerAction(SliderSingleStepAdd);
        break;
      case Qt::Key_Up:
      case Qt::Key_Left:
        triggerAction(SliderSingleStepSub);
        break;
      case Qt::Key_PageDown:
        triggerAction(SliderPageStepAdd);
        break;
      case Qt::Key_PageUp:
        triggerAction(SliderPageStepSub);
        break;
      case Qt::Key_Home:
        triggerAction(SliderToMinimum);
        break;
      case Qt::Key_End:
        triggerAction(SliderToMaximum);
        break;
      default:
        QScrollBar::keyPressEvent(event);
        return;
    }
    event->accept();
  }
};

QString ShortestText(double value) {
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, value);
  return QString::fromLatin1(buf, static_cast<int>(res.ptr - buf));
}

}  // namespace

QRect ToPixelRect(const TwipsGeometry& g) {
  auto px = [](float twips) { return static_cast<int>(std::lround(twips / kTwipsPerPixel)); };
  return {px(g.left), px(g.top), px(g.width), px(g.height)};
}

QString WindowCaption() {
  return QStringLiteral(
      "DIPVIEW, Voltage Sags Due to Faults on Distribution Circuts, DIPVIEW developers, 2026");
}

namespace {

/// Fusion with option circles small enough for the original's 13-pixel-high
/// option buttons.
class WindowStyle : public QProxyStyle {
 public:
  WindowStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

  int pixelMetric(PixelMetric metric, const QStyleOption* option,
                  const QWidget* widget) const override {
    if (metric == PM_ExclusiveIndicatorWidth || metric == PM_ExclusiveIndicatorHeight) {
      return 12;
    }
    return QProxyStyle::pixelMetric(metric, option, widget);
  }
};

}  // namespace

void SetUpApplication() {
  // One style and palette everywhere, so that a picture made offscreen looks
  // like the window on any desktop.
  QApplication::setStyle(new WindowStyle);
  QApplication::setPalette(QApplication::style()->standardPalette());
  QApplication::setFont(DefaultFont());
}

Form1::Form1(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(WindowCaption());
  setFont(DefaultFont());
  QPalette pal = palette();
  pal.setColor(QPalette::Window, pal.color(QPalette::Button));
  setPalette(pal);
  drawState_.foreColor = pal.color(QPalette::ButtonText);
  drawState_.backColor = pal.color(QPalette::Button);
  resize(ToPixelRect({0, 0, kClientWidth, kClientHeight}).size());
  CreateControls();
  EnsureCanvas(ToPixelRect({0, 0, kFullWidth, kFullHeight}).size());
  ConnectHandlers();
}

Form1::~Form1() = default;

TwipsGeometry Form1::geometryOf(const QWidget* control) const {
  const auto it = geometry_.find(control);
  return it == geometry_.end() ? TwipsGeometry{} : it->second;
}

void Form1::setGeometryOf(QWidget* control, const TwipsGeometry& g) {
  geometry_[control] = g;
  control->setGeometry(ToPixelRect(g));
}

void Form1::SetLeft(QWidget* w, float v) {
  TwipsGeometry g = geometryOf(w);
  g.left = v;
  setGeometryOf(w, g);
}

void Form1::SetTop(QWidget* w, float v) {
  TwipsGeometry g = geometryOf(w);
  g.top = v;
  setGeometryOf(w, g);
}

QLabel* Form1::AddLabel(QWidget* parent, const char* name, TwipsGeometry g, const QString& text,
                        LabelStyle style) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setAlignment((style.centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop);
  // Transparent: the window under a label is always the button face, and the
  // frame lines of the input area stay visible.
  QPalette pal = label->palette();
  if (style.color.isValid()) {
    pal.setColor(QPalette::WindowText, style.color);
  }
  label->setPalette(pal);
  if (style.bold) {
    label->setFont(BoldFont());
  }
  setGeometryOf(label, g);
  if (style.hidden) {
    label->hide();
  }
  return label;
}

QLineEdit* Form1::AddTextBox(QWidget* parent, const QString& name, TwipsGeometry g, bool centred) {
  auto* box = new QLineEdit(QStringLiteral("Text1"), parent);
  box->setObjectName(name);
  box->setAlignment(centred ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter);
  box->setTextMargins(1, 0, 1, 0);
  setGeometryOf(box, g);
  return box;
}

QGroupBox* Form1::AddFrame(const char* name, TwipsGeometry g, const QString& caption, bool hidden) {
  auto* frame = new QGroupBox(caption, this);
  frame->setObjectName(QString::fromLatin1(name));
  frame->setAutoFillBackground(true);
  // The caption sits in the top edge of the frame, clear of the options
  // placed 240 twips below the frame's top.
  frame->setStyleSheet(
      QStringLiteral("QGroupBox { border: 1px solid palette(mid); margin-top: 6px; }"
                     "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
                     " left: 6px; padding: 0px 2px; }"));
  setGeometryOf(frame, g);
  if (hidden) {
    frame->hide();
  }
  return frame;
}

QRadioButton* Form1::AddOption(QWidget* parent, const QString& name, TwipsGeometry g,
                               const QString& caption) {
  auto* option = new OptionButton(caption, parent);
  option->setObjectName(name);
  setGeometryOf(option, g);
  return option;
}

QScrollBar* Form1::AddAngleScrollBar(const char* name, TwipsGeometry g) {
  auto* bar = new ScrollBar(Qt::Vertical, this);
  bar->setObjectName(QString::fromLatin1(name));
  bar->setRange(0, 90);
  bar->setValue(0);
  bar->setSingleStep(1);
  bar->setPageStep(10);
  // A drag changes nothing until the thumb is released.
  bar->setTracking(false);
  bar->setFocusPolicy(Qt::StrongFocus);
  setGeometryOf(bar, g);
  return bar;
}

void Form1::CreateControls() {
  AddLabel(this, "Top_Label", {240, 240, 4575, 255},
           QStringLiteral("Enter System and Fault Characteristics"), {true, false, false, {}});
  AddLabel(this, "Z12_Label", {120, 720, 855, 255}, QStringLiteral("Z12 Angle"),
           {false, true, false, {}});
  AddLabel(this, "Z0_Label", {1080, 720, 855, 255}, QStringLiteral("Z0 Angle"),
           {false, true, false, {}});
  AddLabel(this, "ZF_Label", {2040, 720, 855, 255}, QStringLiteral("ZF Angle"),
           {false, true, false, {}});
  z12AngleText_ = AddTextBox(this, QStringLiteral("Z12_Angle_Text"), {240, 960, 495, 285}, true);
  z0AngleText_ = AddTextBox(this, QStringLiteral("Z0_Angle_Text"), {1200, 960, 495, 285}, true);
  zfAngleText_ = AddTextBox(this, QStringLiteral("ZF_Angle_Text"), {2160, 960, 495, 285}, true);
  z12Angle_ = AddAngleScrollBar("Z12_Angle", {360, 1320, 255, 1455});
  z0Angle_ = AddAngleScrollBar("Z0_Angle", {1320, 1320, 255, 1455});
  zfAngle_ = AddAngleScrollBar("ZF_Angle", {2280, 1320, 255, 1455});

  QGroupBox* frame2 =
      AddFrame("Frame2(0)", {3000, 720, 975, 2055}, QStringLiteral("Z0 / Z12"), false);
  for (int k = 0; k < 6; ++k) {
    z0Z12Opt_[k] =
        AddOption(frame2, QStringLiteral("Z0_Z12_opt(%1)").arg(k),
                  {240, 240.0f + 240.0f * k, 615, 375}, QString::fromLatin1(kRatioCaptions[k]));
  }
  QGroupBox* frame3 =
      AddFrame("Frame3", {4080, 720, 1935, 2055}, QStringLiteral("ZF / Z12"), false);
  for (int k = 0; k < 7; ++k) {
    zfZ12Opt_[k] =
        AddOption(frame3, QStringLiteral("ZF_Z12_opt(%1)").arg(k),
                  {600, 240.0f + 240.0f * k, 735, 315}, QString::fromLatin1(kRatioCaptions[k]));
  }

  QGroupBox* frame4 = AddFrame("Frame4", {6120, 720, 3375, 975},
                               QStringLiteral("Relative Distance From Sub HV to Fault"), false);
  proximity_ = new ScrollBar(Qt::Horizontal, frame4);
  proximity_->setObjectName(QStringLiteral("Proximity"));
  proximity_->setRange(0, 100);
  proximity_->setValue(50);
  proximity_->setSingleStep(1);
  proximity_->setPageStep(10);
  proximity_->setTracking(false);
  proximity_->setFocusPolicy(Qt::StrongFocus);
  setGeometryOf(proximity_, {360, 240, 2535, 255});
  AddLabel(frame4, "Label3", {120, 600, 495, 255}, QStringLiteral("Close"));
  proximityText_ =
      AddTextBox(frame4, QStringLiteral("Proximity_Text"), {1320, 600, 495, 285}, true);
  AddLabel(frame4, "Label1", {2760, 600, 375, 255}, QStringLiteral("Far"));

  QGroupBox* frame1 = AddFrame("Frame1", {6120, 1800, 3375, 975},
                               QStringLiteral("Transmission System Fault Type"), false);
  singlePhase_ = AddOption(frame1, QStringLiteral("Single_Phase(0)"), {120, 240, 2775, 195},
                           QStringLiteral("Single Phase (Phase A)"));
  phasePhase_ = AddOption(frame1, QStringLiteral("Phase_Phase(1)"), {120, 480, 2775, 195},
                          QStringLiteral("Phase-to-Phase (Phase B to C)"));
  threePhase_ = AddOption(frame1, QStringLiteral("Three_Phase(2)"), {120, 720, 2775, 195},
                          QStringLiteral("Three Phase"));
  singlePhase_->setChecked(true);

  for (QLineEdit* box : {z12AngleText_, z0AngleText_, zfAngleText_, proximityText_}) {
    box->setReadOnly(true);
  }

  lines_ = {LineControl{120, 2880, 9600, 2880}, LineControl{120, 2880, 120, 120},
            LineControl{9600, 2880, 9600, 120}, LineControl{120, 120, 9600, 120}};

  voltageLabel_ = AddLabel(this, "Voltage_Label", {3960, 3000, 2535, 375},
                           QStringLiteral("Line-to-Neutral Voltages"), {true, true, true, {}});
  letterA_ = AddLabel(this, "Letter_A", {3240, 3000, 135, 375}, QStringLiteral("A"),
                      {true, false, true, kBlack});
  letterB_ = AddLabel(this, "Letter_B", {3480, 3000, 135, 375}, QStringLiteral("B"),
                      {true, false, true, kLightRed});
  letterC_ = AddLabel(this, "Letter_C", {3720, 3000, 135, 375}, QStringLiteral("C"),
                      {true, false, true, kLightBlue});
  hvLabel_ = AddLabel(this, "HV_Label", {120, 3360, 1335, 255}, QStringLiteral("Substation HV"),
                      {false, true, true, {}});
  mvLabel_ = AddLabel(this, "MV_Label", {2040, 3360, 2535, 255},
                      QStringLiteral("Substation MV and Along Feeder"), {false, true, true, {}});
  c1Label_ = AddLabel(this, "C1_Label", {5400, 3360, 1455, 255}, QStringLiteral("Customer Level 1"),
                      {false, true, true, {}});
  c2Label_ = AddLabel(this, "C2_Label", {7320, 3360, 1455, 255}, QStringLiteral("Customer Level 2"),
                      {false, true, true, {}});

  struct TransformerFrame {
    QGroupBox** frame;
    const char* name;
    const char* options;
    float left;
    std::array<QRadioButton*, 2>* buttons;
  };
  const TransformerFrame frames[3] = {{&hvMv_, "HV_MV", "HV_MV_Trans", 2040, &hvMvTrans_},
                                      {&mvC1_, "MV_C1", "MV_C1_Trans", 4440, &mvC1Trans_},
                                      {&c1C2_, "C1_C2", "C1_C2_Trans", 6720, &c1C2Trans_}};
  for (const TransformerFrame& t : frames) {
    *t.frame = AddFrame(t.name, {t.left, 5040, 855, 855}, QStringLiteral("Transf"), true);
    for (int k = 0; k < 2; ++k) {
      (*t.buttons)[k] =
          AddOption(*t.frame, QStringLiteral("%1(%2)").arg(QLatin1String(t.options)).arg(k),
                    {120, 240.0f + 240.0f * k, 615, 255},
                    k == 0 ? QStringLiteral("DY") : QStringLiteral("YY"));
    }
    (*t.buttons)[0]->setChecked(true);
  }

  AddLabel(this, "Label2", {10200, 0, 1215, 255}, QStringLiteral("V012 at Sub HV"));

  const char* const arrays[4] = {"VHV_text", "VMV_Text", "VC1_Text", "VC2_Text"};
  const float columns[4][2] = {{480, 1320}, {2880, 3720}, {5280, 6120}, {7560, 8400}};
  const float rows[3] = {7680, 8040, 8400};
  for (int bus = 0; bus < 4; ++bus) {
    for (int k = 0; k < 6; ++k) {
      const bool tall = bus == 0 && k != 2 && k != 4;
      readouts_[bus][k] =
          AddTextBox(this, QStringLiteral("%1(%2)").arg(QLatin1String(arrays[bus])).arg(k),
                     {columns[bus][k % 2], rows[k / 2], 735, tall ? 315.0f : 285.0f}, false);
    }
  }

  // Tab order follows the input area, then the diagram area, then the grid.
  QList<QWidget*> order = {z12Angle_, z0Angle_, zfAngle_};
  for (QRadioButton* b : z0Z12Opt_)
    order.append(b);
  for (QRadioButton* b : zfZ12Opt_)
    order.append(b);
  order.append({proximity_, singlePhase_, phasePhase_, threePhase_});
  for (auto* buttons : {&hvMvTrans_, &mvC1Trans_, &c1C2Trans_}) {
    for (QRadioButton* b : *buttons)
      order.append(b);
  }
  order.append({z12AngleText_, z0AngleText_, zfAngleText_, proximityText_});
  for (const auto& bus : readouts_) {
    for (QLineEdit* box : bus)
      order.append(box);
  }
  for (int i = 1; i < order.size(); ++i) {
    setTabOrder(order[i - 1], order[i]);
  }
  z12Angle_->setFocus(Qt::OtherFocusReason);
  DescribeForAccessibility();
}

void Form1::DescribeForAccessibility() {
  auto describe = [](QWidget* w, const QString& name, const QString& description) {
    w->setAccessibleName(name);
    w->setAccessibleDescription(description);
  };
  const QString angleHelp =
      QStringLiteral("%1 in degrees, 0 to 90; up raises it by 1, Page Up by 10");
  describe(z12Angle_, QStringLiteral("Z12 angle, degrees"),
           angleHelp.arg(QStringLiteral("Angle of the positive- and negative-sequence impedance")));
  describe(z0Angle_, QStringLiteral("Z0 angle, degrees"),
           angleHelp.arg(QStringLiteral("Angle of the zero-sequence impedance")));
  describe(zfAngle_, QStringLiteral("ZF angle, degrees"),
           angleHelp.arg(QStringLiteral("Angle of the fault impedance")));
  describe(proximity_, QStringLiteral("Relative distance from Substation HV to the fault, percent"),
           QStringLiteral("0 is close to Substation HV, 100 is far"));
  describe(z12AngleText_, QStringLiteral("Z12 angle value, degrees"),
           QStringLiteral("The value of the Z12 angle scroll bar"));
  describe(z0AngleText_, QStringLiteral("Z0 angle value, degrees"),
           QStringLiteral("The value of the Z0 angle scroll bar"));
  describe(zfAngleText_, QStringLiteral("ZF angle value, degrees"),
           QStringLiteral("The value of the ZF angle scroll bar"));
  describe(proximityText_, QStringLiteral("Relative distance value, percent"),
           QStringLiteral("The value of the relative distance scroll bar"));
  for (int k = 0; k < 6; ++k) {
    describe(z0Z12Opt_[k], QStringLiteral("Z0/Z12 ratio %1").arg(z0Z12Opt_[k]->text()),
             QStringLiteral("Magnitude of the zero-sequence impedance relative to Z12"));
  }
  for (int k = 0; k < 7; ++k) {
    describe(zfZ12Opt_[k], QStringLiteral("ZF/Z12 ratio %1").arg(zfZ12Opt_[k]->text()),
             QStringLiteral("Magnitude of the fault impedance relative to Z12"));
  }
  for (QRadioButton* b : {singlePhase_, phasePhase_, threePhase_}) {
    describe(b, QStringLiteral("Fault type: %1").arg(b->text()),
             QStringLiteral("Type of the fault on the transmission system"));
  }
  const QString transformers[3] = {QStringLiteral("Substation HV to Substation MV"),
                                   QStringLiteral("Substation MV to Customer Level 1"),
                                   QStringLiteral("Customer Level 1 to Customer Level 2")};
  const std::array<QRadioButton*, 2>* buttons[3] = {&hvMvTrans_, &mvC1Trans_, &c1C2Trans_};
  for (int t = 0; t < 3; ++t) {
    for (QRadioButton* b : *buttons[t]) {
      describe(b, QStringLiteral("Transformer %1: %2").arg(transformers[t], b->text()),
               QStringLiteral("Connection of the transformer from %1").arg(transformers[t]));
    }
  }
  const QString buses[4] = {QStringLiteral("Substation HV"),
                            QStringLiteral("Substation MV and Along Feeder"),
                            QStringLiteral("Customer Level 1"), QStringLiteral("Customer Level 2")};
  for (int bus = 0; bus < 4; ++bus) {
    for (int k = 0; k < 6; ++k) {
      const QChar phase = QChar(u'A' + k / 2);
      const bool magnitude = k % 2 == 0;
      describe(readouts_[bus][k],
               QStringLiteral("%1, phase %2 %3")
                   .arg(buses[bus], phase,
                        magnitude ? QStringLiteral("magnitude, per unit")
                                  : QStringLiteral("angle, degrees")),
               magnitude
                   ? QStringLiteral("Line-to-neutral voltage magnitude, cut to 0.001 per unit")
                   : QStringLiteral("Line-to-neutral voltage angle, cut to 0.1 degree"));
    }
  }
}

void Form1::ConnectHandlers() {
  connect(z12Angle_, &QScrollBar::valueChanged, this,
          [this] { OnAngleChange(z12Angle_, z12AngleText_); });
  connect(z0Angle_, &QScrollBar::valueChanged, this,
          [this] { OnAngleChange(z0Angle_, z0AngleText_); });
  connect(zfAngle_, &QScrollBar::valueChanged, this,
          [this] { OnAngleChange(zfAngle_, zfAngleText_); });
  connect(proximity_, &QScrollBar::valueChanged, this, [this](int value) {
    proximityText_->setText(QString::number(value));
    Recalculate();
  });
  auto connectOptions = [this](const auto& buttons) {
    for (QRadioButton* b : buttons) {
      connect(b, &QRadioButton::toggled, this, &Form1::OnOptionClick);
    }
  };
  connectOptions(z0Z12Opt_);
  connectOptions(zfZ12Opt_);
  connectOptions(std::array<QRadioButton*, 3>{singlePhase_, phasePhase_, threePhase_});
  connectOptions(hvMvTrans_);
  connectOptions(mvC1Trans_);
  connectOptions(c1C2Trans_);
}

void Form1::OnAngleChange(QScrollBar* bar, QLineEdit* text) {
  // The fault models read the angle from the text, so it is written first.
  text->setText(QString::number(AngleValue(bar)));
  Recalculate();
}

void Form1::OnOptionClick(bool checked) {
  // An option raises its Click when it becomes selected, by the user or by the program.
  if (!checked) {
    return;
  }
  if (std::find(z0Z12Opt_.begin(), z0Z12Opt_.end(), sender()) != z0Z12Opt_.end()) {
    z0RatioOverride_.reset();
  }
  if (std::find(zfZ12Opt_.begin(), zfZ12Opt_.end(), sender()) != zfZ12Opt_.end()) {
    zfRatioOverride_.reset();
  }
  Recalculate();
}

void Form1::FormLoad() {
  z12AngleText_->setText(QString::number(AngleValue(z12Angle_)));
  z0AngleText_->setText(QString::number(AngleValue(z0Angle_)));
  zfAngleText_->setText(QString::number(AngleValue(zfAngle_)));
  proximityText_->setText(QString::number(proximity_->value()));
  z0Z12Opt_[1]->setChecked(true);
  zfZ12Opt_[6]->setChecked(true);
}

FaultInputs Form1::ReadInputs() const {
  FaultInputs in;
  in.zfRatio = zfRatioOverride_.value_or(0.0);
  for (std::size_t i = 0; i < zfZ12Opt_.size(); ++i) {
    if (zfZ12Opt_[i]->isChecked()) {
      in.zfRatio = kZfRatios[i];
    }
  }
  in.z0Ratio = z0RatioOverride_.value_or(0.0f);
  for (std::size_t i = 0; i < z0Z12Opt_.size(); ++i) {
    if (z0Z12Opt_[i]->isChecked()) {
      in.z0Ratio = kZ0Ratios[i];
    }
  }
  if (phasePhase_->isChecked()) {
    in.faultType = FaultType::PhaseToPhase;
  }
  if (threePhase_->isChecked()) {
    in.faultType = FaultType::ThreePhase;
  }
  // The value texts are read-only and hold the scroll bars' values; should
  // one ever not read as a number, its scroll bar's value stands in.
  auto angle = [](const QLineEdit* text, const QScrollBar* bar) {
    bool ok = false;
    const double value = text->text().toDouble(&ok);
    return ok && std::isfinite(value) ? value : static_cast<double>(AngleValue(bar));
  };
  in.z12AngleDeg = angle(z12AngleText_, z12Angle_);
  in.zfAngleDeg = angle(zfAngleText_, zfAngle_);
  in.z0AngleDeg = angle(z0AngleText_, z0Angle_);
  in.proximity = static_cast<std::int16_t>(proximity_->value());
  auto connection = [](const std::array<QRadioButton*, 2>& buttons) {
    return buttons[0]->isChecked() ? TransformerConnection::DY : TransformerConnection::YY;
  };
  in.hvMvConnection = connection(hvMvTrans_);
  in.mvC1Connection = connection(mvC1Trans_);
  in.c1C2Connection = connection(c1C2Trans_);
  return in;
}

void Form1::EnsureCanvas(QSize logicalSize) {
  const qreal dpr = devicePixelRatioF();
  if (!canvas_.isNull() && canvas_.devicePixelRatio() == dpr &&
      canvas_.deviceIndependentSize().toSize().expandedTo(logicalSize) ==
          canvas_.deviceIndependentSize().toSize()) {
    return;
  }
  const QSize size = canvas_.isNull()
                         ? logicalSize
                         : canvas_.deviceIndependentSize().toSize().expandedTo(logicalSize);
  QImage grown(size * dpr, QImage::Format_RGB32);
  grown.setDevicePixelRatio(dpr);
  grown.fill(palette().color(QPalette::Button));
  if (!canvas_.isNull()) {
    QPainter p(&grown);
    p.drawImage(QPointF(0, 0), canvas_);
  }
  canvas_ = std::move(grown);
}

void Form1::LayoutDiagramArea(Surface& surface) {
  const LineControl& line1 = lines_[0];
  DrawState& st = surface.state();
  st.fillColor = palette().color(QPalette::Button);
  // The lower edge lies just below the drawing area, which clips it away.
  const float bottom =
      static_cast<float>((canvas_.deviceIndependentSize().height() + 1) * kTwipsPerPixel);
  surface.Box(line1.x1, line1.y1, line1.x2, bottom, st.foreColor);

  const float columnWidth = (line1.x2 - line1.x1) / 4.0f;
  const float radius = columnWidth / 2.0f - 300.0f;

  SetTop(voltageLabel_, line1.y1 + 100.0f);
  SetLeft(voltageLabel_, line1.x1 + (line1.x2 - line1.x1) / 2.0f - Width(voltageLabel_) / 2.0f +
                             5.0f * Width(letterA_) / 2.0f);
  SetLeft(letterA_, Left(voltageLabel_) - 5.0f * Width(letterA_));
  SetLeft(letterB_, Left(letterA_) + 1.5f * Width(letterA_));
  SetLeft(letterC_, Left(letterB_) + 1.5f * Width(letterA_));
  SetTop(letterA_, Top(voltageLabel_));
  SetTop(letterB_, Top(voltageLabel_));
  SetTop(letterC_, Top(voltageLabel_));
  for (QWidget* w : {static_cast<QWidget*>(voltageLabel_), static_cast<QWidget*>(letterA_),
                     static_cast<QWidget*>(letterB_), static_cast<QWidget*>(letterC_)}) {
    w->show();
  }

  SetLeft(hvLabel_, line1.x1 + columnWidth / 2.0f - Width(hvLabel_) / 2.0f);
  SetLeft(mvLabel_, line1.x1 + 3.0f * columnWidth / 2.0f - Width(mvLabel_) / 2.0f);
  SetLeft(c1Label_, line1.x1 + 5.0f * columnWidth / 2.0f - Width(c1Label_) / 2.0f);
  SetLeft(c2Label_, line1.x1 + 7.0f * columnWidth / 2.0f - Width(c2Label_) / 2.0f);
  SetTop(hvLabel_, Top(mvLabel_));
  SetTop(c1Label_, Top(mvLabel_));
  SetTop(c2Label_, Top(mvLabel_));
  for (QLabel* w : {hvLabel_, mvLabel_, c1Label_, c2Label_}) {
    w->show();
  }

  const float frameTop = Top(hvLabel_) + Height(hvLabel_) + 2.0f * radius;
  SetLeft(hvMv_, line1.x1 + columnWidth - Width(hvMv_) / 2.0f);
  SetTop(hvMv_, frameTop);
  SetLeft(mvC1_, line1.x1 + 2.0f * columnWidth - Width(mvC1_) / 2.0f);
  SetTop(mvC1_, frameTop);
  SetLeft(c1C2_, line1.x1 + 3.0f * columnWidth - Width(c1C2_) / 2.0f);
  SetTop(c1C2_, frameTop);
  for (QGroupBox* w : {hvMv_, mvC1_, c1C2_}) {
    w->show();
  }

  layout_.columnWidth = columnWidth;
  layout_.diagramRadius = radius;
  layout_.frameTop = frameTop;
}

void Form1::Recalculate() {
  ++passCount_;
  EnsureCanvas(size());
  QPainter painter(&canvas_);
  Surface surface(painter, drawState_);

  LayoutDiagramArea(surface);
  const float columnWidth = layout_.columnWidth;
  const float radius = layout_.diagramRadius;

  FaultInputs in = ReadInputs();
  // Each fault button is tested on its own; with none selected every voltage stays zero.
  PhaseTriple fault{};
  if (singlePhase_->isChecked()) {
    fault = FaultSinglePhase(in);
  }
  if (phasePhase_->isChecked()) {
    fault = FaultPhaseToPhase(in);
  }
  if (threePhase_->isChecked()) {
    fault = FaultThreePhase(in);
  }

  const LineControl& line1 = lines_[0];
  float cx = line1.x1 + columnWidth / 2.0f;
  const float cy = Top(hvLabel_) + Height(hvLabel_) + radius;
  const float firstCx = cx;
  const float y0 = Top(hvMv_) + Height(hvMv_) / 2.0f + kBarFullScale;
  layout_.firstCx = firstCx;
  layout_.cy = cy;
  layout_.barBase = y0;

  drawState_.fillStyle = FillStyle::Solid;
  PhaseTriple busVoltages{};
  for (int bus = 1; bus <= 4; ++bus) {
    DrawDiagramBackground(surface, cx, cy, radius);
    if (bus == 1) {
      busVoltages = fault;
      DrawSequenceDiagrams(surface, firstCx, columnWidth, radius, lines_[3].y1,
                           SequenceVoltages(busVoltages));
    }
    busVoltages = ApplyTransformer(static_cast<Bus>(bus), in, busVoltages);
    DrawPhasorLines(surface, cx, cy, radius, busVoltages);
    DrawMagnitudeBars(surface, cx, y0, busVoltages);
    cx += columnWidth;
    WriteReadouts(bus, busVoltages);
  }
  painter.end();
  update();
}

void Form1::WriteReadouts(int bus, const PhaseTriple& v) {
  const std::array<std::string, 6> texts = ReadoutTexts(v);
  for (int k = 0; k < 6; ++k) {
    readouts_[bus - 1][k]->setText(QString::fromStdString(texts[k]));
  }
}

void Form1::ApplySettings(const FaultInputs& in) {
  const QSignalBlocker blocks[] = {QSignalBlocker(z12Angle_), QSignalBlocker(z0Angle_),
                                   QSignalBlocker(zfAngle_), QSignalBlocker(proximity_)};
  auto setAngle = [](QScrollBar* bar, QLineEdit* text, double degrees) {
    bar->setValue(90 - static_cast<int>(std::lround(std::clamp(degrees, 0.0, 90.0))));
    text->setText(ShortestText(degrees));
  };
  setAngle(z12Angle_, z12AngleText_, in.z12AngleDeg);
  setAngle(z0Angle_, z0AngleText_, in.z0AngleDeg);
  setAngle(zfAngle_, zfAngleText_, in.zfAngleDeg);
  proximity_->setValue(in.proximity);
  proximityText_->setText(QString::number(in.proximity));

  auto select = [](QRadioButton* button) {
    const QSignalBlocker block(button);
    button->setChecked(true);
  };
  auto selectRatio = [&select](auto& buttons, const auto& table, auto value, auto& override) {
    override.reset();
    for (std::size_t i = 0; i < table.size(); ++i) {
      if (table[i] == value) {
        for (QRadioButton* b : buttons) {
          const QSignalBlocker block(b);
          b->setChecked(false);
        }
        select(buttons[i]);
        return;
      }
    }
    // No option offers this ratio: the group shows no selection.
    for (QRadioButton* b : buttons) {
      const QSignalBlocker block(b);
      b->setAutoExclusive(false);
      b->setChecked(false);
      b->setAutoExclusive(true);
    }
    override = value;
  };
  selectRatio(z0Z12Opt_, kZ0Ratios, in.z0Ratio, z0RatioOverride_);
  selectRatio(zfZ12Opt_, kZfRatios, in.zfRatio, zfRatioOverride_);
  for (QRadioButton* b : {singlePhase_, phasePhase_, threePhase_}) {
    const QSignalBlocker block(b);
    b->setChecked(false);
  }
  switch (in.faultType) {
    case FaultType::SinglePhase:
      select(singlePhase_);
      break;
    case FaultType::PhaseToPhase:
      select(phasePhase_);
      break;
    case FaultType::ThreePhase:
      select(threePhase_);
      break;
  }
  auto selectConnection = [&select](const std::array<QRadioButton*, 2>& buttons,
                                    TransformerConnection c) {
    select(buttons[c == TransformerConnection::DY ? 0 : 1]);
  };
  selectConnection(hvMvTrans_, in.hvMvConnection);
  selectConnection(mvC1Trans_, in.mvC1Connection);
  selectConnection(c1C2Trans_, in.c1C2Connection);
  Recalculate();
}

void Form1::paintEvent(QPaintEvent* event) {
  QPainter p(this);
  p.fillRect(event->rect(), palette().color(QPalette::Button));
  p.drawImage(QPointF(0, 0), canvas_);
  // Line controls are drawn over the window's drawing, in the default line colour.
  p.setPen(QPen(palette().color(QPalette::WindowText), 1));
  for (const LineControl& l : lines_) {
    p.drawLine(QPointF(l.x1 / kTwipsPerPixel, l.y1 / kTwipsPerPixel),
               QPointF(l.x2 / kTwipsPerPixel, l.y2 / kTwipsPerPixel));
  }
}

void Form1::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  EnsureCanvas(event->size());
}

void ShowAtStartUp(Form1& form) {
  const QRect stored = ToPixelRect({2490, 1695, Form1::kClientWidth, Form1::kClientHeight});
  const QSize full = ToPixelRect({0, 0, Form1::kFullWidth, Form1::kFullHeight}).size();
  const QScreen* screen = form.screen();
  const QRect available = screen ? screen->availableGeometry() : QRect(QPoint(0, 0), full);
  if (available.width() < full.width() || available.height() < full.height()) {
    form.showMaximized();
    return;
  }
  // The stored position, moved in just far enough to keep the grown window on the screen.
  QRect placed(available.topLeft() + stored.topLeft(), full);
  placed.moveRight(std::min(placed.right(), available.right()));
  placed.moveBottom(std::min(placed.bottom(), available.bottom()));
  form.resize(full);
  form.move(placed.topLeft());
  form.show();
}

}  // namespace dipview::window

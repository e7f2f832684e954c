#include "window/form1.h"

#include <charconv>
#include <cmath>

#include <QGroupBox>
#include <QLineEdit>
#include <QPaintEvent>
#include <QPainter>
#include <QRadioButton>
#include <QResizeEvent>
#include <QScrollBar>

#include "window/painter.h"
#include "window/widgets.h"

namespace dipview::window {

namespace {

/// The angle scroll bars run from kMaxAngle at the top to 0 at the bottom;
/// Qt's range grows from the top, so the shown value is kMaxAngle minus Qt's.
int AngleValue(const QScrollBar* bar) {
  return design::kMaxAngle - bar->value();
}

QString ShortestText(double value) {
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, value);
  return QString::fromLatin1(buf, static_cast<int>(res.ptr - buf));
}

design::Rgb ToRgb(const QColor& c) {
  return {static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
          static_cast<std::uint8_t>(c.blue())};
}

}  // namespace

QString WindowCaption() {
  return QString::fromUtf8(design::kWindowCaption.data(),
                           static_cast<qsizetype>(design::kWindowCaption.size()));
}

Form1::Form1(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(WindowCaption());
  setFont(DefaultFont());
  QPalette pal = palette();
  pal.setColor(QPalette::Window, pal.color(QPalette::Button));
  setPalette(pal);
  drawState_.foreColor = ToRgb(pal.color(QPalette::ButtonText));
  drawState_.backColor = ToRgb(pal.color(QPalette::Button));
  resize(ToPixelRect({0, 0, design::kClientWidth, design::kClientHeight}).size());
  CreateControls();
  EnsureCanvas(FullSize(zoom_));
  ConnectHandlers();
  SetToolTips();
  SetUpGettingOut();
}

Form1::~Form1() = default;

design::TwipsRect Form1::geometryOf(const QWidget* control) const {
  const auto it = geometry_.find(control);
  return it == geometry_.end() ? design::TwipsRect{} : it->second;
}

void Form1::setGeometryOf(QWidget* control, const design::TwipsRect& r) {
  geometry_[control] = r;
  control->setGeometry(ToPixelRect(r, zoom_));
}

QSize Form1::FullSize(double zoom) {
  return ToPixelRect({0, 0, design::kFullWidth, design::kFullHeight}, zoom).size();
}

void Form1::SetZoom(double zoom) {
  if (zoom == zoom_) {
    return;
  }
  zoom_ = zoom;
  setProperty(kZoomProperty, zoom);
  setFont(DefaultFont(zoom));
  // Every control gets its font itself: inside a styled frame a control does
  // not take a new font from the window.
  for (QWidget* control : findChildren<QWidget*>()) {
    control->setFont(control->font().bold() ? BoldFont(zoom) : DefaultFont(zoom));
    if (auto* frame = qobject_cast<QGroupBox*>(control)) {
      frame->setStyleSheet(FrameStyleSheet(zoom));
    }
  }
  for (const auto& [control, rect] : geometry_) {
    const_cast<QWidget*>(control)->setGeometry(ToPixelRect(rect, zoom));
  }
  SeparateAllOptionRows();
  // A new surface at the new size, painted from the last pass's list.
  canvas_ = QImage();
  EnsureCanvas(size());
  PaintCanvas();
  update();
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
  // Each option names its group, so the handler knows which ratio it sets.
  auto connectOptions = [this](const auto& buttons, OptionGroup group) {
    for (QRadioButton* b : buttons) {
      connect(b, &QRadioButton::toggled, this,
              [this, group](bool checked) { OnOptionClick(group, checked); });
    }
  };
  connectOptions(z0Z12Opt_, OptionGroup::Z0Ratio);
  connectOptions(zfZ12Opt_, OptionGroup::ZfRatio);
  connectOptions(faultOpt_, OptionGroup::Other);
  for (const auto& buttons : transOpt_) {
    connectOptions(buttons, OptionGroup::Other);
  }
}

void Form1::OnAngleChange(QScrollBar* bar, QLineEdit* text) {
  // The fault models read the angle from the text, so it is written first.
  text->setText(QString::number(AngleValue(bar)));
  Recalculate();
}

void Form1::OnOptionClick(OptionGroup group, bool checked) {
  // An option raises its Click when it becomes selected, by the user or by the program.
  if (!checked) {
    return;
  }
  if (group == OptionGroup::Z0Ratio) {
    z0RatioUnlisted_ = 0.0f;
  }
  if (group == OptionGroup::ZfRatio) {
    zfRatioUnlisted_ = 0.0;
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

design::ControlValues Form1::ReadControls() const {
  design::ControlValues v;
  auto checked = [](const auto& buttons) {
    std::array<bool, std::tuple_size_v<std::decay_t<decltype(buttons)>>> on{};
    for (std::size_t i = 0; i < buttons.size(); ++i) {
      on[i] = buttons[i]->isChecked();
    }
    return on;
  };
  v.selected.fault = checked(faultOpt_);
  v.selected.z0Z12 = checked(z0Z12Opt_);
  v.selected.zfZ12 = checked(zfZ12Opt_);
  for (int t = 0; t < 3; ++t) {
    v.selected.transformerDY[t] = transOpt_[t][0]->isChecked();
  }
  v.z0RatioUnlisted = z0RatioUnlisted_;
  v.zfRatioUnlisted = zfRatioUnlisted_;
  // The value texts are read-only and hold the scroll bars' values; should
  // one ever not read as a number, its scroll bar's value stands in.
  auto angle = [](const QLineEdit* text, const QScrollBar* bar) {
    bool ok = false;
    const double value = text->text().toDouble(&ok);
    return ok && std::isfinite(value) ? value : static_cast<double>(AngleValue(bar));
  };
  v.z12AngleDeg = angle(z12AngleText_, z12Angle_);
  v.zfAngleDeg = angle(zfAngleText_, zfAngle_);
  v.z0AngleDeg = angle(z0AngleText_, z0Angle_);
  v.proximity = static_cast<std::int16_t>(proximity_->value());
  return v;
}

FaultInputs Form1::ReadInputs() const {
  return design::SettingsOf(ReadControls());
}

void Form1::EnsureCanvas(QSize logicalSize) {
  const qreal dpr = devicePixelRatioF();
  logicalSize = logicalSize.expandedTo(FullSize(zoom_));
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

void Form1::Recalculate() {
  ++passCount_;
  EnsureCanvas(size());
  design::PassInputs in;
  in.controls = ReadControls();
  in.surfaceHeightPx = canvas_.deviceIndependentSize().height() / zoom_;
  for (std::size_t i = 0; i < design::kDiagramControls.size(); ++i) {
    in.layout.*design::kDiagramControls[i].rect = geometryOf(diagramControls_[i]);
  }

  design::RunPass(in, drawState_, pass_);

  for (std::size_t i = 0; i < design::kDiagramControls.size(); ++i) {
    setGeometryOf(diagramControls_[i], pass_.layout.*design::kDiagramControls[i].rect);
    diagramControls_[i]->show();
  }
  PaintCanvas();
  for (int bus = 0; bus < 4; ++bus) {
    for (int k = 0; k < 6; ++k) {
      readouts_[bus][k]->setText(QString::fromStdString(pass_.readouts[bus][k]));
    }
  }
  UpdateToolTips();
  update();
  Q_EMIT Recalculated();
}

void Form1::PaintCanvas() {
  QPainter painter(&canvas_);
  if (zoom_ != 1.0) {
    painter.scale(zoom_, zoom_);
  }
  PaintDrawing(painter, pass_.drawing);
}

void Form1::ApplySettings(const FaultInputs& in) {
  const QSignalBlocker blocks[] = {QSignalBlocker(z12Angle_), QSignalBlocker(z0Angle_),
                                   QSignalBlocker(zfAngle_), QSignalBlocker(proximity_)};
  auto setAngle = [](QScrollBar* bar, QLineEdit* text, double degrees) {
    const double clamped = std::clamp(degrees, 0.0, static_cast<double>(design::kMaxAngle));
    bar->setValue(design::kMaxAngle - static_cast<int>(std::lround(clamped)));
    text->setText(ShortestText(degrees));
  };
  setAngle(z12Angle_, z12AngleText_, in.z12AngleDeg);
  setAngle(z0Angle_, z0AngleText_, in.z0AngleDeg);
  setAngle(zfAngle_, zfAngleText_, in.zfAngleDeg);
  proximity_->setValue(in.proximity);
  proximityText_->setText(QString::number(in.proximity));

  // Selects exactly `button` of its group, or none when it is null.
  auto selectOnly = [](const auto& group, QRadioButton* button) {
    for (QRadioButton* b : group) {
      const QSignalBlocker block(b);
      b->setAutoExclusive(false);
      b->setChecked(b == button);
      b->setAutoExclusive(true);
    }
  };
  auto selectRatio = [&selectOnly](const auto& buttons, const auto& table, auto value,
                                   auto& unlisted) {
    const auto it = std::find(table.begin(), table.end(), value);
    // No option offers this ratio: the group shows no selection.
    unlisted = it == table.end() ? value : 0;
    selectOnly(buttons, it == table.end() ? nullptr : buttons[it - table.begin()]);
  };
  selectRatio(z0Z12Opt_, design::kZ0Ratios, in.z0Ratio, z0RatioUnlisted_);
  selectRatio(zfZ12Opt_, design::kZfRatios, in.zfRatio, zfRatioUnlisted_);
  QRadioButton* fault = nullptr;
  for (std::size_t i = 0; i < design::kFaultButtons.size(); ++i) {
    if (design::kFaultButtons[i] == in.faultType) {
      fault = faultOpt_[i];
    }
  }
  selectOnly(faultOpt_, fault);
  const TransformerConnection connections[3] = {in.hvMvConnection, in.mvC1Connection,
                                                in.c1C2Connection};
  for (int t = 0; t < 3; ++t) {
    selectOnly(transOpt_[t], transOpt_[t][connections[t] == TransformerConnection::DY ? 0 : 1]);
  }
  Recalculate();
}

void Form1::paintEvent(QPaintEvent* event) {
  QPainter p(this);
  p.fillRect(event->rect(), palette().color(QPalette::Button));
  p.drawImage(QPointF(0, 0), canvas_);
  // Line controls are drawn over the window's drawing, in the default line colour.
  p.setPen(QPen(palette().color(QPalette::WindowText), std::max(1L, std::lround(zoom_))));
  auto px = [this](float twips) { return twips * zoom_ / design::kTwipsPerPixel; };
  for (const design::Control& c : design::DesignTable()) {
    if (c.kind == design::ControlKind::Line) {
      p.drawLine(QPointF(px(c.ends.x1), px(c.ends.y1)), QPointF(px(c.ends.x2), px(c.ends.y2)));
    }
  }
}

void Form1::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  EnsureCanvas(event->size());
}

}  // namespace dipview::window

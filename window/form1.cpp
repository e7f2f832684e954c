#include "window/form1.h"

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

/// Qt's scroll-bar range grows from the top or left end; a design range that
/// falls from there is mirrored (see CreateControls).
int DesignValue(design::ScrollBarId bar, int qtValue) {
  const design::ScrollRange& r = design::FormModel::RangeOf(bar);
  return r.min > r.max ? r.min - qtValue : r.min + qtValue;
}

int QtValue(design::ScrollBarId bar, int designValue) {
  const design::ScrollRange& r = design::FormModel::RangeOf(bar);
  return r.min > r.max ? r.min - designValue : designValue - r.min;
}

QString ToQString(const std::string& s) {
  return QString::fromStdString(s);
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
  for (int k = 0; k < static_cast<int>(scrollBars_.size()); ++k) {
    const auto bar = static_cast<design::ScrollBarId>(k);
    connect(scrollBars_[k], &QScrollBar::valueChanged, this,
            [this, bar](int value) { OnScroll(bar, value); });
    // A value box set from outside is what the next pass reads.
    connect(valueBoxes_[k], &QLineEdit::textChanged, this,
            [this, bar](const QString& text) { form_.SetValueText(bar, text.toStdString()); });
  }
  // Qt reports both the option that loses its selection and the one that
  // takes it; the form model decides which runs a pass.
  for (int g = 0; g < static_cast<int>(design::kOptionGroupSizes.size()); ++g) {
    for (int k = 0; k < design::kOptionGroupSizes[g]; ++k) {
      const design::OptionRef option{.group = static_cast<design::OptionGroup>(g), .index = k};
      connect(options_[g][k], &QRadioButton::toggled, this, [this, option](bool checked) {
        if (form_.SetOption(option, checked)) {
          Recalculate();
        }
      });
    }
  }
}

void Form1::OnScroll(design::ScrollBarId bar, int qtValue) {
  if (form_.SetScrollValue(bar, DesignValue(bar, qtValue))) {
    valueBoxes_[static_cast<int>(bar)]->setText(ToQString(form_.ValueText(bar)));
    Recalculate();
  }
}

QRadioButton* Form1::ButtonOf(design::OptionRef option) const {
  return options_[static_cast<int>(option.group)][option.index];
}

void Form1::FormLoad() {
  form_.WriteValueTexts();
  for (int k = 0; k < static_cast<int>(valueBoxes_.size()); ++k) {
    valueBoxes_[k]->setText(ToQString(form_.ValueText(static_cast<design::ScrollBarId>(k))));
  }
  for (const design::OptionRef& option : design::FormModel::kLoadSelections) {
    ButtonOf(option)->setChecked(true);
  }
}

design::ControlValues Form1::ReadControls() {
  // What the controls show is what a pass reads, even where it was set
  // without raising a handler.
  for (int k = 0; k < static_cast<int>(scrollBars_.size()); ++k) {
    const auto bar = static_cast<design::ScrollBarId>(k);
    form_.RecordScrollValue(bar, DesignValue(bar, scrollBars_[k]->value()));
  }
  for (int g = 0; g < static_cast<int>(design::kAllFaultsGroupSizes.size()); ++g) {
    for (int k = 0; k < design::kAllFaultsGroupSizes[g]; ++k) {
      if (options_[g][k] != nullptr) {
        form_.Record({.group = static_cast<design::OptionGroup>(g), .index = k},
                     options_[g][k]->isChecked());
      }
    }
  }
  return form_.Values();
}

FaultInputs Form1::ReadInputs() {
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
  form_.Apply(in);
  ShowMode();
  ShowFormModel();
  Recalculate();
}

void Form1::ShowFormModel() {
  for (int k = 0; k < static_cast<int>(scrollBars_.size()); ++k) {
    const auto bar = static_cast<design::ScrollBarId>(k);
    const QSignalBlocker block(scrollBars_[k]);
    scrollBars_[k]->setValue(QtValue(bar, form_.ScrollValue(bar)));
    valueBoxes_[k]->setText(ToQString(form_.ValueText(bar)));
  }
  for (int g = 0; g < static_cast<int>(design::kAllFaultsGroupSizes.size()); ++g) {
    for (int k = 0; k < design::kAllFaultsGroupSizes[g]; ++k) {
      QRadioButton* b = options_[g][k];
      if (b == nullptr) {
        continue;
      }
      const QSignalBlocker block(b);
      // Without exclusivity for a moment: a group may show no selection.
      b->setAutoExclusive(false);
      b->setChecked(form_.IsSelected({.group = static_cast<design::OptionGroup>(g), .index = k}));
      b->setAutoExclusive(true);
    }
  }
}

void Form1::paintEvent(QPaintEvent* event) {
  QPainter p(this);
  p.fillRect(event->rect(), palette().color(QPalette::Button));
  p.drawImage(QPointF(0, 0), canvas_);
  if (labels_) {
    PaintLabels(p, design::Labels(pass_), zoom_);
  }
  // Line controls are drawn over the window's drawing, in the default line colour.
  p.setPen(QPen(palette().color(QPalette::WindowText), std::max(1L, std::lround(zoom_))));
  auto px = [this](float twips) { return twips * zoom_ / design::kTwipsPerPixel; };
  for (const design::Control& c : design::DesignTable(form_.Mode())) {
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

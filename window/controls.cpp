// The window's widgets, built from the design table, and their tab order.
#include <algorithm>
#include <cmath>
#include <optional>

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include "window/form1.h"
#include "window/painter.h"
#include "window/widgets.h"

namespace dipview::window {

namespace {

QString ToQString(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QWidget* MakeLabel(const design::Control& c, QWidget* parent) {
  auto* label = new QLabel(ToQString(c.caption), parent);
  label->setAlignment((c.centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop);
  // Transparent: the window under a label is always the button face, and the
  // frame lines of the input area stay visible.
  QPalette pal = label->palette();
  if (c.colour) {
    pal.setColor(QPalette::WindowText, ToQColor(*c.colour));
  }
  label->setPalette(pal);
  if (c.font == design::FontKind::Bold) {
    label->setFont(BoldFont());
  }
  return label;
}

QWidget* MakeTextBox(const design::Control& c, QWidget* parent) {
  auto* box = new QLineEdit(ToQString(c.caption), parent);
  box->setAlignment(c.centred ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter);
  box->setTextMargins(1, 0, 1, 0);
  box->setReadOnly(c.readOnly);
  return box;
}

QWidget* MakeFrame(const design::Control& c, QWidget* parent) {
  auto* frame = new QGroupBox(ToQString(c.caption), parent);
  frame->setAutoFillBackground(true);
  frame->setStyleSheet(FrameStyleSheet(1.0));
  return frame;
}

QWidget* MakeScrollBar(const design::Control& c, QWidget* parent) {
  const bool vertical = c.kind == design::ControlKind::VerticalScrollBar;
  auto* bar = new ScrollBar(vertical ? Qt::Vertical : Qt::Horizontal, parent);
  // Qt's range grows from the top or left end; a design range that falls
  // from there is mirrored, and ReadControls mirrors it back.
  const design::ScrollRange& s = c.scroll;
  const bool falling = s.min > s.max;
  bar->setRange(0, falling ? s.min - s.max : s.max - s.min);
  bar->setValue(falling ? s.min - s.value : s.value - s.min);
  bar->setSingleStep(s.smallChange);
  bar->setPageStep(s.largeChange);
  // A drag changes nothing until the thumb is released.
  bar->setTracking(false);
  bar->setFocusPolicy(Qt::StrongFocus);
  return bar;
}

}  // namespace

QString FrameStyleSheet(double zoom) {
  auto px = [zoom](int pixels) { return std::max(1L, std::lround(pixels * zoom)); };
  // The caption sits in the top edge of the frame, clear of the options
  // placed 240 twips below the frame's top.
  return QStringLiteral(
             "QGroupBox { border: %1px solid palette(mid); margin-top: %2px; }"
             "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
             " left: %2px; padding: 0px %3px; }")
      .arg(px(1))
      .arg(px(6))
      .arg(px(2));
}

QWidget* Form1::MakeControl(const design::Control& c, QWidget* parent) {
  QWidget* w = nullptr;
  switch (c.kind) {
    case design::ControlKind::Label:
      w = MakeLabel(c, parent);
      break;
    case design::ControlKind::TextBox:
      w = MakeTextBox(c, parent);
      break;
    case design::ControlKind::Frame:
      w = MakeFrame(c, parent);
      break;
    case design::ControlKind::OptionButton:
      w = new OptionButton(ToQString(c.caption), parent);
      break;
    case design::ControlKind::VerticalScrollBar:
    case design::ControlKind::HorizontalScrollBar:
      w = MakeScrollBar(c, parent);
      break;
    case design::ControlKind::Line:
      return nullptr;  // drawn by paintEvent
  }
  w->setObjectName(QString::fromStdString(c.name));
  setGeometryOf(w, c.rect);
  if (c.selected) {
    static_cast<QRadioButton*>(w)->setChecked(true);
  }
  if (!c.visible) {
    w->hide();
  }
  return w;
}

void Form1::CreateControls() {
  std::unordered_map<std::string_view, QWidget*> made;
  for (const design::Control& c : design::DesignTable()) {
    QWidget* parent = c.container.empty() ? this : made.at(c.container);
    if (QWidget* w = MakeControl(c, parent)) {
      made.emplace(c.name, w);
    }
  }

  auto get = [&made]<typename T>(T*& member, const std::string& name) {
    member = static_cast<T*>(made.at(name));
  };
  for (std::size_t k = 0; k < design::kScrollBarNames.size(); ++k) {
    get(scrollBars_[k], std::string(design::kScrollBarNames[k].bar));
    get(valueBoxes_[k], std::string(design::kScrollBarNames[k].text));
  }
  for (std::size_t g = 0; g < design::kOptionGroupSizes.size(); ++g) {
    for (int k = 0; k < design::kOptionGroupSizes[g]; ++k) {
      get(options_[g][k], design::OptionName(static_cast<design::OptionGroup>(g), k));
    }
  }
  for (std::size_t i = 0; i < design::kDiagramControls.size(); ++i) {
    get(diagramControls_[i], std::string(design::kDiagramControls[i].name));
  }
  for (int bus = 0; bus < 4; ++bus) {
    for (int k = 0; k < 6; ++k) {
      get(readouts_[bus][k], design::ElementName(design::kReadoutArrays[bus], k));
    }
  }
  SetTabOrder();
  SeparateAllOptionRows();
  scrollBars_[0]->setFocus(Qt::OtherFocusReason);
  DescribeForAccessibility();
}

void Form1::SeparateAllOptionRows() {
  for (QGroupBox* frame : findChildren<QGroupBox*>()) {
    SeparateOptionRows(frame);
  }
}

void Form1::CreateAllFaultsControls() {
  for (const design::Control& c : design::DesignTable(design::FormMode::AllFaults)) {
    const QString name = QString::fromStdString(c.name);
    if (c.kind == design::ControlKind::Line || findChild<QWidget*>(name) != nullptr) {
      continue;
    }
    QWidget* parent = c.container.empty() ? this : findChild<QWidget*>(ToQString(c.container));
    QWidget* w = MakeControl(c, parent);
    w->hide();
    w->setContextMenuPolicy(Qt::NoContextMenu);
    // Made after SetZoom ran: the font and frame of the zoom now.
    w->setFont(DefaultFont(zoom_));
    if (auto* frame = qobject_cast<QGroupBox*>(w)) {
      frame->setStyleSheet(FrameStyleSheet(zoom_));
    }
    if (const std::optional<design::OptionRef> option = design::OptionOf(c.name)) {
      auto* button = static_cast<QRadioButton*>(w);
      options_[static_cast<int>(option->group)][option->index] = button;
      connect(button, &QRadioButton::toggled, this, [this, option = *option](bool checked) {
        if (form_.SetOption(option, checked)) {
          Recalculate();
        }
      });
    }
  }
  allFaultsMade_ = true;
}

void Form1::ShowMode() {
  const design::FormMode mode = form_.Mode();
  if (allFaults_ != nullptr) {
    const QSignalBlocker block(allFaults_);
    allFaults_->setChecked(mode == design::FormMode::AllFaults);
  }
  if (mode == shownMode_) {
    return;
  }
  if (mode == design::FormMode::AllFaults && !allFaultsMade_) {
    CreateAllFaultsControls();
  }
  shownMode_ = mode;
  const std::vector<design::Control>& table = design::DesignTable(mode);
  for (const design::Control& c : design::DesignTable(design::FormMode::AllFaults)) {
    QWidget* w = findChild<QWidget*>(QString::fromStdString(c.name));
    if (w == nullptr) {
      continue;
    }
    const auto shown = std::find_if(table.begin(), table.end(),
                                    [&c](const design::Control& x) { return x.name == c.name; });
    if (shown == table.end()) {
      w->hide();
      continue;
    }
    const bool placedByPass =
        std::find(diagramControls_.begin(), diagramControls_.end(), w) != diagramControls_.end();
    if (placedByPass) {
      // The layout step places it; the mode sets its size.
      design::TwipsRect r = geometryOf(w);
      r.width = shown->rect.width;
      r.height = shown->rect.height;
      setGeometryOf(w, r);
    } else {
      setGeometryOf(w, shown->rect);
      w->setVisible(shown->visible);
    }
    if (auto* option = qobject_cast<QRadioButton*>(w)) {
      option->setText(ToQString(shown->caption));
    } else if (auto* frame = qobject_cast<QGroupBox*>(w)) {
      frame->setTitle(ToQString(shown->caption));
    }
  }
  SeparateAllOptionRows();
  SetTabOrder();
  SetToolTips();
  DescribeForAccessibility();
}

void Form1::SetMode(design::FormMode mode) {
  ReadControls();
  const bool changed = form_.SetMode(mode);
  ShowMode();
  if (changed) {
    ShowFormModel();
    Recalculate();
  }
}

void Form1::SetTabOrder() {
  // Tab order follows the input area, then the diagram area, then the grid.
  QWidget* previous = nullptr;
  for (const std::string& name : design::TabOrder(form_.Mode())) {
    QWidget* w = findChild<QWidget*>(QString::fromStdString(name));
    if (previous != nullptr && w != nullptr) {
      setTabOrder(previous, w);
    }
    previous = w != nullptr ? w : previous;
  }
}

}  // namespace dipview::window

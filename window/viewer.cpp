#include "window/viewer.h"

#include <algorithm>
#include <cmath>

#include <QKeySequence>
#include <QResizeEvent>
#include <QScreen>
#include <QShortcut>

#include "window/startup.h"

namespace dipview::window {

Viewer::Viewer(QWidget* parent) : QScrollArea(parent), form_(new Form1) {
  setWindowTitle(WindowCaption());
  setFrameShape(QFrame::NoFrame);
  setFocusPolicy(Qt::NoFocus);
  setAlignment(Qt::AlignCenter);
  setWidgetResizable(false);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, pal.color(QPalette::Button));
  setPalette(pal);
  QWidget* focused = form_->focusWidget();
  setWidget(form_);
  if (focused != nullptr) {
    focused->setFocus(Qt::OtherFocusReason);
  }
  resize(Form1::FullSize(1.0));

  auto onKeys = [this](std::initializer_list<QKeySequence> keys, auto action) {
    for (const QKeySequence& key : keys) {
      connect(new QShortcut(key, this), &QShortcut::activated, this, action);
    }
  };
  onKeys({QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)},
         [this] { ZoomIn(); });
  onKeys({QKeySequence(Qt::CTRL | Qt::Key_Minus)}, [this] { ZoomOut(); });
  onKeys({QKeySequence(Qt::CTRL | Qt::Key_0)}, [this] { SetFixedZoom(1.0); });
  onKeys({QKeySequence(Qt::Key_F11)}, [this] { ToggleFullScreen(); });
  onKeys({QKeySequence(Qt::Key_Escape)}, [this] {
    if (isFullScreen()) {
      ToggleFullScreen();
    }
  });
}

double Viewer::FitZoom() const {
  const QSize full = Form1::FullSize(1.0);
  const double fit = std::min(static_cast<double>(width()) / full.width(),
                              static_cast<double>(height()) / full.height());
  return std::clamp(fit, 1.0, kMaxZoom);
}

void Viewer::ApplyZoom(double zoom) {
  // Resized first, so that the new surface is made once at the new size.
  form_->resize(Form1::FullSize(zoom));
  form_->SetZoom(zoom);
}

void Viewer::SetFixedZoom(double zoom) {
  fixedZoom_ = std::clamp(zoom, kMinZoom, kMaxZoom);
  ApplyZoom(*fixedZoom_);
}

void Viewer::ZoomIn() {
  const double now = form_->Zoom();
  // Steps are compared with a margin, so that a fitted zoom just above a step
  // goes to the next one.
  const auto next = std::find_if(std::begin(kZoomSteps), std::end(kZoomSteps),
                                 [now](double step) { return step > now + 1e-9; });
  SetFixedZoom(next == std::end(kZoomSteps) ? kMaxZoom : *next);
}

void Viewer::ZoomOut() {
  const double now = form_->Zoom();
  const auto below = std::find_if(std::rbegin(kZoomSteps), std::rend(kZoomSteps),
                                  [now](double step) { return step < now - 1e-9; });
  SetFixedZoom(below == std::rend(kZoomSteps) ? kMinZoom : *below);
}

void Viewer::ToggleFullScreen() {
  if (isFullScreen()) {
    fixedZoom_ = beforeFullScreenZoom_;
    setWindowState(beforeFullScreen_);
    setGeometry(beforeFullScreenGeometry_);
    return;
  }
  beforeFullScreen_ = windowState();
  beforeFullScreenGeometry_ = geometry();
  beforeFullScreenZoom_ = fixedZoom_;
  // Without a window manager the state alone changes nothing on X11.
  if (const QScreen* where = screen()) {
    setGeometry(where->geometry());
  }
  setWindowState(windowState() | Qt::WindowFullScreen);
  show();
}

QSize Viewer::LargestSize() const {
  const QSize design = Form1::FullSize(kMaxZoom);
  const QScreen* where = screen();
  return where != nullptr ? design.expandedTo(where->virtualSize()) : design;
}

bool Viewer::event(QEvent* event) {
  if (event->type() != QEvent::Resize) {
    return QScrollArea::event(event);
  }
  // Given more (a program, or a desktop without a window manager, may set any
  // size), the window takes back the largest useful size before anything is
  // laid out or painted at the given one: 32767 x 32767 pixels take 4.3 GB.
  const QSize given = static_cast<QResizeEvent*>(event)->size();
  const QSize kept = given.boundedTo(LargestSize());
  if (kept == given) {
    return QScrollArea::event(event);
  }
  resize(kept);
  QResizeEvent taken(size(), given);
  return QScrollArea::event(&taken);
}

void Viewer::resizeEvent(QResizeEvent* event) {
  QScrollArea::resizeEvent(event);
  const QSize before = event->oldSize();
  const QSize now = event->size();
  const bool grew = before.isValid() && now != before && now.width() >= before.width() &&
                    now.height() >= before.height();
  if (fixedZoom_ && grew && FitZoom() > *fixedZoom_) {
    fixedZoom_.reset();
  }
  ApplyZoom(fixedZoom_.value_or(FitZoom()));
}

void ShowAtStartUp(Viewer& viewer, const ViewerOptions& options) {
  viewer.form().SetLabels(options.labels);
  if (options.zoom) {
    viewer.SetFixedZoom(*options.zoom);
  }
  const QSize size = Form1::FullSize(options.zoom.value_or(1.0));
  if (!options.fullScreen) {
    ShowAtStoredPlace(viewer, size);
    return;
  }
  // Placed first, so that leaving full screen gives the window it would have
  // opened as.
  if (const QRect placed = StoredPlace(viewer, size); !placed.isEmpty()) {
    viewer.setGeometry(placed);
  }
  viewer.ToggleFullScreen();
}

}  // namespace dipview::window

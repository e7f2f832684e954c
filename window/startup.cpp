#include "window/startup.h"

#include <algorithm>

#include <QScreen>

#include "window/form1.h"
#include "window/painter.h"

namespace dipview::window {

void ShowAtStartUp(Form1& form) {
  ShowAtStoredPlace(form, Form1::FullSize(1.0));
}

QRect StoredPlace(const QWidget& window, QSize size) {
  using namespace design;
  const QRect stored = ToPixelRect({kStartLeft, kStartTop, kClientWidth, kClientHeight});
  const QScreen* screen = window.screen();
  const QRect available = screen ? screen->availableGeometry() : QRect(QPoint(0, 0), size);
  if (available.width() < size.width() || available.height() < size.height()) {
    return {};
  }
  // The stored position, moved in just far enough to keep the grown window on the screen.
  QRect placed(available.topLeft() + stored.topLeft(), size);
  placed.moveRight(std::min(placed.right(), available.right()));
  placed.moveBottom(std::min(placed.bottom(), available.bottom()));
  return placed;
}

void ShowAtStoredPlace(QWidget& window, QSize size) {
  const QRect placed = StoredPlace(window, size);
  if (placed.isEmpty()) {
    window.showMaximized();
    return;
  }
  window.resize(size);
  window.move(placed.topLeft());
  window.show();
}

}  // namespace dipview::window

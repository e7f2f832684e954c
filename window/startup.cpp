#include "window/startup.h"

#include <algorithm>

#include <QScreen>

#include "window/form1.h"
#include "window/painter.h"

namespace dipview::window {

void ShowAtStartUp(Form1& form) {
  using namespace design;
  const QRect stored = ToPixelRect({kStartLeft, kStartTop, kClientWidth, kClientHeight});
  const QSize full = ToPixelRect({0, 0, kFullWidth, kFullHeight}).size();
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

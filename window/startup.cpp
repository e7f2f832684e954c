#include "window/startup.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include <QScreen>

#include "window/form1.h"
#include "window/painter.h"

namespace dipview::window {

namespace {

bool IsPrivateFolder(const char* path) {
  struct stat st {};
  return path != nullptr && path[0] == '/' && ::stat(path, &st) == 0 && S_ISDIR(st.st_mode) &&
         st.st_uid == ::getuid() && (st.st_mode & 07777) == 0700;
}

std::string g_ownRuntimeFolder;

}  // namespace

void EnsureRuntimeFolder() {
  if (IsPrivateFolder(std::getenv("XDG_RUNTIME_DIR"))) {
    return;
  }
  const std::string fallback = "/tmp/runtime-" + std::to_string(::getuid());
  ::mkdir(fallback.c_str(), 0700);  // may exist already; checked next
  if (IsPrivateFolder(fallback.c_str())) {
    ::setenv("XDG_RUNTIME_DIR", fallback.c_str(), 1);
    return;
  }
  std::string made = "/tmp/dipview-XXXXXX";
  if (::mkdtemp(made.data()) != nullptr) {
    g_ownRuntimeFolder = made;
    ::setenv("XDG_RUNTIME_DIR", made.c_str(), 1);
    std::atexit([] { ::rmdir(g_ownRuntimeFolder.c_str()); });
  }
}

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

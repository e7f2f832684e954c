#include <QApplication>
#include <QIcon>
#include <QString>

#include "window/form1.h"
#include "window/startup.h"
#include "window/widgets.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("DIPVIEW"));
  QApplication::setApplicationVersion(QStringLiteral("1.00"));
  // Lets a Wayland desktop find the launcher, and with it the icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("io.github.dipview.dipview"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/dipview.svg")));
  dipview::window::SetUpApplication();
  dipview::window::Form1 form;
  form.FormLoad();
  dipview::window::ShowAtStartUp(form);
  return QApplication::exec();
}

#include <QApplication>
#include <QIcon>
#include <QString>

#include "dipview/version.h"
#include "window/form1.h"
#include "window/startup.h"
#include "window/widgets.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromUtf8(dipview::kProductName));
  QApplication::setApplicationVersion(QString::fromUtf8(dipview::kVersionText));
  // Lets a Wayland desktop find the launcher, and with it the icon.
  QGuiApplication::setDesktopFileName(QString::fromUtf8(dipview::kAppId));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/dipview.svg")));
  dipview::window::SetUpApplication();
  dipview::window::Form1 form;
  form.FormLoad();
  dipview::window::ShowAtStartUp(form);
  return QApplication::exec();
}

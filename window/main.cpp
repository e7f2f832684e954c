#include <QApplication>

#include "window/form1.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  dipview::window::SetUpApplication();
  dipview::window::Form1 form;
  form.FormLoad();
  dipview::window::ShowAtStartUp(form);
  return QApplication::exec();
}

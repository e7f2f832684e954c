#include "window/picture.h"

#include <memory>

#include <QApplication>
#include <QFileInfo>
#include <QSaveFile>

#include "window/form1.h"

namespace dipview::window {

QImage RenderPicture(const FaultInputs& in) {
  Form1 form;
  form.setAttribute(Qt::WA_DontShowOnScreen);
  form.FormLoad();
  form.resize(ToPixelRect({0, 0, Form1::kFullWidth, Form1::kFullHeight}).size());
  form.show();
  form.ApplySettings(in);
  return form.grab().toImage();
}

bool SavePng(const QImage& image, const QString& path, QString* error) {
  const QFileInfo info(path);
  if (path.isEmpty() || info.isDir()) {
    *error = QStringLiteral("cannot write '%1': not a file name").arg(path);
    return false;
  }
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    *error = QStringLiteral("cannot write '%1': %2").arg(path, file.errorString());
    return false;
  }
  if (!image.save(&file, "PNG")) {
    file.cancelWriting();
    *error = QStringLiteral("cannot write '%1': PNG encoding failed").arg(path);
    return false;
  }
  if (!file.commit()) {
    *error = QStringLiteral("cannot write '%1': %2").arg(path, file.errorString());
    return false;
  }
  return true;
}

bool WritePictureFile(const FaultInputs& in, const std::string& path, int scale,
                      std::string& error) {
  std::unique_ptr<QApplication> app;
  if (QApplication::instance() == nullptr) {
    // No display is needed, and the density must be known before Qt starts.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_SCALE_FACTOR", QByteArray::number(scale));
    static int argc = 1;
    static char name[] = "dipview-calc";
    static char* argv[] = {name, nullptr};
    app = std::make_unique<QApplication>(argc, argv);
    SetUpApplication();
  }
  QString message;
  if (!SavePng(RenderPicture(in), QString::fromStdString(path), &message)) {
    error = message.toStdString();
    return false;
  }
  return true;
}

}  // namespace dipview::window

#include "window/picture.h"

#include <QBuffer>

#include "window/form1.h"

namespace dipview::window {

QImage RenderPicture(const FaultInputs& in, design::FormMode mode) {
  Form1 form;
  form.setAttribute(Qt::WA_DontShowOnScreen);
  form.FormLoad();
  form.SetMode(mode);
  form.resize(ToPixelRect({0, 0, Form1::kFullWidth, Form1::kFullHeight}).size());
  form.show();
  form.ApplySettings(in);
  return form.grab().toImage();
}

QByteArray EncodePng(const QImage& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  // Into memory nothing can fail but the allocation, which throws.
  image.save(&buffer, "PNG");
  return bytes;
}

}  // namespace dipview::window

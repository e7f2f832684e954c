#include "window/picture.h"

#include <QBuffer>

#include "window/form1.h"

namespace dipview::window {

QImage RenderPicture(const FaultInputs& in, const PictureOptions& options) {
  Form1 form;
  form.setAttribute(Qt::WA_DontShowOnScreen);
  form.FormLoad();
  form.SetMode(options.mode);
  form.SetZoom(options.zoom);
  form.SetLabels(options.labels);
  form.resize(Form1::FullSize(options.zoom));
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

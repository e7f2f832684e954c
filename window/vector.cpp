// The window as a vector drawing: the drawing list and the controls, painted
// onto any QPainter, and as SVG.
#include <algorithm>

#include <QBuffer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QSvgGenerator>

#include "window/form1.h"
#include "window/picture.h"

namespace dipview::window {

namespace {

QRectF ToPixels(const design::TwipsRect& r) {
  const double k = design::kTwipsPerPixel;
  return {r.left / k, r.top / k, r.width / k, r.height / k};
}

/// Size in pixels of an option button's circle and of its dot.
constexpr double kOptionRadius = 5.5;
constexpr double kOptionDot = 2.5;
/// Where a frame's outline starts below its top, clear of the caption.
constexpr double kFrameCaptionDrop = 6.0;

void PaintScrollBar(QPainter& p, const QScrollBar& bar, const QRectF& r) {
  const QPalette& pal = bar.palette();
  p.setPen(QPen(pal.color(QPalette::Mid), 1));
  p.setBrush(pal.color(QPalette::Midlight));
  p.drawRect(r);
  // Arrows at both ends as squares; the thumb in between shows the value.
  const bool vertical = bar.orientation() == Qt::Vertical;
  const double across = vertical ? r.width() : r.height();
  const double along = vertical ? r.height() : r.width();
  const double track = std::max(0.0, along - 2 * across);
  const int range = bar.maximum() - bar.minimum();
  const double thumb =
      std::max(across / 2, track * bar.pageStep() / std::max(1, range + bar.pageStep()));
  const double at = across + (range == 0 ? 0.0
                                         : (track - thumb) * (bar.value() - bar.minimum()) /
                                               static_cast<double>(range));
  p.setBrush(pal.color(QPalette::Button));
  auto part = [&](double from, double length) {
    p.drawRect(vertical ? QRectF(r.left(), r.top() + from, across, length)
                        : QRectF(r.left() + from, r.top(), length, across));
  };
  part(0, across);
  part(along - across, across);
  part(at, thumb);
}

}  // namespace

void Form1::PaintVector(QPainter& p) const {
  p.fillRect(ToPixels({0, 0, design::kFullWidth, design::kFullHeight}),
             palette().color(QPalette::Button));
  PaintDrawing(p, pass_.drawing);
  p.setRenderHint(QPainter::Antialiasing, false);
  const QColor text = palette().color(QPalette::WindowText);
  for (const design::Control& c : design::DesignTable(form_.Mode())) {
    if (c.kind == design::ControlKind::Line) {
      p.setPen(QPen(text, 1));
      p.drawLine(QPointF(c.ends.x1, c.ends.y1) / design::kTwipsPerPixel,
                 QPointF(c.ends.x2, c.ends.y2) / design::kTwipsPerPixel);
      continue;
    }
    const QWidget* w = findChild<QWidget*>(QString::fromStdString(c.name));
    if (w == nullptr || w->isHidden()) {
      continue;
    }
    design::TwipsRect twips = geometryOf(w);
    if (w->parentWidget() != this) {
      const design::TwipsRect frame = geometryOf(w->parentWidget());
      twips.left += frame.left;
      twips.top += frame.top;
    }
    const QRectF r = ToPixels(twips);
    p.setFont(w->font());
    p.setBrush(Qt::NoBrush);
    switch (c.kind) {
      case design::ControlKind::Label: {
        const auto* label = static_cast<const QLabel*>(w);
        p.setPen(label->palette().color(QPalette::WindowText));
        p.drawText(r, static_cast<int>(label->alignment()), label->text());
        break;
      }
      case design::ControlKind::TextBox: {
        const auto* box = static_cast<const QLineEdit*>(w);
        p.setPen(QPen(box->palette().color(QPalette::Mid), 1));
        p.setBrush(box->palette().color(QPalette::Base));
        p.drawRect(r);
        p.setPen(box->palette().color(QPalette::Text));
        p.drawText(r.adjusted(2, 0, -2, 0), static_cast<int>(box->alignment()), box->text());
        break;
      }
      case design::ControlKind::Frame: {
        const auto* frame = static_cast<const QGroupBox*>(w);
        p.fillRect(r, frame->palette().color(QPalette::Button));
        p.setPen(QPen(frame->palette().color(QPalette::Mid), 1));
        p.drawRect(r.adjusted(0, kFrameCaptionDrop, 0, 0));
        const QFontMetricsF metrics(frame->font());
        const QRectF caption(r.left() + 6, r.top(), metrics.horizontalAdvance(frame->title()) + 4,
                             metrics.height());
        p.fillRect(caption, frame->palette().color(QPalette::Button));
        p.setPen(frame->palette().color(QPalette::WindowText));
        p.drawText(caption, Qt::AlignCenter, frame->title());
        break;
      }
      case design::ControlKind::OptionButton: {
        const auto* option = static_cast<const QRadioButton*>(w);
        const QPointF centre(r.left() + kOptionRadius + 1, r.center().y());
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(QPen(option->palette().color(QPalette::Dark), 1));
        p.setBrush(option->palette().color(QPalette::Base));
        p.drawEllipse(centre, kOptionRadius, kOptionRadius);
        if (option->isChecked()) {
          p.setPen(Qt::NoPen);
          p.setBrush(option->palette().color(QPalette::Text));
          p.drawEllipse(centre, kOptionDot, kOptionDot);
        }
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(option->palette().color(QPalette::WindowText));
        p.drawText(r.adjusted(2 * kOptionRadius + 5, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                   option->text());
        break;
      }
      case design::ControlKind::VerticalScrollBar:
      case design::ControlKind::HorizontalScrollBar:
        PaintScrollBar(p, *static_cast<const QScrollBar*>(w), r);
        break;
      case design::ControlKind::Line:
        break;
    }
  }
  if (labels_) {
    PaintLabels(p, design::Labels(pass_));
  }
}

QByteArray RenderSvg(const FaultInputs& in, const PictureOptions& options) {
  Form1 form;
  form.FormLoad();
  form.SetMode(options.mode);
  form.SetLabels(options.labels);
  form.ApplySettings(in);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  const QSize size = ToPixelRect({0, 0, Form1::kFullWidth, Form1::kFullHeight}).size();
  QSvgGenerator svg;
  svg.setOutputDevice(&buffer);
  svg.setSize(size);
  svg.setViewBox(QRect(QPoint(0, 0), size));
  svg.setResolution(96);
  svg.setTitle(WindowCaption());
  QPainter painter(&svg);
  form.PaintVector(painter);
  painter.end();
  return bytes;
}

}  // namespace dipview::window

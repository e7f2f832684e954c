#include "window/widgets.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QProxyStyle>
#include <QStyleFactory>

#include "design/constants.h"

namespace dipview::window {

namespace {

QFont DesignFont(int pixels, bool bold) {
  QFont font(QString::fromUtf8(design::kFontFamily.data(),
                               static_cast<qsizetype>(design::kFontFamily.size())));
  font.setPixelSize(pixels);
  if (bold) {
    font.setBold(true);
  }
  return font;
}

/// Fusion with option circles small enough for the 13-pixel-high option
/// buttons of the design.
class WindowStyle : public QProxyStyle {
 public:
  WindowStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

  int pixelMetric(PixelMetric metric, const QStyleOption* option,
                  const QWidget* widget) const override {
    if (metric == PM_ExclusiveIndicatorWidth || metric == PM_ExclusiveIndicatorHeight) {
      return 12;
    }
    return QProxyStyle::pixelMetric(metric, option, widget);
  }
};

}  // namespace

QFont DefaultFont() {
  return DesignFont(design::kDefaultFontPixels, false);
}

QFont BoldFont() {
  return DesignFont(design::kBoldFontPixels, true);
}

void SetUpApplication() {
  // One style and palette everywhere, so that a picture made offscreen looks
  // like the window on any desktop.
  QApplication::setStyle(new WindowStyle);
  QApplication::setPalette(QApplication::style()->standardPalette());
  QApplication::setFont(DefaultFont());
}

void OptionButton::focusInEvent(QFocusEvent* event) {
  QRadioButton::focusInEvent(event);
  if (isChecked() ||
      (event->reason() != Qt::TabFocusReason && event->reason() != Qt::BacktabFocusReason)) {
    return;
  }
  for (QRadioButton* sibling :
       parentWidget()->findChildren<QRadioButton*>(QString(), Qt::FindDirectChildrenOnly)) {
    if (sibling->isChecked()) {
      sibling->setFocus(event->reason());
      return;
    }
  }
}

void ScrollBar::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Down:
    case Qt::Key_Right:
      triggerAction(SliderSingleStepAdd);
      break;
    case Qt::Key_Up:
    case Qt::Key_Left:
      triggerAction(SliderSingleStepSub);
      break;
    case Qt::Key_PageDown:
      triggerAction(SliderPageStepAdd);
      break;
    case Qt::Key_PageUp:
      triggerAction(SliderPageStepSub);
      break;
    case Qt::Key_Home:
      triggerAction(SliderToMinimum);
      break;
    case Qt::Key_End:
      triggerAction(SliderToMaximum);
      break;
    default:
      QScrollBar::keyPressEvent(event);
      return;
  }
  event->accept();
}

}  // namespace dipview::window

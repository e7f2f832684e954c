#include "window/widgets.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOptionSlider>

#include <cmath>

#include "design/constants.h"
#include "design/form.h"

namespace dipview::window {

QFont DesignFont(int pixels, bool bold, double zoom) {
  QFont font(QString::fromUtf8(design::kFontFamily.data(),
                               static_cast<qsizetype>(design::kFontFamily.size())));
  font.setPixelSize(static_cast<int>(std::lround(pixels * zoom)));
  if (bold) {
    font.setBold(true);
  }
  return font;
}

namespace {

/// The zoom of the nearest widget, from `widget` up, that has one; 1 for none.
double ZoomOf(const QWidget* widget) {
  for (const QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
    if (const QVariant zoom = w->property(kZoomProperty); zoom.isValid()) {
      return zoom.toDouble();
    }
  }
  return 1.0;
}

int Scaled(int pixels, double zoom) {
  return zoom == 1.0 ? pixels : static_cast<int>(std::lround(pixels * zoom));
}

/// Fusion with option circles small enough for the 13-pixel-high option
/// buttons of the design, and with option circles and scroll-bar arrows that
/// grow with the zoom of the widget they are drawn for.
class WindowStyle : public QProxyStyle {
 public:
  WindowStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

  int pixelMetric(PixelMetric metric, const QStyleOption* option,
                  const QWidget* widget) const override {
    switch (metric) {
      case PM_ExclusiveIndicatorWidth:
      case PM_ExclusiveIndicatorHeight:
        return Scaled(12, ZoomOf(widget));
      case PM_RadioButtonLabelSpacing:
      case PM_ScrollBarExtent:
      case PM_ScrollBarSliderMin:
        return Scaled(QProxyStyle::pixelMetric(metric, option, widget), ZoomOf(widget));
      default:
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
  }

  /// Zoomed, a scroll bar's arrows grow with it and are drawn in the full
  /// text colour: Fusion keeps them 8 pixels wide and greyed at any size.
  void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                          QPainter* painter, const QWidget* widget) const override {
    const double zoom = ZoomOf(widget);
    const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
    if (control != CC_ScrollBar || zoom == 1.0 || bar == nullptr) {
      QProxyStyle::drawComplexControl(control, option, painter, widget);
      return;
    }
    QStyleOptionSlider faded = *bar;
    // Fusion's own arrows vanish into the buttons, under the ones drawn here.
    faded.palette.setColor(QPalette::WindowText, faded.palette.color(QPalette::Button));
    QProxyStyle::drawComplexControl(control, &faded, painter, widget);
    const bool vertical = bar->orientation == Qt::Vertical;
    // Fusion's arrow at 100%: 8 pixels across, 8 * 8 / 14 along.
    const double across = 8.0 * zoom;
    const double along = across * 8.0 / 14.0;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, true);
    painter->setPen(Qt::NoPen);
    painter->setBrush(bar->palette.color(QPalette::WindowText));
    for (const SubControl part : {SC_ScrollBarSubLine, SC_ScrollBarAddLine}) {
      const QPointF c = QRectF(subControlRect(control, option, part, widget)).center();
      // Pointing to the end of the bar the button is at.
      const double tip = part == SC_ScrollBarSubLine ? -along / 2 : along / 2;
      const QPolygonF triangle =
          vertical
              ? QPolygonF({QPointF(c.x() - across / 2, c.y() - tip),
                           QPointF(c.x() + across / 2, c.y() - tip), QPointF(c.x(), c.y() + tip)})
              : QPolygonF({QPointF(c.x() - tip, c.y() - across / 2),
                           QPointF(c.x() - tip, c.y() + across / 2), QPointF(c.x() + tip, c.y())});
      painter->drawPolygon(triangle);
    }
    painter->restore();
  }
};

}  // namespace

QFont DefaultFont(double zoom) {
  return DesignFont(design::kDefaultFontPixels, false, zoom);
}

QFont BoldFont(double zoom) {
  return DesignFont(design::kBoldFontPixels, true, zoom);
}

void SetUpApplication() {
  // One style and palette everywhere, so that a picture made offscreen looks
  // like the window on any desktop.
  QApplication::setStyle(new WindowStyle);
  QApplication::setPalette(QApplication::style()->standardPalette());
  QApplication::setFont(DefaultFont());
}

bool OptionButton::hitButton(const QPoint& pos) const {
  return mask().isEmpty() ? rect().contains(pos) : mask().contains(pos);
}

void SeparateOptionRows(QWidget* container) {
  const QList<OptionButton*> options =
      container->findChildren<OptionButton*>(QString(), Qt::FindDirectChildrenOnly);
  for (OptionButton* option : options) {
    const QRect own = option->geometry();
    QRegion keep(own);
    for (const OptionButton* other : options) {
      const QRect shared = own & other->geometry();
      // A hidden option (of the all-faults form) takes no clicks.
      if (other == option || shared.isEmpty() || other->isHidden()) {
        continue;
      }
      // Twice the centres, so that the midpoint between them is whole or half.
      const int ownCentre2 = 2 * own.top() + own.height();
      const int otherCentre2 = 2 * other->geometry().top() + other->geometry().height();
      if (ownCentre2 == otherCentre2) {
        continue;
      }
      // Pixel rows whose middle lies nearer the other row are given up; a row
      // just between the two goes to the lower option.
      const int split = (ownCentre2 + otherCentre2) / 4;
      QRect lost = shared;
      if (otherCentre2 > ownCentre2) {
        lost.setTop(std::max(lost.top(), split));
      } else {
        lost.setBottom(std::min(lost.bottom(), split - 1));
      }
      keep -= QRegion(lost);
    }
    keep.translate(-own.topLeft());
    if (keep == QRegion(option->rect())) {
      option->clearMask();
    } else {
      option->setMask(keep);
    }
  }
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
  // The form model says what a key does, by the key's name as a browser gives it.
  std::string_view name;
  switch (event->key()) {
    case Qt::Key_Up:
      name = "ArrowUp";
      break;
    case Qt::Key_Down:
      name = "ArrowDown";
      break;
    case Qt::Key_Left:
      name = "ArrowLeft";
      break;
    case Qt::Key_Right:
      name = "ArrowRight";
      break;
    case Qt::Key_PageUp:
      name = "PageUp";
      break;
    case Qt::Key_PageDown:
      name = "PageDown";
      break;
    case Qt::Key_Home:
      name = "Home";
      break;
    case Qt::Key_End:
      name = "End";
      break;
    default:
      break;
  }
  // Qt's range grows from the back end (the top or the left), as Back and Forward count.
  switch (design::ScrollActionOfKey(name)) {
    case design::ScrollAction::LineBack:
      triggerAction(SliderSingleStepSub);
      break;
    case design::ScrollAction::LineForward:
      triggerAction(SliderSingleStepAdd);
      break;
    case design::ScrollAction::PageBack:
      triggerAction(SliderPageStepSub);
      break;
    case design::ScrollAction::PageForward:
      triggerAction(SliderPageStepAdd);
      break;
    case design::ScrollAction::ToMin:
      triggerAction(SliderToMinimum);
      break;
    case design::ScrollAction::ToMax:
      triggerAction(SliderToMaximum);
      break;
    case design::ScrollAction::None:
      QScrollBar::keyPressEvent(event);
      return;
  }
  event->accept();
}

void ScrollBar::paintEvent(QPaintEvent* event) {
  QScrollBar::paintEvent(event);
  if (!hasFocus()) {
    return;
  }
  // The style marks no focus on a scroll bar: a frame in the highlight colour
  // along its edge, as wide as one design pixel at the widget's zoom.
  const int width = std::max(1, Scaled(1, ZoomOf(this)));
  QPainter p(this);
  p.setPen(Qt::NoPen);
  p.setBrush(palette().color(QPalette::Highlight));
  const QRect r = rect();
  p.drawRect(r.left(), r.top(), r.width(), width);
  p.drawRect(r.left(), r.bottom() - width + 1, r.width(), width);
  p.drawRect(r.left(), r.top(), width, r.height());
  p.drawRect(r.right() - width + 1, r.top(), width, r.height());
}

}  // namespace dipview::window

#pragma once

#include <QFont>
#include <QRadioButton>
#include <QScrollBar>

namespace dipview::window {

/// The window's fonts: the default and the bold one of the design, at
/// `zoom` times their design size (whole pixels).
QFont DefaultFont(double zoom = 1.0);
QFont BoldFont(double zoom = 1.0);
/// The window's font family at `pixels` times `zoom` (whole pixels).
QFont DesignFont(int pixels, bool bold, double zoom = 1.0);

/// The dynamic property that holds a widget tree's zoom factor (1 = design
/// size). The window's style reads it from the widget or its nearest ancestor
/// and scales its option circles and scroll-bar arrows with it.
inline constexpr char kZoomProperty[] = "dipviewZoom";

/// Style, palette and fonts shared by the window, its pictures and its tests.
void SetUpApplication();

/// An option button answers a click anywhere in its row, not only on its
/// caption, and Tab into its group lands on the selected option.
class OptionButton : public QRadioButton {
 public:
  using QRadioButton::QRadioButton;

 protected:
  bool hitButton(const QPoint& pos) const override;
  void focusInEvent(QFocusEvent* event) override;
};

/// Where option buttons of `container` overlap, each keeps the pixel rows
/// nearer its own circle-and-caption row (its vertical centre) than the other's:
/// a click goes to the option whose row lies nearest the pointer. Sets each
/// option's mask; call again after the options move or change size.
void SeparateOptionRows(QWidget* container);

/// A scroll bar with a focus frame. Keys move it as the form model's key
/// table says, the way its arrows and track do.
class ScrollBar : public QScrollBar {
 public:
  using QScrollBar::QScrollBar;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace dipview::window

#pragma once

#include <QFont>
#include <QRadioButton>
#include <QScrollBar>

namespace dipview::window {

/// The window's fonts: the default and the bold one of the design.
QFont DefaultFont();
QFont BoldFont();

/// Style, palette and fonts shared by the window, its pictures and its tests.
void SetUpApplication();

/// An option button answers a click anywhere on it, not only on its caption,
/// and Tab into its group lands on the selected option.
class OptionButton : public QRadioButton {
 public:
  using QRadioButton::QRadioButton;

 protected:
  bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
  void focusInEvent(QFocusEvent* event) override;
};

/// Keys move a scroll bar the way its arrows and track do: Down, Right and
/// Page Down towards the bottom or right end, Up, Left and Page Up back.
class ScrollBar : public QScrollBar {
 public:
  using QScrollBar::QScrollBar;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace dipview::window

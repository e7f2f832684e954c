#pragma once

#include <optional>
#include <string_view>

#include <QScrollArea>

#include "design/zoom.h"
#include "window/form1.h"

namespace dipview::window {

/// How the window starts: the zoom (nullopt: fitted to the window) and
/// whether full screen.
struct ViewerOptions {
  std::optional<double> zoom;
  bool fullScreen = false;
  bool labels = false;     ///< open with the labels shown
  bool allFaults = false;  ///< open the all-faults form
};

using design::kMaxZoom;
using design::kMinZoom;
using design::kZoomSteps;
using design::ParseZoomPercent;

/// The top-level window: the form in a scroll area, which shows scroll bars
/// when the window is smaller than the design at its zoom and centres the
/// design when the window is larger.
///
/// The zoom is either fitted (the largest that fits the window, keeping the
/// proportions, never below 100%) or fixed. Ctrl+Plus and Ctrl+Minus step
/// through kZoomSteps and Ctrl+0 goes back to 100%, all fixed; enlarging the
/// window beyond what the fixed zoom needs (maximising, full screen) fits
/// again. F11 toggles full screen, fitted, and Esc leaves it; leaving gives
/// back the window's place, size and zoom.
///
/// The window is never larger than LargestSize: beyond it a window shows
/// nothing more, yet its drawing surface would take four bytes a pixel.
class Viewer : public QScrollArea {
  Q_OBJECT

 public:
  explicit Viewer(QWidget* parent = nullptr);

  Form1& form() { return *form_; }
  bool Fitted() const { return !fixedZoom_; }

  /// Fixes the zoom at `zoom`, clamped to kMinZoom..kMaxZoom.
  void SetFixedZoom(double zoom);
  void ZoomIn();
  void ZoomOut();
  void ToggleFullScreen();

  /// What the screens together show, or the whole design at kMaxZoom where
  /// that is larger.
  QSize LargestSize() const;

 protected:
  bool event(QEvent* event) override;
  /// The viewport's resize, as QAbstractScrollArea routes it.
  void resizeEvent(QResizeEvent* event) override;

 private:
  /// The zoom that fits the window, at least 1.
  double FitZoom() const;
  void ApplyZoom(double zoom);

  Form1* form_;
  std::optional<double> fixedZoom_;
  Qt::WindowStates beforeFullScreen_;
  QRect beforeFullScreenGeometry_;
  std::optional<double> beforeFullScreenZoom_;
};

/// Shows the viewer as the program starts: at the stored position and at the
/// size of the whole design at its zoom, maximised when that does not fit the
/// screen. Full screen fits the design to the screen; leaving it gives the
/// window at the stored position and zoom.
void ShowAtStartUp(Viewer& viewer, const ViewerOptions& options);

}  // namespace dipview::window

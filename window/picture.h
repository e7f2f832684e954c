#pragma once

#include <QByteArray>
#include <QImage>

#include "compute/fault.h"
#include "design/controls.h"

namespace dipview::window {

/// How a picture of the window is drawn.
struct PictureOptions {
  double zoom = 1.0;    ///< as Form1::SetZoom takes it
  bool labels = false;  ///< with the labels over the drawing
  design::FormMode mode = design::FormMode::Default;
};

/// The whole window content for `in` (diagrams, sequence column, readout
/// grid), drawn by the window itself without showing it on any screen.
/// Pixel (0, 0) is the client area's origin; one logical pixel is 15 twips at
/// zoom 1 and the image covers at least 11760 x 8760 twips, at the
/// application's device pixel ratio. The form is the all-faults one in that
/// mode or when `in` needs it. Needs a QApplication.
QImage RenderPicture(const FaultInputs& in, const PictureOptions& options = {});

/// The same picture as a vector drawing in SVG (Form1::PaintVector): lines as
/// two-point polylines, discs and rings as circles, texts as text elements,
/// 784 x 584 units of 15 twips whatever the zoom. Needs a QApplication.
QByteArray RenderSvg(const FaultInputs& in, const PictureOptions& options = {});

/// `image` encoded as PNG.
QByteArray EncodePng(const QImage& image);

}  // namespace dipview::window

#pragma once

#include <QByteArray>
#include <QImage>

#include "compute/fault.h"
#include "design/controls.h"

namespace dipview::window {

/// The whole window content for `in` (diagrams, sequence column, readout
/// grid), drawn by the window itself without showing it on any screen.
/// Pixel (0, 0) is the client area's origin; one logical pixel is 15 twips and
/// the image covers at least 11760 x 8760 twips, at the application's device
/// pixel ratio. The form is the all-faults one in that `mode` or when `in`
/// needs it. Needs a QApplication.
QImage RenderPicture(const FaultInputs& in, design::FormMode mode = design::FormMode::Default);

/// The same picture as a vector drawing in SVG (Form1::PaintVector): lines as
/// two-point polylines, discs and rings as circles, texts as text elements,
/// 784 x 584 units of 15 twips. Needs a QApplication.
QByteArray RenderSvg(const FaultInputs& in, design::FormMode mode = design::FormMode::Default);

/// `image` encoded as PNG.
QByteArray EncodePng(const QImage& image);

}  // namespace dipview::window

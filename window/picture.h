#pragma once

#include <string>

#include <QImage>
#include <QString>

#include "compute/fault.h"

namespace dipview::window {

/// The whole window content for `in` (diagrams, sequence column, readout
/// grid), drawn by the window itself without showing it on any screen.
/// Pixel (0, 0) is the client area's origin; one logical pixel is 15 twips and
/// the image covers at least 11760 x 8760 twips, at the application's device
/// pixel ratio. Needs a QApplication.
QImage RenderPicture(const FaultInputs& in);

/// Writes `image` as PNG to `path` through a temporary file that replaces
/// `path` only when complete. On failure returns false with a message in
/// *error and leaves nothing behind.
bool SavePng(const QImage& image, const QString& path, QString* error);

/// The whole job of a picture for a program without a window: starts a
/// QApplication on the offscreen platform at `scale` times the pixel density
/// (unless one runs already), renders the window for `in` and saves it as PNG.
/// Returns false with a message in `error` when the file cannot be written.
bool WritePictureFile(const FaultInputs& in, const std::string& path, int scale,
                      std::string& error);

}  // namespace dipview::window

#pragma once

#include <QRect>
#include <QSize>

class QWidget;

namespace dipview::window {

class Form1;

/// Makes the folder Qt keeps its runtime files in (XDG_RUNTIME_DIR) one Qt
/// takes without a warning on standard error: the user's own and private. An
/// inherited one that is not is replaced by the one Qt itself would fall back
/// to, or failing that by a new private one, removed at exit. Call before Qt
/// starts.
void EnsureRuntimeFolder();

/// Shows the window at its stored position with the client area grown to
/// show everything, or maximised where the screen is too small for that.
void ShowAtStartUp(Form1& form);

/// Where a window with a client area of `size` (logical pixels) opens: the
/// stored position, moved in to stay on the screen; empty where the screen is
/// too small for it.
QRect StoredPlace(const QWidget& window, QSize size);

/// Shows `window` at the stored position with a client area of `size`
/// (logical pixels), moved in to stay on the screen, or maximised where the
/// screen is too small for it.
void ShowAtStoredPlace(QWidget& window, QSize size);

}  // namespace dipview::window

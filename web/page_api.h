#pragma once

#include "compute/fault.h"
#include "design/controls.h"

namespace dipview::web {

/// Puts `in` on the page's controls without raising any handler and runs one
/// pass, as the window's ApplySettings does: angles with decimals show them in
/// their value boxes, a ratio that no option offers leaves its group without a
/// selection and is used as given. Answers the page's state as JSON.
const char* ApplySettings(const FaultInputs& in);

/// The settings of the page's controls as a pass reads them.
FaultInputs PageSettings();

/// The form the page shows.
design::FormMode PageMode();

/// Puts the page's controls in the form of `mode` without running a pass.
void SetMode(design::FormMode mode);

}  // namespace dipview::web

#pragma once

#include "compute/fault.h"

namespace dipview::web {

/// The settings the page's controls hold, as its last pass read them.
FaultInputs PageSettings();

}  // namespace dipview::web

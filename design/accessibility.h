#pragma once

#include <string>
#include <string_view>

namespace dipview::design {

/// What a screen reader says of a control.
struct AccessibleText {
  std::string name;
  std::string description;
};

/// The accessible name and description of the control called `name` (as in
/// the design table); both empty for controls a screen reader names from their
/// caption (labels, frames) or that take no focus.
AccessibleText AccessibleTextOf(std::string_view name);

}  // namespace dipview::design

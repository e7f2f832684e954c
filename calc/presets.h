#pragma once

#include <array>
#include <string>
#include <string_view>

#include "compute/fault.h"

namespace dipview::calc {

/// A textbook case: a name to ask for it by, a one-line explanation and its
/// settings.
struct Preset {
  std::string_view name;
  std::string_view explanation;
  FaultInputs settings;
};

/// The textbook cases, in teaching order.
extern const std::array<Preset, 5> kPresets;

/// The preset called `name`, in any case, or nullptr.
const Preset* FindPreset(std::string_view name);

/// How a menu or list offers `preset`: "two-dy-down: the same seen two DY ...".
std::string PresetCaption(const Preset& preset);

/// The presets' names, each followed by its explanation, one line each, as
/// --preset list and --help show them: "  bolted-single  A bolted ...\n".
std::string PresetList();

}  // namespace dipview::calc

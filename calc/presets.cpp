#include "calc/presets.h"

#include <algorithm>

#include "calc/settings.h"

namespace dipview::calc {

namespace {

constexpr auto YY = TransformerConnection::YY;

}  // namespace

const std::array<Preset, 5> kPresets = {{
    {"bolted-single",
     "phase A to ground at Substation HV, no ZF: type B there",
     {.faultType = FaultType::SinglePhase, .z0Ratio = 1.0f, .proximity = 0}},
    {"two-dy-down",
     "the same seen two DY transformers down: type D at C1 and C2",
     {.faultType = FaultType::SinglePhase, .z0Ratio = 1.0f, .proximity = 0, .c1C2Connection = YY}},
    {"phase-phase-yy",
     "B to C, passed through YY transformers: type C at every bus",
     {.faultType = FaultType::PhaseToPhase,
      .proximity = 25,
      .hvMvConnection = YY,
      .mvC1Connection = YY,
      .c1C2Connection = YY}},
    {"two-phase-ground",
     "B and C to ground with Z0 = Z12: types E, F, G down the DYs",
     {.faultType = FaultType::PhaseToPhase, .toGround = true, .z0Ratio = 1.0f}},
    {"resistive",
     "A to ground through a resistive ZF = Z12: HV fits no type",
     {.faultType = FaultType::SinglePhase,
      .zfRatio = 1.0,
      .z12AngleDeg = 85.0,
      .zfAngleDeg = 0.0,
      .proximity = 25}},
}};

const Preset* FindPreset(std::string_view name) {
  const auto it = std::find_if(kPresets.begin(), kPresets.end(), [name](const Preset& p) {
    return EqualsIgnoringCase(p.name, name);
  });
  return it == kPresets.end() ? nullptr : &*it;
}

std::string PresetCaption(const Preset& preset) {
  return std::string(preset.name) + ": " + std::string(preset.explanation);
}

std::string PresetList() {
  std::size_t width = 0;
  for (const Preset& p : kPresets) {
    width = std::max(width, p.name.size());
  }
  std::string list;
  for (const Preset& p : kPresets) {
    list += "  " + std::string(p.name) + std::string(width + 2 - p.name.size(), ' ');
    list += std::string(p.explanation) + '\n';
  }
  return list;
}

}  // namespace dipview::calc

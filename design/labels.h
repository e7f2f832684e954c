#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "design/constants.h"
#include "design/pass.h"

// The labels a lecture hall needs, painted over the drawing list by any
// front end: readout headings, the sequence voltages, the sag types and the
// scales of the rings and bars.

namespace dipview::design {

/// Which end of a text its x gives.
enum class TextAlign { Left, Centre, Right };

/// One text, in twips: at (x, baseline) by `align`, `size` the font's pixel
/// size times kTwipsPerPixel, in the window's font family.
struct TextItem {
  float x = 0.0f;
  float baseline = 0.0f;
  TextAlign align = TextAlign::Left;
  std::string text;
  float size = 0.0f;
  bool bold = false;
  Rgb colour;
  friend bool operator==(const TextItem&, const TextItem&) = default;
};

/// Font sizes of the labels in twips: headings, names and sag types; the
/// sequence values, which fit between the sequence discs; the scales.
inline constexpr float kLabelHeadingSize = 13.0f * kTwipsPerPixel;
inline constexpr float kLabelValueSize = 11.0f * kTwipsPerPixel;
inline constexpr float kLabelScaleSize = 9.0f * kTwipsPerPixel;

/// Short names of the four buses over their readouts.
inline constexpr std::array<std::string_view, 4> kBusShortNames = {"HV", "MV", "C1", "C2"};

/// The labels for a pass, in painting order: per bus its short name, the
/// column headings "|V| pu" and "angle deg" and the phase letters at the
/// readout rows, its sag type under the diagram ("sag type D_b"), the ring
/// scale 0.2 to 1.0 up the diagram's vertical axis and the bar scale 0 to
/// 1.0 left of the bar frame; then "V0 0.277 pu, -180°" and so on under each
/// sequence disc, with the readouts' digits.
std::vector<TextItem> Labels(const PassResult& pass);

}  // namespace dipview::design

#include "design/labels.h"

#include <array>

#include "compute/readout.h"
#include "compute/sag.h"
#include "design/describe.h"
#include "design/diagrams.h"

namespace dipview::design {

namespace {

/// Gaps between a text and what it labels, in twips.
constexpr float kHeadingGap = 60.0f;    // above the readout grid
constexpr float kLetterGap = 60.0f;     // left of a readout row
constexpr float kSagTypeGap = 40.0f;    // below a bus diagram
constexpr float kScaleGap = 40.0f;      // left of a bar frame
constexpr float kRingScaleX = 30.0f;    // right of a diagram's vertical axis
constexpr float kRingScaleTop = 15.0f;  // below the ring a scale text names
constexpr float kSequenceGap = 5.0f;    // below a sequence disc

/// Baseline offsets for the font sizes, as fractions of the size: the ascent,
/// the descent and the height of a digit in the window's font family.
constexpr float kAscent = 0.905f;
constexpr float kDescent = 0.212f;
constexpr float kDigitHeight = 0.716f;

const TwipsRect& Readout(int bus, int element) {
  return FindControl(ElementName(kReadoutArrays[bus], element))->rect;
}

/// "0.2" to "1.0": the scale steps as the option captions write ratios.
std::string ScaleText(int fifths) {
  return fifths == 5 ? "1.0" : "0." + std::to_string(2 * fifths);
}

}  // namespace

std::vector<TextItem> Labels(const PassResult& pass) {
  std::vector<TextItem> items;
  const DiagramGeometry& g = pass.geometry;
  auto add = [&items](float x, float baseline, TextAlign align, std::string text, float size,
                      bool bold, Rgb colour) {
    items.push_back({.x = x,
                     .baseline = baseline,
                     .align = align,
                     .text = std::move(text),
                     .size = size,
                     .bold = bold,
                     .colour = colour});
  };
  for (int bus = 0; bus < 4; ++bus) {
    const TwipsRect& first = Readout(bus, 0);
    const TwipsRect& second = Readout(bus, 1);
    const float heading = first.top - kHeadingGap;
    add(first.left - kLetterGap, heading, TextAlign::Right, std::string(kBusShortNames[bus]),
        kLabelHeadingSize, true, kBlack);
    add(first.left + first.width / 2, heading, TextAlign::Centre, "|V| pu", kLabelHeadingSize, true,
        kBlack);
    add(second.left + second.width / 2, heading, TextAlign::Centre, "angle deg", kLabelHeadingSize,
        true, kBlack);
    for (int phase = 0; phase < 3; ++phase) {
      const TwipsRect& row = Readout(bus, 2 * phase);
      add(row.left - kLetterGap, row.top + row.height / 2 + kDigitHeight * kLabelHeadingSize / 2,
          TextAlign::Right, std::string(1, static_cast<char>('A' + phase)), kLabelHeadingSize, true,
          kPhaseColours[phase]);
    }

    const float cx = g.firstCx + static_cast<float>(bus) * g.columnWidth;
    const SagClasses classes =
        ClassifyBoth(pass.voltages.busVoltages[bus], pass.prefaultAngles[bus]);
    add(cx, g.cy + g.diagramRadius + kSagTypeGap + kAscent * kLabelHeadingSize, TextAlign::Centre,
        SagTypeText(classes.sag), kLabelHeadingSize, true, kBlack);
    for (int fifths = 1; fifths <= 5; ++fifths) {
      const float ring = g.cy - g.diagramRadius * static_cast<float>(fifths) / 5.0f;
      add(cx + kRingScaleX, ring + kRingScaleTop + kAscent * kLabelScaleSize, TextAlign::Left,
          ScaleText(fifths), kLabelScaleSize, false, kBlack);
    }
    const BoxTwips frame = BarFrame(cx, g.barBase);
    for (int fifths = 0; fifths <= 5; ++fifths) {
      const float line = g.barBase - kBarFullScale * static_cast<float>(fifths) / 5.0f;
      // The 0 stands on the base, descenders and all, not across it: in the
      // all-faults form the bars come down to just above the readout headings.
      const float baseline = fifths == 0 ? line - kDescent * kLabelScaleSize
                                         : line + kDigitHeight * kLabelScaleSize / 2;
      add(frame.x1 - kScaleGap, baseline, TextAlign::Right, fifths == 0 ? "0" : ScaleText(fifths),
          kLabelScaleSize, false, kBlack);
    }
  }

  const std::array<std::string, 6> sequence = ReadoutTexts(pass.voltages.sequenceAtHV);
  for (int k = 0; k < 3; ++k) {
    const PointTwips centre =
        SequenceCentre(g.firstCx, g.columnWidth, g.diagramRadius, kLine4.y1, k);
    add(centre.x, centre.y + g.diagramRadius + kSequenceGap + kAscent * kLabelValueSize,
        TextAlign::Centre,
        std::string(kSequenceNames[k]) + " " + sequence[2 * k] + " pu, " + sequence[2 * k + 1] +
            "\u00b0",
        kLabelValueSize, false, kBlack);
  }
  return items;
}

}  // namespace dipview::design

#include "design/describe.h"

#include <array>
#include <string_view>

#include "compute/readout.h"
#include "compute/sag.h"

namespace dipview::design {

namespace {

std::string Str(std::string_view s) {
  return std::string(s);
}

constexpr std::array<std::string_view, 3> kSequenceKinds = {"zero", "positive", "negative"};

/// The choices of a ratio group: "3.0 to 0.5" for the first `count` captions.
std::string RatioRange(std::size_t count) {
  return Str(kRatioCaptions[0]) + " to " + Str(kRatioCaptions[count - 1]);
}

/// What each angle bar sets, in the order of kScrollBarNames.
constexpr std::array<std::string_view, 3> kAngleMeanings = {
    "the Z12 angle, the angle of the positive- and negative-sequence impedance",
    "the Z0 angle, the angle of the zero-sequence impedance",
    "the ZF angle, the angle of the fault impedance"};

/// "0 to 90 degrees, 1 per arrow click and 10 per page" from a scroll bar's design.
std::string ScrollRangeText(const ScrollRange& s, std::string_view unit) {
  const int low = std::min(s.min, s.max);
  const int high = std::max(s.min, s.max);
  return std::to_string(low) + " to " + std::to_string(high) + Str(unit) + ", " +
         std::to_string(s.smallChange) + " per arrow click and " + std::to_string(s.largeChange) +
         " per page";
}

}  // namespace

std::string ReadoutTip(int bus, int element, const std::string& text) {
  std::string s = Str(kBusNames[bus]) + ", phase " + static_cast<char>('A' + element / 2) + ": ";
  s += element % 2 == 0 ? "magnitude " + text + " pu (cut down to 0.001)"
                        : "angle " + text + " degrees (cut down to 0.1)";
  return s;
}

std::string SagTypeText(const SagClass& sag) {
  return "sag type " + Str(SagName(sag));
}

std::string BusTip(int bus, const PhaseTriple& v, double prefaultAngle) {
  const SagClasses classes = ClassifyBoth(v, prefaultAngle);
  std::string s = Str(kBusNames[bus]) + ": " + SagTypeText(classes.sag);
  s += ", |V| " + NumberText(RoundClassNumber(classes.sag.characteristicVoltage)) + " pu, |F| " +
       NumberText(RoundClassNumber(classes.sag.pnFactor)) + " pu, jump " +
       NumberText(RoundJumpDegrees(classes.sag.phaseAngleJumpDeg)) + " degrees; textbook type ";
  // Unmatched is "-" in the calculator's columns; a sentence says it.
  s += classes.textbook.type == TextbookType::Unmatched ? "none of A to G"
                                                        : Str(TextbookName(classes.textbook));
  return s;
}

std::string SequenceTip(int k, const SequenceTriple& v) {
  const std::array<std::string, 6> texts = ReadoutTexts(v);
  return Str(kSequenceNames[k]) + ", the " + Str(kSequenceKinds[k]) + "-sequence voltage at " +
         Str(kBusNames[0]) + ": " + texts[2 * k] + " pu at " + texts[2 * k + 1] + " degrees";
}

std::string ControlTip(const Control& c) {
  for (int k = 0; k < 3; ++k) {
    if (c.name == kScrollBarNames[k].bar) {
      return "Sets " + Str(kAngleMeanings[k]) + ": " + ScrollRangeText(c.scroll, " degrees");
    }
    if (c.name == kScrollBarNames[k].text) {
      return "Shows " + Str(kAngleMeanings[k]) + " in degrees, 0 to " + std::to_string(kMaxAngle) +
             ", as its scroll bar sets it";
    }
  }
  const std::string proximity =
      "the relative distance from " + Str(kBusNames[0]) + " to the fault, in percent";
  if (c.name == kScrollBarNames[3].bar) {
    return "Sets " + proximity + ": " + ScrollRangeText(c.scroll, "") + " (0 is close, " +
           std::to_string(c.scroll.max) + " is far)";
  }
  if (c.name == kScrollBarNames[3].text) {
    return "Shows " + proximity + ", as its scroll bar sets it";
  }
  const std::optional<OptionRef> option = OptionOf(c.name);
  if (!option) {
    return {};
  }
  if (option->group == OptionGroup::Z0Ratio) {
    return "Sets the Z0/Z12 ratio, the size of the zero-sequence impedance relative to Z12, to " +
           Str(c.caption) + " (choices " + RatioRange(kZ0Ratios.size()) + ")";
  }
  if (option->group == OptionGroup::ZfRatio) {
    return "Sets the ZF/Z12 ratio, the size of the fault impedance relative to Z12, to " +
           Str(c.caption) + " (choices " + RatioRange(kZfRatios.size()) + ")";
  }
  if (option->group == OptionGroup::Fault) {
    return "Sets the fault on the transmission system to " + Str(c.caption) +
           (option->index == 3 ? " (the phases the faulted-phase option leaves out, joined and "
                                 "to ground through ZF)"
                               : " (choices: single phase, phase-to-phase, three phase)");
  }
  if (option->group == OptionGroup::FaultedPhase) {
    return "Sets the faulted phase to " + Str(c.caption) +
           ": the phase a single-phase fault takes to ground, with the two in brackets that a "
           "phase-to-phase or two-phase-to-ground fault joins";
  }
  for (int t = 0; t < 3; ++t) {
    if (static_cast<int>(option->group) == static_cast<int>(OptionGroup::HvMvTransformer) + t) {
      // Named by the buses it joins; Substation MV without its feeder.
      constexpr std::array<std::string_view, 4> kShort = {"Substation HV", "Substation MV",
                                                          "Customer Level 1", "Customer Level 2"};
      return "Sets the transformer from " + Str(kShort[t]) + " to " + Str(kShort[t + 1]) + " to " +
             Str(c.caption) +
             (option->index == 2 ? " (choices DY, YY and DD)" : " (choices DY and YY)");
    }
  }
  return {};
}

std::string ReadoutTable(const PassVoltages& pass) {
  std::string s = "bus\tphase\t|V| pu\tangle deg\n";
  auto rows = [&s](std::string_view bus, const std::array<std::string, 6>& texts,
                   const std::array<std::string_view, 3>& names) {
    for (int p = 0; p < 3; ++p) {
      s += Str(bus) + '\t' + Str(names[p]) + '\t' + texts[2 * p] + '\t' + texts[2 * p + 1] + '\n';
    }
  };
  for (int bus = 0; bus < 4; ++bus) {
    rows(kBusNames[bus], ReadoutTexts(pass.busVoltages[bus]), {"A", "B", "C"});
  }
  rows(kBusNames[0], ReadoutTexts(pass.sequenceAtHV), kSequenceNames);
  return s;
}

}  // namespace dipview::design

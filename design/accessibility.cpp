#include "design/accessibility.h"

#include <array>

#include "design/constants.h"
#include "design/controls.h"

namespace dipview::design {

namespace {

std::string Str(std::string_view s) {
  return std::string(s);
}

std::string AngleHelp(std::string_view what) {
  return Str(what) + " in degrees, 0 to " + std::to_string(kMaxAngle) +
         "; up raises it by 1, Page Up by 10";
}

// The index in `name` of array `array`, as in "VHV_text(3)"; -1 when `name`
// is no element of it.
int IndexIn(std::string_view name, std::string_view array) {
  if (!name.starts_with(array) || name.size() < array.size() + 3 || name[array.size()] != '(' ||
      name.back() != ')') {
    return -1;
  }
  const std::string_view digits = name.substr(array.size() + 1, name.size() - array.size() - 2);
  return digits.size() == 1 && digits[0] >= '0' && digits[0] <= '9' ? digits[0] - '0' : -1;
}

}  // namespace

AccessibleText AccessibleTextOf(std::string_view name) {
  const std::string hv = Str(kBusNames[0]);
  // The three angle bars and their value boxes, in the order of kScrollBarNames.
  constexpr std::array<std::string_view, 3> kAngleNames = {"Z12 angle", "Z0 angle", "ZF angle"};
  constexpr std::array<std::string_view, 3> kAngleMeanings = {
      "Angle of the positive- and negative-sequence impedance",
      "Angle of the zero-sequence impedance", "Angle of the fault impedance"};
  for (int k = 0; k < 3; ++k) {
    if (name == kScrollBarNames[k].bar) {
      return {Str(kAngleNames[k]) + ", degrees", AngleHelp(kAngleMeanings[k])};
    }
    if (name == kScrollBarNames[k].text) {
      return {Str(kAngleNames[k]) + " value, degrees",
              "The value of the " + Str(kAngleNames[k]) + " scroll bar"};
    }
  }
  if (name == kScrollBarNames[3].bar) {
    return {"Relative distance from " + hv + " to the fault, percent",
            "0 is close to " + hv + ", 100 is far"};
  }
  if (name == kScrollBarNames[3].text) {
    return {"Relative distance value, percent", "The value of the relative distance scroll bar"};
  }
  const Control* control = FindControl(name);
  const std::string caption = control != nullptr ? Str(control->caption) : std::string();
  const std::optional<OptionRef> option = OptionOf(name);
  if (option && option->group == OptionGroup::Z0Ratio) {
    return {"Z0/Z12 ratio " + caption, "Magnitude of the zero-sequence impedance relative to Z12"};
  }
  if (option && option->group == OptionGroup::ZfRatio) {
    return {"ZF/Z12 ratio " + caption, "Magnitude of the fault impedance relative to Z12"};
  }
  if (option && option->group == OptionGroup::Fault) {
    return {"Fault type: " + caption, "Type of the fault on the transmission system"};
  }
  if (option && option->group == OptionGroup::FaultedPhase) {
    return {"Faulted phase: " + caption,
            "The phase a single-phase fault takes to ground; in brackets the two that a "
            "two-phase fault joins"};
  }
  // Transformers are named by the buses they join; Substation MV without its feeder.
  const std::string mv = "Substation MV";
  const std::array<std::string, 3> joins = {hv + " to " + mv, mv + " to " + Str(kBusNames[2]),
                                            Str(kBusNames[2]) + " to " + Str(kBusNames[3])};
  for (int t = 0; t < 3; ++t) {
    if (option &&
        static_cast<int>(option->group) == static_cast<int>(OptionGroup::HvMvTransformer) + t) {
      return {"Transformer " + joins[t] + ": " + caption,
              "Connection of the transformer from " + joins[t]};
    }
  }
  for (int bus = 0; bus < 4; ++bus) {
    const int k = IndexIn(name, kReadoutArrays[bus]);
    if (k >= 0 && k < 6) {
      const bool magnitude = k % 2 == 0;
      return {Str(kBusNames[bus]) + ", phase " + static_cast<char>('A' + k / 2) +
                  (magnitude ? " magnitude, per unit" : " angle, degrees"),
              magnitude ? "Line-to-neutral voltage magnitude, cut to 0.001 per unit"
                        : "Line-to-neutral voltage angle, cut to 0.1 degree"};
    }
  }
  return {};
}

}  // namespace dipview::design

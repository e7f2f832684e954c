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
  if (name == "Z12_Angle") {
    return {"Z12 angle, degrees",
            AngleHelp("Angle of the positive- and negative-sequence impedance")};
  }
  if (name == "Z0_Angle") {
    return {"Z0 angle, degrees", AngleHelp("Angle of the zero-sequence impedance")};
  }
  if (name == "ZF_Angle") {
    return {"ZF angle, degrees", AngleHelp("Angle of the fault impedance")};
  }
  if (name == "Proximity") {
    return {"Relative distance from " + hv + " to the fault, percent",
            "0 is close to " + hv + ", 100 is far"};
  }
  for (const auto& [box, what] :
       {std::pair{"Z12_Angle_Text", "Z12 angle"}, std::pair{"Z0_Angle_Text", "Z0 angle"},
        std::pair{"ZF_Angle_Text", "ZF angle"}}) {
    if (name == box) {
      return {Str(what) + " value, degrees", "The value of the " + Str(what) + " scroll bar"};
    }
  }
  if (name == "Proximity_Text") {
    return {"Relative distance value, percent", "The value of the relative distance scroll bar"};
  }
  const Control* control = FindControl(name);
  const std::string caption = control != nullptr ? Str(control->caption) : std::string();
  if (IndexIn(name, "Z0_Z12_opt") >= 0) {
    return {"Z0/Z12 ratio " + caption, "Magnitude of the zero-sequence impedance relative to Z12"};
  }
  if (IndexIn(name, "ZF_Z12_opt") >= 0) {
    return {"ZF/Z12 ratio " + caption, "Magnitude of the fault impedance relative to Z12"};
  }
  if (name == "Single_Phase(0)" || name == "Phase_Phase(1)" || name == "Three_Phase(2)") {
    return {"Fault type: " + caption, "Type of the fault on the transmission system"};
  }
  // Transformers are named by the buses they join; Substation MV without its feeder.
  const std::string mv = "Substation MV";
  const std::array<std::string, 3> joins = {hv + " to " + mv, mv + " to " + Str(kBusNames[2]),
                                            Str(kBusNames[2]) + " to " + Str(kBusNames[3])};
  const std::array<std::string_view, 3> transformers = {"HV_MV_Trans", "MV_C1_Trans",
                                                        "C1_C2_Trans"};
  for (int t = 0; t < 3; ++t) {
    if (IndexIn(name, transformers[t]) >= 0) {
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

#include "design/controls.h"

#include <utility>

namespace dipview::design {

namespace {

constexpr ScrollRange kAngleRange{.min = kMaxAngle, .max = 0, .value = kMaxAngle};

std::vector<Control> MakeTable() {
  std::vector<Control> t;
  auto add = [&t](ControlKind kind, std::string name, std::string_view container, TwipsRect rect,
                  std::string_view caption) -> Control& {
    Control c;
    c.kind = kind;
    c.name = std::move(name);
    c.container = container;
    c.rect = rect;
    c.caption = caption;
    t.push_back(std::move(c));
    return t.back();
  };
  auto label = [&add](std::string name, std::string_view container, TwipsRect rect,
                      std::string_view caption) -> Control& {
    return add(ControlKind::Label, std::move(name), container, rect, caption);
  };
  auto textBox = [&add](std::string name, std::string_view container, TwipsRect rect) -> Control& {
    return add(ControlKind::TextBox, std::move(name), container, rect, "Text1");
  };
  using enum ControlKind;

  label("Top_Label", {}, {240, 240, 4575, 255}, "Enter System and Fault Characteristics").font =
      FontKind::Bold;
  label("Z12_Label", {}, {120, 720, 855, 255}, "Z12 Angle").centred = true;
  label("Z0_Label", {}, {1080, 720, 855, 255}, "Z0 Angle").centred = true;
  label("ZF_Label", {}, {2040, 720, 855, 255}, "ZF Angle").centred = true;
  for (auto [name, left] :
       {std::pair{"Z12_Angle_Text", 240.0f}, std::pair{"Z0_Angle_Text", 1200.0f},
        std::pair{"ZF_Angle_Text", 2160.0f}}) {
    Control& c = textBox(name, {}, {left, 960, 495, 285});
    c.centred = true;
    c.readOnly = true;
  }
  for (auto [name, left] : {std::pair{"Z12_Angle", 360.0f}, std::pair{"Z0_Angle", 1320.0f},
                            std::pair{"ZF_Angle", 2280.0f}}) {
    add(VerticalScrollBar, name, {}, {left, 1320, 255, 1455}, {}).scroll = kAngleRange;
  }

  add(Frame, "Frame2(0)", {}, {3000, 720, 975, 2055}, "Z0 / Z12");
  for (int k = 0; k < 6; ++k) {
    add(OptionButton, ElementName("Z0_Z12_opt", k), "Frame2(0)",
        {240, 240.0f + 240.0f * k, 615, 375}, kRatioCaptions[k]);
  }
  add(Frame, "Frame3", {}, {4080, 720, 1935, 2055}, "ZF / Z12");
  for (int k = 0; k < 7; ++k) {
    add(OptionButton, ElementName("ZF_Z12_opt", k), "Frame3", {600, 240.0f + 240.0f * k, 735, 315},
        kRatioCaptions[k]);
  }

  add(Frame, "Frame4", {}, {6120, 720, 3375, 975}, "Relative Distance From Sub HV to Fault");
  add(HorizontalScrollBar, "Proximity", "Frame4", {360, 240, 2535, 255}, {}).scroll = {
      .min = 0, .max = 100, .value = 50};
  label("Label3", "Frame4", {120, 600, 495, 255}, "Close");
  textBox("Proximity_Text", "Frame4", {1320, 600, 495, 285}).centred = true;
  t.back().readOnly = true;
  label("Label1", "Frame4", {2760, 600, 375, 255}, "Far");

  add(Frame, "Frame1", {}, {6120, 1800, 3375, 975}, "Transmission System Fault Type");
  add(OptionButton, "Single_Phase(0)", "Frame1", {120, 240, 2775, 195}, "Single Phase (Phase A)")
      .selected = true;
  add(OptionButton, "Phase_Phase(1)", "Frame1", {120, 480, 2775, 195},
      "Phase-to-Phase (Phase B to C)");
  add(OptionButton, "Three_Phase(2)", "Frame1", {120, 720, 2775, 195}, "Three Phase");

  for (auto [name, ends] : {std::pair{"Line1", kLine1}, std::pair{"Line2", kLine2},
                            std::pair{"Line3", kLine3}, std::pair{"Line4", kLine4}}) {
    add(Line, name, {}, {}, {}).ends = ends;
  }

  // The diagram area: hidden until the first pass places and shows it.
  auto hidden = [&label](std::string name, TwipsRect rect, std::string_view caption, bool bold,
                         bool centred) -> Control& {
    Control& c = label(std::move(name), {}, rect, caption);
    c.font = bold ? FontKind::Bold : FontKind::Default;
    c.centred = centred;
    c.visible = false;
    return c;
  };
  hidden("Voltage_Label", {3960, 3000, 2535, 375}, "Line-to-Neutral Voltages", true, true);
  hidden("Letter_A", {3240, 3000, 135, 375}, "A", true, false).colour = kPhaseColours[0];
  hidden("Letter_B", {3480, 3000, 135, 375}, "B", true, false).colour = kPhaseColours[1];
  hidden("Letter_C", {3720, 3000, 135, 375}, "C", true, false).colour = kPhaseColours[2];
  hidden("HV_Label", {120, 3360, 1335, 255}, kBusNames[0], false, true);
  hidden("MV_Label", {2040, 3360, 2535, 255}, kBusNames[1], false, true);
  hidden("C1_Label", {5400, 3360, 1455, 255}, kBusNames[2], false, true);
  hidden("C2_Label", {7320, 3360, 1455, 255}, kBusNames[3], false, true);
  struct TransformerFrame {
    std::string_view frame;
    std::string_view options;
    float left;
  };
  for (const TransformerFrame& f : {TransformerFrame{"HV_MV", "HV_MV_Trans", 2040},
                                    TransformerFrame{"MV_C1", "MV_C1_Trans", 4440},
                                    TransformerFrame{"C1_C2", "C1_C2_Trans", 6720}}) {
    const auto [frame, options, left] = f;
    add(Frame, std::string(frame), {}, {left, 5040, 855, 855}, "Transf").visible = false;
    for (int k = 0; k < 2; ++k) {
      add(OptionButton, ElementName(options, k), frame, {120, 240.0f + 240.0f * k, 615, 255},
          k == 0 ? "DY" : "YY")
          .selected = k == 0;
    }
  }

  label("Label2", {}, {10200, 0, 1215, 255}, "V012 at Sub HV");

  const float columns[4][2] = {{480, 1320}, {2880, 3720}, {5280, 6120}, {7560, 8400}};
  const float rows[3] = {7680, 8040, 8400};
  for (int bus = 0; bus < 4; ++bus) {
    for (int k = 0; k < 6; ++k) {
      const bool tall = bus == 0 && k != 2 && k != 4;
      textBox(ElementName(kReadoutArrays[bus], k), {},
              {columns[bus][k % 2], rows[k / 2], 735, tall ? 315.0f : 285.0f});
    }
  }
  return t;
}

}  // namespace

const std::vector<Control>& DesignTable() {
  static const std::vector<Control> table = MakeTable();
  return table;
}

const std::vector<std::string>& TabOrder() {
  static const std::vector<std::string> order = [] {
    std::vector<std::string> names = {"Z12_Angle", "Z0_Angle", "ZF_Angle"};
    for (int k = 0; k < 6; ++k) {
      names.push_back(ElementName("Z0_Z12_opt", k));
    }
    for (int k = 0; k < 7; ++k) {
      names.push_back(ElementName("ZF_Z12_opt", k));
    }
    names.insert(names.end(), {"Proximity", "Single_Phase(0)", "Phase_Phase(1)", "Three_Phase(2)"});
    for (const char* trans : {"HV_MV_Trans", "MV_C1_Trans", "C1_C2_Trans"}) {
      names.push_back(ElementName(trans, 0));
      names.push_back(ElementName(trans, 1));
    }
    names.insert(names.end(),
                 {"Z12_Angle_Text", "Z0_Angle_Text", "ZF_Angle_Text", "Proximity_Text"});
    for (std::string_view array : kReadoutArrays) {
      for (int k = 0; k < 6; ++k) {
        names.push_back(ElementName(array, k));
      }
    }
    return names;
  }();
  return order;
}

const Control* FindControl(std::string_view name) {
  for (const Control& c : DesignTable()) {
    if (c.name == name) {
      return &c;
    }
  }
  return nullptr;
}

std::string ElementName(std::string_view array, int index) {
  return std::string(array) + "(" + std::to_string(index) + ")";
}

}  // namespace dipview::design

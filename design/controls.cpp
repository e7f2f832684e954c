#include "design/controls.h"

#include <algorithm>
#include <utility>

namespace dipview::design {

namespace {

// The input area's frames, named where their contents refer to them.
constexpr std::string_view kZ0RatioFrame = "Frame2(0)";
constexpr std::string_view kZfRatioFrame = "Frame3";
constexpr std::string_view kProximityFrame = "Frame4";
constexpr std::string_view kFaultFrame = "Frame1";

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
  // The three angle bars, 960 twips apart, each under its value box.
  for (int k = 0; k < 3; ++k) {
    Control& c =
        textBox(std::string(kScrollBarNames[k].text), {}, {240.0f + 960.0f * k, 960, 495, 285});
    c.centred = true;
    c.readOnly = true;
  }
  for (int k = 0; k < 3; ++k) {
    add(VerticalScrollBar, std::string(kScrollBarNames[k].bar), {},
        {360.0f + 960.0f * k, 1320, 255, 1455}, {})
        .scroll = kAngleRange;
  }

  add(Frame, std::string(kZ0RatioFrame), {}, {3000, 720, 975, 2055}, "Z0 / Z12");
  for (int k = 0; k < 6; ++k) {
    add(OptionButton, ElementName(kZ0RatioArray, k), kZ0RatioFrame,
        {240, 240.0f + 240.0f * k, 615, 375}, kRatioCaptions[k]);
  }
  add(Frame, std::string(kZfRatioFrame), {}, {4080, 720, 1935, 2055}, "ZF / Z12");
  for (int k = 0; k < 7; ++k) {
    add(OptionButton, ElementName(kZfRatioArray, k), kZfRatioFrame,
        {600, 240.0f + 240.0f * k, 735, 315}, kRatioCaptions[k]);
  }

  add(Frame, std::string(kProximityFrame), {}, {6120, 720, 3375, 975},
      "Relative Distance From Sub HV to Fault");
  add(HorizontalScrollBar, std::string(kScrollBarNames[3].bar), kProximityFrame,
      {360, 240, 2535, 255}, {})
      .scroll = {.min = 0, .max = 100, .value = 50};
  label("Label3", kProximityFrame, {120, 600, 495, 255}, "Close");
  textBox(std::string(kScrollBarNames[3].text), kProximityFrame, {1320, 600, 495, 285}).centred =
      true;
  t.back().readOnly = true;
  label("Label1", kProximityFrame, {2760, 600, 375, 255}, "Far");

  add(Frame, std::string(kFaultFrame), {}, {6120, 1800, 3375, 975},
      "Transmission System Fault Type");
  constexpr std::array<std::string_view, 3> kFaultCaptions = {
      "Single Phase (Phase A)", "Phase-to-Phase (Phase B to C)", "Three Phase"};
  for (int k = 0; k < 3; ++k) {
    add(OptionButton, OptionName(OptionGroup::Fault, k), kFaultFrame,
        {120, 240.0f + 240.0f * k, 2775, 195}, kFaultCaptions[k])
        .selected = k == 0;
  }

  for (auto [name, ends] : {std::pair{"Line1", kLine1}, std::pair{"Line2", kLine2},
                            std::pair{"Line3", kLine3}, std::pair{"Line4", kLine4}}) {
    add(Line, name, {}, {}, {}).ends = ends;
  }

  // The diagram area: hidden until the first pass places and shows it.
  auto hidden = [&label](std::string_view name, TwipsRect rect, std::string_view caption, bool bold,
                         bool centred) -> Control& {
    Control& c = label(std::string(name), {}, rect, caption);
    c.font = bold ? FontKind::Bold : FontKind::Default;
    c.centred = centred;
    c.visible = false;
    return c;
  };
  hidden(kDiagramLabelNames[0], {3960, 3000, 2535, 375}, "Line-to-Neutral Voltages", true, true);
  for (int k = 0; k < 3; ++k) {
    const std::string_view letter = std::string_view("ABC").substr(k, 1);
    hidden(kDiagramLabelNames[1 + k], {3240.0f + 240.0f * k, 3000, 135, 375}, letter, true, false)
        .colour = kPhaseColours[k];
  }
  const TwipsRect busCaptions[4] = {{120, 3360, 1335, 255},
                                    {2040, 3360, 2535, 255},
                                    {5400, 3360, 1455, 255},
                                    {7320, 3360, 1455, 255}};
  for (int bus = 0; bus < 4; ++bus) {
    hidden(kDiagramLabelNames[4 + bus], busCaptions[bus], kBusNames[bus], false, true);
  }
  const float transformerLefts[3] = {2040, 4440, 6720};
  for (int t = 0; t < 3; ++t) {
    const auto [frame, options] = kTransformerNames[t];
    add(Frame, std::string(frame), {}, {transformerLefts[t], 5040, 855, 855}, "Transf").visible =
        false;
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

// The fault buttons of the all-faults form, top to bottom: the phases are
// chosen in their own frame, so the captions name only the fault.
struct FaultRow {
  int index;
  std::string_view caption;
};
constexpr std::array<FaultRow, 4> kAllFaultsRows = {{{0, "Single Phase to Ground"},
                                                     {1, "Phase-to-Phase"},
                                                     {3, "Two-Phase-to-Ground"},
                                                     {2, "Three Phase"}}};
// Four rows as tall as before, touching but not overlapping (the arrow keys
// move only to an option wholly below or above), in a fault frame grown
// towards Line1.
constexpr float kAllFaultsRowTop = 225.0f;
constexpr float kAllFaultsRowPitch = 195.0f;
constexpr float kAllFaultsFrameGrowth = 60.0f;
// The transformer frames grow by one option row for DD.
constexpr float kOptionPitch = 240.0f;

std::vector<Control> MakeAllFaultsTable(const std::vector<Control>& base) {
  std::vector<Control> t = base;
  auto find = [&t](std::string_view name) {
    return std::find_if(t.begin(), t.end(), [name](const Control& c) { return c.name == name; });
  };
  auto insertAfter = [&t, &find](std::string_view name, Control c) {
    t.insert(find(name) + 1, std::move(c));
  };
  for (Control& c : t) {
    const std::optional<OptionRef> option = OptionOf(c.name);
    if (option && option->group == OptionGroup::Fault) {
      const auto row = std::find_if(kAllFaultsRows.begin(), kAllFaultsRows.end(),
                                    [&](const FaultRow& r) { return r.index == option->index; });
      c.rect.top =
          kAllFaultsRowTop + kAllFaultsRowPitch * static_cast<float>(row - kAllFaultsRows.begin());
      c.caption = row->caption;
    }
    for (const TransformerNames& names : kTransformerNames) {
      if (c.name == names.frame) {
        c.rect.height += kOptionPitch;
      }
    }
    if (c.name == kFaultFrame) {
      c.rect.height += kAllFaultsFrameGrowth;
    }
  }
  // The two-phase-to-ground button below Phase-to-Phase, in table and tab order.
  Control twoPhase = *find(OptionName(OptionGroup::Fault, 1));
  twoPhase.name = OptionName(OptionGroup::Fault, 3);
  twoPhase.caption = kAllFaultsRows[2].caption;
  twoPhase.rect.top = kAllFaultsRowTop + 2.0f * kAllFaultsRowPitch;
  twoPhase.selected = false;
  insertAfter(OptionName(OptionGroup::Fault, 1), twoPhase);

  // The faulted phases: a frame in the free corner above the distance frame.
  constexpr std::array<std::string_view, 3> kPhaseCaptions = {"A (B-C)", "B (C-A)", "C (A-B)"};
  std::vector<Control> phases;
  Control frame = *find(kFaultFrame);
  frame.name = kFaultedPhaseFrame;
  frame.rect = {6120, 165, 3375, 510};
  frame.caption = "Faulted Phase (Other Two)";
  phases.push_back(frame);
  for (int k = 0; k < 3; ++k) {
    Control option = *find(OptionName(OptionGroup::Fault, 0));
    option.name = OptionName(OptionGroup::FaultedPhase, k);
    option.container = kFaultedPhaseFrame;
    option.rect = {120.0f + 1080.0f * k, 210, 1035, 255};
    option.caption = kPhaseCaptions[k];
    option.selected = k == 0;
    phases.push_back(option);
  }
  t.insert(find(OptionName(OptionGroup::Fault, 2)) + 1, phases.begin(), phases.end());

  for (const TransformerNames& names : kTransformerNames) {
    Control dd = *find(ElementName(names.options, 1));
    dd.name = ElementName(names.options, 2);
    dd.caption = "DD";
    dd.rect.top += kOptionPitch;
    dd.selected = false;
    insertAfter(ElementName(names.options, 1), dd);
  }
  return t;
}

}  // namespace

const std::vector<Control>& DesignTable(FormMode mode) {
  static const std::vector<Control> table = MakeTable();
  static const std::vector<Control> allFaults = MakeAllFaultsTable(table);
  return mode == FormMode::AllFaults ? allFaults : table;
}

std::span<const int> OptionGroupSizes(FormMode mode) {
  if (mode == FormMode::AllFaults) {
    return kAllFaultsGroupSizes;
  }
  return kOptionGroupSizes;
}

const std::vector<std::string>& TabOrder(FormMode mode) {
  auto make = [](FormMode m) {
    using enum OptionGroup;
    const std::span<const int> sizes = OptionGroupSizes(m);
    std::vector<std::string> names;
    auto options = [&names, sizes](OptionGroup group) {
      for (int k = 0; k < sizes[static_cast<int>(group)]; ++k) {
        names.push_back(OptionName(group, k));
      }
    };
    for (int k = 0; k < 3; ++k) {
      names.emplace_back(kScrollBarNames[k].bar);
    }
    options(Z0Ratio);
    options(ZfRatio);
    names.emplace_back(kScrollBarNames[3].bar);
    if (m == FormMode::AllFaults) {
      // Top to bottom, as the fault frame shows them, then the phases.
      for (const FaultRow& row : kAllFaultsRows) {
        names.push_back(OptionName(Fault, row.index));
      }
      options(FaultedPhase);
    } else {
      options(Fault);
    }
    for (OptionGroup group : {HvMvTransformer, MvC1Transformer, C1C2Transformer}) {
      options(group);
    }
    for (const ScrollBarNames& bar : kScrollBarNames) {
      names.emplace_back(bar.text);
    }
    for (std::string_view array : kReadoutArrays) {
      for (int k = 0; k < 6; ++k) {
        names.push_back(ElementName(array, k));
      }
    }
    return names;
  };
  static const std::vector<std::string> order = make(FormMode::Default);
  static const std::vector<std::string> allFaults = make(FormMode::AllFaults);
  return mode == FormMode::AllFaults ? allFaults : order;
}

const Control* FindControl(std::string_view name, FormMode mode) {
  for (const Control& c : DesignTable(mode)) {
    if (c.name == name) {
      return &c;
    }
  }
  if (mode == FormMode::Default) {
    return FindControl(name, FormMode::AllFaults);
  }
  return nullptr;
}

std::string OptionName(OptionGroup group, int index) {
  switch (group) {
    case OptionGroup::Fault:
      return ElementName(kFaultButtonArrays[index], index);
    case OptionGroup::Z0Ratio:
      return ElementName(kZ0RatioArray, index);
    case OptionGroup::ZfRatio:
      return ElementName(kZfRatioArray, index);
    case OptionGroup::FaultedPhase:
      return ElementName(kFaultedPhaseArray, index);
    default:
      return ElementName(kTransformerNames[static_cast<int>(group) - 3].options, index);
  }
}

std::optional<OptionRef> OptionOf(std::string_view name) {
  for (int g = 0; g < static_cast<int>(kAllFaultsGroupSizes.size()); ++g) {
    for (int k = 0; k < kAllFaultsGroupSizes[g]; ++k) {
      if (OptionName(static_cast<OptionGroup>(g), k) == name) {
        return OptionRef{.group = static_cast<OptionGroup>(g), .index = k};
      }
    }
  }
  return std::nullopt;
}

std::string ElementName(std::string_view array, int index) {
  return std::string(array) + "(" + std::to_string(index) + ")";
}

}  // namespace dipview::design

#include "design/form.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace dipview::design {

namespace {

constexpr int Index(ScrollBarId bar) {
  return static_cast<int>(bar);
}

const Control& ScrollControl(ScrollBarId bar) {
  static const std::array<const Control*, 4> controls = [] {
    std::array<const Control*, 4> c{};
    for (int k = 0; k < 4; ++k) {
      c[k] = FindControl(kScrollBarNames[k].bar);
    }
    return c;
  }();
  return *controls[Index(bar)];
}

int Clamp(const ScrollRange& r, int value) {
  return std::clamp(value, std::min(r.min, r.max), std::max(r.min, r.max));
}

// +1 when the values grow from the back end, -1 when they fall (the angle bars).
int Direction(const ScrollRange& r) {
  return r.max >= r.min ? 1 : -1;
}

// The text as a number, or nothing: surrounding blanks and a leading plus are
// allowed, anything else must be part of the number.
std::optional<double> ReadNumber(std::string_view text) {
  constexpr std::string_view kBlanks = " \t\r\n";
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) {
    return std::nullopt;
  }
  text = text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
  if (text.starts_with('+')) {
    text.remove_prefix(1);
  }
  double value = 0.0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) {
    return std::nullopt;
  }
  if (!std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

}  // namespace

ScrollAction ScrollActionOfKey(std::string_view key) {
  using enum ScrollAction;
  if (key == "ArrowUp" || key == "ArrowLeft") {
    return LineBack;
  }
  if (key == "ArrowDown" || key == "ArrowRight") {
    return LineForward;
  }
  if (key == "PageUp") {
    return PageBack;
  }
  if (key == "PageDown") {
    return PageForward;
  }
  if (key == "Home") {
    return ToMin;
  }
  if (key == "End") {
    return ToMax;
  }
  return None;
}

int ScrollTarget(const ScrollRange& r, int value, ScrollAction action) {
  const int d = Direction(r);
  switch (action) {
    case ScrollAction::None:
      return value;
    case ScrollAction::LineBack:
      return Clamp(r, value - d * r.smallChange);
    case ScrollAction::LineForward:
      return Clamp(r, value + d * r.smallChange);
    case ScrollAction::PageBack:
      return Clamp(r, value - d * r.largeChange);
    case ScrollAction::PageForward:
      return Clamp(r, value + d * r.largeChange);
    case ScrollAction::ToMin:
      return r.min;
    case ScrollAction::ToMax:
      return r.max;
  }
  return value;
}

ScrollGeometry ScrollGeometryOf(const ScrollRange& r, int value, double length, double breadth) {
  ScrollGeometry g;
  g.length = length;
  // Square arrows, shortened on a bar too short for them and a thumb.
  g.arrow = std::min(breadth, length / 3.0);
  g.track = length - 2.0 * g.arrow;
  const int steps = std::abs(r.max - r.min);
  // The thumb shows one page of the range, never shorter than 8.
  g.thumb = std::max(8.0, g.track * r.largeChange / (steps + r.largeChange));
  const double along = steps == 0 ? 0.0 : static_cast<double>(value - r.min) / (r.max - r.min);
  g.at = g.arrow + (g.track - g.thumb) * along;
  return g;
}

ScrollAction ScrollActionAt(const ScrollGeometry& g, double offset) {
  using enum ScrollAction;
  if (offset < g.arrow) {
    return LineBack;
  }
  if (offset > g.length - g.arrow) {
    return LineForward;
  }
  if (offset < g.at) {
    return PageBack;
  }
  if (offset > g.at + g.thumb) {
    return PageForward;
  }
  return None;
}

int DragTarget(const ScrollRange& r, const ScrollGeometry& g, int value, double moved) {
  const double travel = std::max(1.0, g.track - g.thumb);
  // Halves round up, towards the larger value, whichever way the range runs.
  return Clamp(r, value + static_cast<int>(std::floor(moved / travel * (r.max - r.min) + 0.5)));
}

std::string ShortestValueText(double value) {
  char buffer[32];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
  return std::string(buffer, end);
}

FormModel::FormModel() {
  for (int k = 0; k < 4; ++k) {
    const Control& c = ScrollControl(static_cast<ScrollBarId>(k));
    scroll_[k] = c.scroll.value;
    texts_[k] = std::string(FindControl(kScrollBarNames[k].text)->caption);
  }
  for (int g = 0; g < static_cast<int>(kAllFaultsGroupSizes.size()); ++g) {
    for (int k = 0; k < kAllFaultsGroupSizes[g]; ++k) {
      selected_[g][k] =
          FindControl(OptionName(static_cast<OptionGroup>(g), k), FormMode::AllFaults)->selected;
    }
  }
}

bool NeedsAllFaults(const FaultInputs& in) {
  constexpr auto DD = TransformerConnection::DD;
  return in.toGround || (in.faultType != FaultType::ThreePhase && in.faultedPhase != Phase::A) ||
         in.hvMvConnection == DD || in.mvC1Connection == DD || in.c1C2Connection == DD;
}

bool FormModel::SetMode(FormMode mode) {
  if (mode == mode_) {
    return false;
  }
  mode_ = mode;
  if (mode == FormMode::Default) {
    auto replace = [this](OptionGroup group, int extra, int by) {
      auto& flags = selected_[static_cast<int>(group)];
      if (flags[extra]) {
        flags[extra] = false;
        flags[by] = true;
      }
    };
    replace(OptionGroup::Fault, 3, 1);
    auto& phases = selected_[static_cast<int>(OptionGroup::FaultedPhase)];
    phases = {true};
    for (int t = 0; t < 3; ++t) {
      replace(static_cast<OptionGroup>(static_cast<int>(OptionGroup::HvMvTransformer) + t), 2, 0);
    }
  }
  return true;
}

void FormModel::WriteValueTexts() {
  for (int k = 0; k < 4; ++k) {
    texts_[k] = std::to_string(scroll_[k]);
  }
}

const ScrollRange& FormModel::RangeOf(ScrollBarId bar) {
  return ScrollControl(bar).scroll;
}

bool FormModel::SetScrollValue(ScrollBarId bar, int value) {
  value = Clamp(RangeOf(bar), value);
  if (value == scroll_[Index(bar)]) {
    return false;
  }
  scroll_[Index(bar)] = value;
  // The fault models read the angle from the value box, so it is written before the pass.
  texts_[Index(bar)] = std::to_string(value);
  return true;
}

bool FormModel::Scroll(ScrollBarId bar, ScrollAction action) {
  return SetScrollValue(bar, ScrollTarget(RangeOf(bar), ScrollValue(bar), action));
}

int FormModel::ScrollValue(ScrollBarId bar) const {
  return scroll_[Index(bar)];
}

bool FormModel::SetOption(OptionRef option, bool selected) {
  Record(option, selected);
  if (!selected) {
    return false;
  }
  if (option.group == OptionGroup::Z0Ratio) {
    z0RatioUnlisted_ = 0.0f;
  }
  if (option.group == OptionGroup::ZfRatio) {
    zfRatioUnlisted_ = 0.0;
  }
  return true;
}

bool FormModel::Click(OptionRef option) {
  if (IsSelected(option)) {
    return false;
  }
  auto& group = selected_[static_cast<int>(option.group)];
  std::fill(group.begin(), group.end(), false);
  return SetOption(option, true);
}

bool FormModel::IsSelected(OptionRef option) const {
  return selected_[static_cast<int>(option.group)][option.index];
}

const std::string& FormModel::ValueText(ScrollBarId bar) const {
  return texts_[Index(bar)];
}

void FormModel::SetValueText(ScrollBarId bar, std::string_view text) {
  texts_[Index(bar)] = std::string(text);
}

void FormModel::Record(OptionRef option, bool selected) {
  selected_[static_cast<int>(option.group)][option.index] = selected;
}

void FormModel::RecordScrollValue(ScrollBarId bar, int value) {
  scroll_[Index(bar)] = value;
}

void FormModel::Apply(const FaultInputs& in) {
  const double angles[3] = {in.z12AngleDeg, in.z0AngleDeg, in.zfAngleDeg};
  for (int k = 0; k < 3; ++k) {
    const double clamped = std::clamp(angles[k], 0.0, static_cast<double>(kMaxAngle));
    scroll_[k] = static_cast<int>(std::lround(clamped));
    texts_[k] = ShortestValueText(angles[k]);
  }
  scroll_[Index(ScrollBarId::Proximity)] = Clamp(RangeOf(ScrollBarId::Proximity), in.proximity);
  texts_[Index(ScrollBarId::Proximity)] = std::to_string(in.proximity);

  auto selectOnly = [this](OptionGroup group, int index) {
    auto& flags = selected_[static_cast<int>(group)];
    for (int k = 0; k < static_cast<int>(flags.size()); ++k) {
      flags[k] = k == index;
    }
  };
  auto indexOf = [](const auto& table, auto value) {
    const auto it = std::find(table.begin(), table.end(), value);
    return it == table.end() ? -1 : static_cast<int>(it - table.begin());
  };
  // A ratio no option offers leaves its group without a selection.
  const int z0 = indexOf(kZ0Ratios, in.z0Ratio);
  selectOnly(OptionGroup::Z0Ratio, z0);
  z0RatioUnlisted_ = z0 < 0 ? in.z0Ratio : 0.0f;
  const int zf = indexOf(kZfRatios, in.zfRatio);
  selectOnly(OptionGroup::ZfRatio, zf);
  zfRatioUnlisted_ = zf < 0 ? in.zfRatio : 0.0;
  if (NeedsAllFaults(in)) {
    mode_ = FormMode::AllFaults;
  }
  const bool twoPhaseGround = in.faultType == FaultType::PhaseToPhase && in.toGround;
  selectOnly(OptionGroup::Fault, twoPhaseGround ? 3 : indexOf(kFaultButtons, in.faultType));
  selectOnly(OptionGroup::FaultedPhase, static_cast<int>(in.faultedPhase));
  const TransformerConnection connections[3] = {in.hvMvConnection, in.mvC1Connection,
                                                in.c1C2Connection};
  for (int t = 0; t < 3; ++t) {
    // The options are DY, YY, DD, in the order of the connections.
    selectOnly(static_cast<OptionGroup>(static_cast<int>(OptionGroup::HvMvTransformer) + t),
               static_cast<int>(connections[t]));
  }
}

ControlValues FormModel::Values() const {
  ControlValues v;
  auto flags = [this]<std::size_t N>(OptionGroup group, std::array<bool, N>& out) {
    std::copy_n(selected_[static_cast<int>(group)].begin(), N, out.begin());
  };
  flags(OptionGroup::Fault, v.selected.fault);
  flags(OptionGroup::Z0Ratio, v.selected.z0Z12);
  flags(OptionGroup::ZfRatio, v.selected.zfZ12);
  for (int t = 0; t < 3; ++t) {
    // Element 0 (DY) is what a pass reads, and element 2 (DD) of the all-faults form.
    const auto& group = selected_[static_cast<int>(OptionGroup::HvMvTransformer) + t];
    v.selected.transformerDY[t] = group[0];
    v.selected.transformerDD[t] = mode_ == FormMode::AllFaults && group[2];
  }
  if (mode_ == FormMode::AllFaults) {
    v.selected.twoPhaseGround = selected_[static_cast<int>(OptionGroup::Fault)][3];
    flags(OptionGroup::FaultedPhase, v.selected.faultedPhase);
  }
  v.z0RatioUnlisted = z0RatioUnlisted_;
  v.zfRatioUnlisted = zfRatioUnlisted_;
  double* angles[3] = {&v.z12AngleDeg, &v.z0AngleDeg, &v.zfAngleDeg};
  for (int k = 0; k < 3; ++k) {
    *angles[k] = ReadNumber(texts_[k]).value_or(static_cast<double>(scroll_[k]));
  }
  v.proximity = static_cast<std::int16_t>(scroll_[Index(ScrollBarId::Proximity)]);
  return v;
}

}  // namespace dipview::design

#pragma once

#include <array>
#include <string>
#include <string_view>

#include "compute/fault.h"
#include "design/controls.h"
#include "design/pass.h"

namespace dipview::design {

/// What a scroll bar does on a key, an arrow or a press in its track. Back
/// moves towards the design's `min` end (the top or the left), Forward
/// towards `max`; ToMin and ToMax go to the ends.
enum class ScrollAction { None, LineBack, LineForward, PageBack, PageForward, ToMin, ToMax };

/// The action of a key on a focused scroll bar, by the key's DOM name
/// ("ArrowUp", "PageDown", "Home", ...): the arrows up and left step back, down
/// and right forward. None for any other key.
ScrollAction ScrollActionOfKey(std::string_view key);

/// The value `action` gives a scroll bar at `value`, kept within its range.
int ScrollTarget(const ScrollRange& range, int value, ScrollAction action);

/// Where the parts of a drawn scroll bar lie along it, from its back end, in
/// the unit of the bar's length (CSS pixels on the page).
struct ScrollGeometry {
  double length = 0;  ///< the whole bar
  double arrow = 0;   ///< each arrow button
  double track = 0;   ///< between the arrows
  double thumb = 0;   ///< the thumb's length
  double at = 0;      ///< the thumb's start
};

/// The parts of a scroll bar `length` long and `breadth` across, its thumb at `value`.
ScrollGeometry ScrollGeometryOf(const ScrollRange& range, int value, double length, double breadth);

/// The action of a press `offset` from the back end; None on the thumb, which starts a drag.
ScrollAction ScrollActionAt(const ScrollGeometry& g, double offset);

/// The value while the thumb, pressed with the bar at `value`, has been moved
/// `moved` along the bar (negative towards the back): the nearest step, kept
/// within the range.
int DragTarget(const ScrollRange& range, const ScrollGeometry& g, int value, double moved);

/// The window's controls and their handlers' rules without a toolkit. A front
/// end tells it what the user did to a control; it answers whether a pass
/// runs, and holds what every input control shows. The pass itself, the
/// layout and the drawing stay with the front end.
class FormModel {
 public:
  /// The controls as designed, before the load handler: the scroll bars at
  /// their design values, the value boxes with their design text, the
  /// design's selections.
  FormModel();

  /// The load handler's first step: each value box takes its scroll bar's value.
  void WriteValueTexts();
  /// The options the load handler then selects, in this order, each as a
  /// click would; each runs a pass.
  static constexpr std::array<OptionRef, 2> kLoadSelections = {
      {{.group = OptionGroup::Z0Ratio, .index = 1}, {.group = OptionGroup::ZfRatio, .index = 6}}};

  /// Scroll bar `bar` took `value` (the design's numbering: an angle bar's
  /// value is its angle). Its value box takes the value. True when a pass
  /// runs: whenever the value changed.
  bool SetScrollValue(ScrollBarId bar, int value);
  /// A key, an arrow or a press in the track: SetScrollValue with ScrollTarget.
  bool Scroll(ScrollBarId bar, ScrollAction action);
  int ScrollValue(ScrollBarId bar) const;
  static const ScrollRange& RangeOf(ScrollBarId bar);

  /// Option `index` of `group` became selected (`selected` true) or not. An
  /// option runs a pass only on becoming selected; a ratio option becoming
  /// selected also drops a ratio that no option offers. Other options of the
  /// group keep their state: the front end reports each change.
  bool SetOption(OptionRef option, bool selected);
  /// A click on an option: it becomes the only selected option of its group.
  /// True when a pass runs: only when it was not selected before.
  bool Click(OptionRef option);
  bool IsSelected(OptionRef option) const;

  /// The text of a value box. Set from outside, it is what a pass reads as
  /// the angle; a text that does not read as a finite number gives way to its
  /// scroll bar's value.
  const std::string& ValueText(ScrollBarId bar) const;
  void SetValueText(ScrollBarId bar, std::string_view text);

  /// Records what a control shows when it changed without its handler (set
  /// from outside the program): no rule runs and no pass follows.
  void Record(OptionRef option, bool selected);
  void RecordScrollValue(ScrollBarId bar, int value);

  /// Puts `in` on the controls: the scroll bars at the nearest whole value
  /// within range, the value boxes with the exact values (decimals shown),
  /// one option per group, none for a ratio no option offers (which is then
  /// used as given). Settings that only the all-faults form shows turn that
  /// form on. A pass always follows.
  void Apply(const FaultInputs& in);

  /// The form's mode; the default form at first.
  FormMode Mode() const { return mode_; }
  /// Turns the all-faults form on or off. Leaving it puts its extra groups
  /// back to what the default form shows: the two-phase-to-ground fault
  /// becomes phase-to-phase, the faulted phase A, a DD transformer DY. True
  /// when a pass runs: whenever the mode changed, as the frames change size.
  bool SetMode(FormMode mode);

  /// What the controls hold, as a pass reads them.
  ControlValues Values() const;
  FaultInputs Settings() const { return SettingsOf(Values()); }

 private:
  std::array<int, 4> scroll_{};
  std::array<std::string, 4> texts_;
  FormMode mode_ = FormMode::Default;
  std::array<std::array<bool, 7>, kAllFaultsGroupSizes.size()> selected_{};
  float z0RatioUnlisted_ = 0.0f;
  double zfRatioUnlisted_ = 0.0;
};

/// Whether `in` needs the all-faults form: the two-phase-to-ground fault, a
/// faulted phase other than A (B and C for a phase-to-phase fault) or a DD
/// transformer.
bool NeedsAllFaults(const FaultInputs& in);

/// The shortest text that reads back as `value`: "85", "85.5", "1e-07".
std::string ShortestValueText(double value);

}  // namespace dipview::design

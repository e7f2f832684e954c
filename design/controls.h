#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "design/constants.h"

namespace dipview::design {

/// Client area of the window at design time, in twips.
inline constexpr float kClientWidth = 9720.0f;
inline constexpr float kClientHeight = 7575.0f;
/// Client area that shows everything, readout grid and sequence column included.
inline constexpr float kFullWidth = 11760.0f;
inline constexpr float kFullHeight = 8760.0f;
/// Upper-left corner of the client area on the screen at start-up, in twips.
inline constexpr float kStartLeft = 2490.0f;
inline constexpr float kStartTop = 1695.0f;

/// Position and size in twips, relative to the container. Single precision:
/// the layout step writes halves such as 3457.5.
struct TwipsRect {
  float left = 0.0f;
  float top = 0.0f;
  float width = 0.0f;
  float height = 0.0f;
  friend bool operator==(const TwipsRect&, const TwipsRect&) = default;
};

/// The two ends of a line control, in twips.
struct LineEnds {
  float x1 = 0.0f;
  float y1 = 0.0f;
  float x2 = 0.0f;
  float y2 = 0.0f;
  friend bool operator==(const LineEnds&, const LineEnds&) = default;
};

/// The input area's frame lines; the diagram columns derive from Line1.
inline constexpr LineEnds kLine1{120, 2880, 9600, 2880};
inline constexpr LineEnds kLine2{120, 2880, 120, 120};
inline constexpr LineEnds kLine3{9600, 2880, 9600, 120};
inline constexpr LineEnds kLine4{120, 120, 9600, 120};

enum class ControlKind {
  Label,
  TextBox,
  Frame,
  OptionButton,
  VerticalScrollBar,
  HorizontalScrollBar,
  Line
};
enum class FontKind { Default, Bold };

/// Range and steps of a scroll bar. `min` is at the top or left end and may
/// be larger than `max`: the angle bars run from 90 at the top to 0.
struct ScrollRange {
  int min = 0;
  int max = 0;
  int value = 0;
  int smallChange = 1;
  int largeChange = 10;
};

/// One control as the window is designed. A front end builds its widgets
/// from these, in this order (which is also their stacking order).
struct Control {
  ControlKind kind = ControlKind::Label;
  std::string name;            ///< with the array index in brackets: "Z0_Z12_opt(1)"
  std::string_view container;  ///< name of the frame holding it; empty for the window
  TwipsRect rect;              ///< all but lines
  LineEnds ends;               ///< lines only
  std::string_view caption;    ///< caption, or the text of a text box
  FontKind font = FontKind::Default;
  std::optional<Rgb> colour;  ///< text colour; the toolkit's when empty
  bool visible = true;
  bool centred = false;
  bool selected = false;  ///< option buttons
  bool readOnly = false;  ///< text boxes
  ScrollRange scroll;     ///< scroll bars
};

/// The form's modes. AllFaults adds what the default form cannot set: the
/// two-phase-to-ground fault, the faulted phases and a DD connection for each
/// transformer; the fault and transformer frames make room for them.
enum class FormMode { Default, AllFaults };

/// Every control of the window in `mode`, in creation order. The all-faults
/// table is the default one with the extra controls after their neighbours.
const std::vector<Control>& DesignTable(FormMode mode = FormMode::Default);

/// The names of the controls that take the keyboard's focus, in tab order:
/// the input area (scroll bars and options), the transformer options, the
/// value boxes, then the readouts bus by bus.
const std::vector<std::string>& TabOrder(FormMode mode = FormMode::Default);

/// The control named `name` in `mode`'s table; nullptr when there is none.
/// The default mode also finds the all-faults controls, as they are designed.
const Control* FindControl(std::string_view name, FormMode mode = FormMode::Default);

/// Array element names: ElementName("VHV_text", 2) is "VHV_text(2)".
std::string ElementName(std::string_view array, int index);

/// The readout arrays of the four buses, top to bottom; element k shows phase
/// k / 2, magnitude for even k and angle for odd k.
inline constexpr std::array<std::string_view, 4> kReadoutArrays = {"VHV_text", "VMV_Text",
                                                                   "VC1_Text", "VC2_Text"};

/// The scroll bars, in the order of kScrollBarNames.
enum class ScrollBarId { Z12Angle, Z0Angle, ZfAngle, Proximity };

/// A scroll bar and the value box it writes.
struct ScrollBarNames {
  std::string_view bar;
  std::string_view text;
};
inline constexpr std::array<ScrollBarNames, 4> kScrollBarNames = {
    {{"Z12_Angle", "Z12_Angle_Text"},
     {"Z0_Angle", "Z0_Angle_Text"},
     {"ZF_Angle", "ZF_Angle_Text"},
     {"Proximity", "Proximity_Text"}}};

/// The option groups, in the order of kAllFaultsGroupSizes; the default form
/// has the first six, in the order of kOptionGroupSizes.
enum class OptionGroup {
  Fault,
  Z0Ratio,
  ZfRatio,
  HvMvTransformer,
  MvC1Transformer,
  C1C2Transformer,
  FaultedPhase
};
inline constexpr std::array<int, 6> kOptionGroupSizes = {3, 6, 7, 2, 2, 2};
/// The all-faults form's groups: a fourth fault button, DD for each
/// transformer and the faulted phases.
inline constexpr std::array<int, 7> kAllFaultsGroupSizes = {4, 6, 7, 3, 3, 3, 3};

/// The group sizes of `mode`.
std::span<const int> OptionGroupSizes(FormMode mode);

/// The fault buttons are arrays of one element each, at their own index:
/// "Single_Phase(0)", "Phase_Phase(1)", "Three_Phase(2)" and, in the
/// all-faults form, "Two_Phase_Ground(3)".
inline constexpr std::array<std::string_view, 4> kFaultButtonArrays = {
    "Single_Phase", "Phase_Phase", "Three_Phase", "Two_Phase_Ground"};
inline constexpr std::string_view kZ0RatioArray = "Z0_Z12_opt";
inline constexpr std::string_view kZfRatioArray = "ZF_Z12_opt";
/// The all-faults form's frame of faulted phases and its options (element k
/// is phase A, B, C: the phase a single-phase fault takes to ground, or the
/// one a two-phase fault leaves out).
inline constexpr std::string_view kFaultedPhaseFrame = "Phase_Frame";
inline constexpr std::string_view kFaultedPhaseArray = "Faulted_Phase";

/// A transformer's frame and its option array (element 0 DY, 1 YY and, in
/// the all-faults form, 2 DD), top to bottom.
struct TransformerNames {
  std::string_view frame;
  std::string_view options;
};
inline constexpr std::array<TransformerNames, 3> kTransformerNames = {
    {{"HV_MV", "HV_MV_Trans"}, {"MV_C1", "MV_C1_Trans"}, {"C1_C2", "C1_C2_Trans"}}};

/// The labels of the diagram area that the layout step places: the heading,
/// the phase letters A, B, C and the four bus captions.
inline constexpr std::array<std::string_view, 8> kDiagramLabelNames = {
    "Voltage_Label", "Letter_A", "Letter_B", "Letter_C",
    "HV_Label",      "MV_Label", "C1_Label", "C2_Label"};

/// The name of option `index` of `group`: OptionName(OptionGroup::Z0Ratio, 1) is "Z0_Z12_opt(1)".
std::string OptionName(OptionGroup group, int index);

/// The group and index of an option's name, in either form; nullopt for any other name.
struct OptionRef {
  OptionGroup group = OptionGroup::Fault;
  int index = 0;
  friend bool operator==(const OptionRef&, const OptionRef&) = default;
};
std::optional<OptionRef> OptionOf(std::string_view name);

}  // namespace dipview::design

#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "compute/transformer.h"
#include "design/controls.h"
#include "design/drawing.h"

namespace dipview::design {

/// The fault each fault button selects: Single_Phase(0), Phase_Phase(1),
/// Three_Phase(2) and Two_Phase_Ground(3), which also sets toGround.
inline constexpr std::array<FaultType, 4> kFaultButtons = {
    FaultType::SinglePhase, FaultType::PhaseToPhase, FaultType::ThreePhase,
    FaultType::PhaseToPhase};

/// Which option buttons are selected. Each group may have none or, when set
/// from outside the program, more than one.
struct Selections {
  std::array<bool, 3> fault{true, false, false};  ///< Single_Phase, Phase_Phase, Three_Phase
  std::array<bool, 6> z0Z12{};                    ///< Z0_Z12_opt(0..5)
  std::array<bool, 7> zfZ12{};                    ///< ZF_Z12_opt(0..6)
  /// HV_MV_Trans, MV_C1_Trans, C1_C2_Trans: element 0 (DY) selected?
  std::array<bool, 3> transformerDY{true, true, true};
  /// The all-faults form's options: Two_Phase_Ground(3), Faulted_Phase(0..2)
  /// and element 2 (DD) of each transformer.
  bool twoPhaseGround = false;
  std::array<bool, 3> faultedPhase{};
  std::array<bool, 3> transformerDD{};
  friend bool operator==(const Selections&, const Selections&) = default;
};

/// What the input controls hold.
struct ControlValues {
  double z12AngleDeg = kMaxAngle;  ///< as the value texts read
  double z0AngleDeg = kMaxAngle;
  double zfAngleDeg = kMaxAngle;
  std::int16_t proximity = 50;
  Selections selected;
  /// The ratios used while no option of their group is selected.
  float z0RatioUnlisted = 0.0f;
  double zfRatioUnlisted = 0.0;
  friend bool operator==(const ControlValues&, const ControlValues&) = default;
};

/// The fault the fault buttons select: the last selected one by index, none
/// when no button is selected.
std::optional<FaultType> SelectedFault(const Selections& s);

/// The settings a pass computes with. The last selected option of a ratio,
/// fault or phase group wins; with no fault button selected the fault type
/// reads as single phase (the pass then computes no fault at all), with no
/// phase selected the phase reads as A. A transformer is DD when its DD
/// option is selected, else DY or YY as its DY option says.
FaultInputs SettingsOf(const ControlValues& v);

/// The controls of the diagram area that the layout step moves, in twips.
struct DiagramLayout {
  TwipsRect voltageLabel, letterA, letterB, letterC;
  TwipsRect hvLabel, mvLabel, c1Label, c2Label;
  TwipsRect hvMv, mvC1, c1C2;
  friend bool operator==(const DiagramLayout&, const DiagramLayout&) = default;
};

/// The controls the layout step moves: their names and their place in DiagramLayout.
struct DiagramControl {
  std::string_view name;
  TwipsRect DiagramLayout::*rect;
};
inline constexpr std::array<DiagramControl, 11> kDiagramControls = {{
    {kDiagramLabelNames[0], &DiagramLayout::voltageLabel},
    {kDiagramLabelNames[1], &DiagramLayout::letterA},
    {kDiagramLabelNames[2], &DiagramLayout::letterB},
    {kDiagramLabelNames[3], &DiagramLayout::letterC},
    {kDiagramLabelNames[4], &DiagramLayout::hvLabel},
    {kDiagramLabelNames[5], &DiagramLayout::mvLabel},
    {kDiagramLabelNames[6], &DiagramLayout::c1Label},
    {kDiagramLabelNames[7], &DiagramLayout::c2Label},
    {kTransformerNames[0].frame, &DiagramLayout::hvMv},
    {kTransformerNames[1].frame, &DiagramLayout::mvC1},
    {kTransformerNames[2].frame, &DiagramLayout::c1C2},
}};

/// The design-time positions of the diagram area in `mode`.
DiagramLayout DesignLayout(FormMode mode = FormMode::Default);

/// Geometry of the diagrams in one pass, in twips.
struct DiagramGeometry {
  float columnWidth = 0.0f;
  float diagramRadius = 0.0f;
  float frameTop = 0.0f;
  float firstCx = 0.0f;  ///< centre of Substation HV's diagram
  float cy = 0.0f;
  float barBase = 0.0f;
  friend bool operator==(const DiagramGeometry&, const DiagramGeometry&) = default;
};

struct PassInputs {
  ControlValues controls;
  DiagramLayout layout;          ///< where the diagram controls are now
  double surfaceHeightPx = 0.0;  ///< height of the drawing surface, logical pixels
};

struct PassResult {
  DiagramLayout layout;  ///< where the diagram controls go; all of them are shown
  DiagramGeometry geometry;
  PassVoltages voltages;
  std::array<double, 4>
      prefaultAngles{};  ///< each bus's pre-fault positive-sequence angle, radians
  std::array<std::array<std::string, 6>, 4> readouts;  ///< texts of kReadoutArrays, bus by bus
  DrawingList drawing;                                 ///< in drawing order
};

/// The layout step: clears the diagram columns, then places the heading, the
/// letters, the bus captions and the transformer frames from Line1.
void LayoutDiagramArea(const PassInputs& in, Recorder& surface, PassResult& out);

/// One whole pass: the layout step, the fault model once, and for each bus
/// its diagram, for Substation HV also the sequence diagrams, its phasor lines
/// and bars, and its readouts. `state` is the window's drawing state before
/// the pass and is left as the pass leaves it. `out` is overwritten; passing
/// the same one each time reuses its storage.
void RunPass(const PassInputs& in, DrawState& state, PassResult& out);

}  // namespace dipview::design

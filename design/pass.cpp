#include "design/pass.h"

#include "compute/readout.h"
#include "design/diagrams.h"

namespace dipview::design {

namespace {

// The last selected fault button by index; -1 for none.
int SelectedFaultButton(const Selections& s) {
  if (s.twoPhaseGround) {
    return 3;
  }
  for (int i = static_cast<int>(s.fault.size()) - 1; i >= 0; --i) {
    if (s.fault[i]) {
      return i;
    }
  }
  return -1;
}

}  // namespace

std::optional<FaultType> SelectedFault(const Selections& s) {
  const int button = SelectedFaultButton(s);
  return button < 0 ? std::nullopt : std::optional(kFaultButtons[button]);
}

FaultInputs SettingsOf(const ControlValues& v) {
  FaultInputs in;
  in.faultType = SelectedFault(v.selected).value_or(FaultType::SinglePhase);
  in.toGround = SelectedFaultButton(v.selected) == 3;
  for (int k = 0; k < 3; ++k) {
    if (v.selected.faultedPhase[k]) {
      in.faultedPhase = static_cast<Phase>(k);
    }
  }
  in.zfRatio = v.zfRatioUnlisted;
  for (std::size_t i = 0; i < kZfRatios.size(); ++i) {
    if (v.selected.zfZ12[i]) {
      in.zfRatio = kZfRatios[i];
    }
  }
  in.z0Ratio = v.z0RatioUnlisted;
  for (std::size_t i = 0; i < kZ0Ratios.size(); ++i) {
    if (v.selected.z0Z12[i]) {
      in.z0Ratio = kZ0Ratios[i];
    }
  }
  in.z12AngleDeg = v.z12AngleDeg;
  in.zfAngleDeg = v.zfAngleDeg;
  in.z0AngleDeg = v.z0AngleDeg;
  in.proximity = v.proximity;
  auto connection = [&v](int t) {
    if (v.selected.transformerDD[t]) {
      return TransformerConnection::DD;
    }
    return v.selected.transformerDY[t] ? TransformerConnection::DY : TransformerConnection::YY;
  };
  in.hvMvConnection = connection(0);
  in.mvC1Connection = connection(1);
  in.c1C2Connection = connection(2);
  return in;
}

DiagramLayout DesignLayout(FormMode mode) {
  DiagramLayout l;
  for (const DiagramControl& c : kDiagramControls) {
    l.*c.rect = FindControl(c.name, mode)->rect;
  }
  return l;
}

void LayoutDiagramArea(const PassInputs& in, Recorder& surface, PassResult& out) {
  const LineEnds& line1 = kLine1;
  DrawState& st = surface.state();
  st.fillColor = st.backColor;
  // The lower edge lies just below the drawing area, which clips it away.
  const auto bottom = static_cast<float>((in.surfaceHeightPx + 1) * kTwipsPerPixel);
  surface.Box(line1.x1, line1.y1, line1.x2, bottom, st.foreColor);

  const float columnWidth = (line1.x2 - line1.x1) / 4.0f;
  const float radius = columnWidth / 2.0f - 300.0f;

  DiagramLayout l = in.layout;
  l.voltageLabel.top = line1.y1 + 100.0f;
  l.voltageLabel.left = line1.x1 + (line1.x2 - line1.x1) / 2.0f - l.voltageLabel.width / 2.0f +
                        5.0f * l.letterA.width / 2.0f;
  l.letterA.left = l.voltageLabel.left - 5.0f * l.letterA.width;
  l.letterB.left = l.letterA.left + 1.5f * l.letterA.width;
  l.letterC.left = l.letterB.left + 1.5f * l.letterA.width;
  l.letterA.top = l.voltageLabel.top;
  l.letterB.top = l.voltageLabel.top;
  l.letterC.top = l.voltageLabel.top;

  l.hvLabel.left = line1.x1 + columnWidth / 2.0f - l.hvLabel.width / 2.0f;
  l.mvLabel.left = line1.x1 + 3.0f * columnWidth / 2.0f - l.mvLabel.width / 2.0f;
  l.c1Label.left = line1.x1 + 5.0f * columnWidth / 2.0f - l.c1Label.width / 2.0f;
  l.c2Label.left = line1.x1 + 7.0f * columnWidth / 2.0f - l.c2Label.width / 2.0f;
  l.hvLabel.top = l.mvLabel.top;
  l.c1Label.top = l.mvLabel.top;
  l.c2Label.top = l.mvLabel.top;

  const float frameTop = l.hvLabel.top + l.hvLabel.height + 2.0f * radius;
  l.hvMv.left = line1.x1 + columnWidth - l.hvMv.width / 2.0f;
  l.hvMv.top = frameTop;
  l.mvC1.left = line1.x1 + 2.0f * columnWidth - l.mvC1.width / 2.0f;
  l.mvC1.top = frameTop;
  l.c1C2.left = line1.x1 + 3.0f * columnWidth - l.c1C2.width / 2.0f;
  l.c1C2.top = frameTop;

  out.layout = l;
  out.geometry.columnWidth = columnWidth;
  out.geometry.diagramRadius = radius;
  out.geometry.frameTop = frameTop;
}

void RunPass(const PassInputs& in, DrawState& state, PassResult& out) {
  out.drawing.clear();
  Recorder surface(out.drawing, state);
  LayoutDiagramArea(in, surface, out);
  const DiagramLayout& l = out.layout;
  DiagramGeometry& g = out.geometry;

  const FaultInputs settings = SettingsOf(in.controls);
  out.voltages = SelectedFault(in.controls.selected)
                     ? ComputeVoltages(settings)
                     // No fault button: no fault model runs and Substation HV has nothing.
                     : VoltagesFrom(PhaseTriple{}, settings);
  for (int n = 1; n <= 4; ++n) {
    out.prefaultAngles[n - 1] = PrefaultAngle(static_cast<Bus>(n), settings);
  }

  float cx = kLine1.x1 + g.columnWidth / 2.0f;
  g.firstCx = cx;
  g.cy = l.hvLabel.top + l.hvLabel.height + g.diagramRadius;
  g.barBase = l.hvMv.top + l.hvMv.height / 2.0f + kBarFullScale;

  state.fillStyle = FillStyle::Solid;
  for (int bus = 0; bus < 4; ++bus) {
    DrawDiagramBackground(surface, cx, g.cy, g.diagramRadius);
    if (bus == 0) {
      DrawSequenceDiagrams(surface, g.firstCx, g.columnWidth, g.diagramRadius, kLine4.y1,
                           out.voltages.sequenceAtHV);
    }
    const PhaseTriple& v = out.voltages.busVoltages[bus];
    DrawPhasorLines(surface, cx, g.cy, g.diagramRadius, v);
    DrawMagnitudeBars(surface, cx, g.barBase, v);
    cx += g.columnWidth;
    out.readouts[bus] = ReadoutTexts(v);
  }
}

}  // namespace dipview::design

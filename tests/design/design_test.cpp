#include <cmath>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "compute/readout.h"
#include "design/diagrams.h"
#include "design/labels.h"
#include "design/pass.h"

namespace dipview::design {
namespace {

TEST(DesignTableTest, EveryControlOnceAndEachFrameBeforeWhatItHolds) {
  std::set<std::string> seen;
  int lines = 0;
  for (const Control& c : DesignTable()) {
    EXPECT_TRUE(seen.insert(c.name).second) << c.name;
    if (!c.container.empty()) {
      const Control* frame = FindControl(c.container);
      ASSERT_NE(frame, nullptr) << c.name;
      EXPECT_EQ(frame->kind, ControlKind::Frame) << c.name;
      EXPECT_TRUE(seen.contains(frame->name)) << c.name;
    }
    lines += c.kind == ControlKind::Line ? 1 : 0;
  }
  EXPECT_EQ(lines, 4);
  EXPECT_EQ(seen.size(), 80u);
  EXPECT_EQ(FindControl("Line5"), nullptr);
}

struct Row {
  const char* name;
  ControlKind kind;
  std::string_view container;
  TwipsRect rect;
  std::string_view caption;
  bool visible;
  bool selected;
};

TEST(DesignTableTest, HandCheckedRows) {
  using enum ControlKind;
  const Row rows[] = {
      {"Top_Label",
       Label,
       "",
       {240, 240, 4575, 255},
       "Enter System and Fault Characteristics",
       true,
       false},
      {"Z0_Angle_Text", TextBox, "", {1200, 960, 495, 285}, "Text1", true, false},
      {"Z0_Z12_opt(5)", OptionButton, "Frame2(0)", {240, 1440, 615, 375}, "0.5", true, false},
      {"ZF_Z12_opt(6)", OptionButton, "Frame3", {600, 1680, 735, 315}, "0.0", true, false},
      {"Proximity_Text", TextBox, "Frame4", {1320, 600, 495, 285}, "Text1", true, false},
      {"Single_Phase(0)",
       OptionButton,
       "Frame1",
       {120, 240, 2775, 195},
       "Single Phase (Phase A)",
       true,
       true},
      {"Letter_B", Label, "", {3480, 3000, 135, 375}, "B", false, false},
      {"MV_Label",
       Label,
       "",
       {2040, 3360, 2535, 255},
       "Substation MV and Along Feeder",
       false,
       false},
      {"C1_C2", Frame, "", {6720, 5040, 855, 855}, "Transf", false, false},
      {"MV_C1_Trans(1)", OptionButton, "MV_C1", {120, 480, 615, 255}, "YY", true, false},
      {"HV_MV_Trans(0)", OptionButton, "HV_MV", {120, 240, 615, 255}, "DY", true, true},
      {"Label2", Label, "", {10200, 0, 1215, 255}, "V012 at Sub HV", true, false},
      {"VHV_text(2)", TextBox, "", {480, 8040, 735, 285}, "Text1", true, false},
      {"VHV_text(3)", TextBox, "", {1320, 8040, 735, 315}, "Text1", true, false},
      {"VC2_Text(5)", TextBox, "", {8400, 8400, 735, 285}, "Text1", true, false},
  };
  for (const Row& row : rows) {
    const Control* c = FindControl(row.name);
    ASSERT_NE(c, nullptr) << row.name;
    EXPECT_EQ(c->kind, row.kind) << row.name;
    EXPECT_EQ(c->container, row.container) << row.name;
    EXPECT_EQ(c->rect, row.rect) << row.name;
    EXPECT_EQ(c->caption, row.caption) << row.name;
    EXPECT_EQ(c->visible, row.visible) << row.name;
    EXPECT_EQ(c->selected, row.selected) << row.name;
  }
  EXPECT_EQ(FindControl("Top_Label")->font, FontKind::Bold);
  EXPECT_EQ(FindControl("Letter_B")->colour, kLightRed);
  EXPECT_TRUE(FindControl("Z12_Angle_Text")->readOnly);
  EXPECT_FALSE(FindControl("VHV_text(0)")->readOnly);
  EXPECT_EQ(FindControl("Line3")->ends, (LineEnds{9600, 2880, 9600, 120}));
  const ScrollRange angle = FindControl("ZF_Angle")->scroll;
  EXPECT_EQ(std::tuple(angle.min, angle.max, angle.value, angle.smallChange, angle.largeChange),
            std::tuple(90, 0, 90, 1, 10));
  EXPECT_EQ(FindControl("Proximity")->scroll.value, 50);
}

TEST(SettingsTest, SelectionsGiveTheSettings) {
  ControlValues v;
  v.z0RatioUnlisted = 1.25f;
  v.zfRatioUnlisted = 0.75;
  v.selected.fault = {false, false, false};
  FaultInputs in = SettingsOf(v);
  EXPECT_EQ(SelectedFault(v.selected), std::nullopt);
  EXPECT_EQ(in.faultType, FaultType::SinglePhase);
  EXPECT_EQ(in.z0Ratio, 1.25f);
  EXPECT_EQ(in.zfRatio, 0.75);
  // Two selected options: the lower one in the group wins.
  v.selected.fault = {true, false, true};
  v.selected.z0Z12[0] = v.selected.z0Z12[5] = true;
  v.selected.zfZ12[1] = v.selected.zfZ12[6] = true;
  v.selected.transformerDY = {true, false, true};
  in = SettingsOf(v);
  EXPECT_EQ(in.faultType, FaultType::ThreePhase);
  EXPECT_EQ(in.z0Ratio, 0.5f);
  EXPECT_EQ(in.zfRatio, 0.0);
  EXPECT_EQ(in.hvMvConnection, TransformerConnection::DY);
  EXPECT_EQ(in.mvC1Connection, TransformerConnection::YY);
  v.selected.fault = {true, true, false};
  EXPECT_EQ(SettingsOf(v).faultType, FaultType::PhaseToPhase);
}

/// A pass at start-up: the design-time positions, options "2.5" and "0.0".
PassInputs StartUp() {
  PassInputs in;
  in.controls.selected.z0Z12[1] = true;
  in.controls.selected.zfZ12[6] = true;
  in.layout = DesignLayout();
  in.surfaceHeightPx = 584;
  return in;
}

/// The kinds of a drawing list, one letter each.
std::string Kinds(const DrawingList& drawing) {
  std::string s;
  for (const DrawOp& op : drawing) {
    s += "FBLDR"[static_cast<int>(op.kind)];
  }
  return s;
}

TEST(PassTest, DrawingListInDrawingOrder) {
  DrawState state{.foreColor = {1, 2, 3}, .backColor = {200, 200, 200}};
  PassResult out;
  RunPass(StartUp(), state, out);
  const std::string bus =
      "DRRRR"
      "LLL"
      "BLLLLBBB";
  const std::string sequence =
      "FDRRRR"
      "FDRRRR"
      "FDRRRR"
      "LLL";
  EXPECT_EQ(Kinds(out.drawing),
            "B" + bus.substr(0, 5) + sequence + bus.substr(5) + bus + bus + bus);
  // The first pass clears with a transparent fill, every later one with the window's colour.
  const DrawOp clear = out.drawing[0];
  EXPECT_EQ(clear, (DrawOp{.kind = Primitive::Box,
                           .x1 = 120,
                           .y1 = 2880,
                           .x2 = 9600,
                           .y2 = 8775,
                           .colour = {1, 2, 3},
                           .fill = std::nullopt}));
  RunPass(StartUp(), state, out);
  EXPECT_EQ(out.drawing[0].fill, state.backColor);
  // Bus 1: the disc, a dotted ring, then the first sequence diagram on its erased square.
  EXPECT_EQ(out.drawing[1], (DrawOp{.kind = Primitive::Disc,
                                    .x1 = 1305,
                                    .y1 = 4500,
                                    .radius = 885,
                                    .colour = {1, 2, 3},
                                    .smooth = true,
                                    .fill = kWhite}));
  EXPECT_EQ(out.drawing[2].kind, Primitive::DottedRing);
  EXPECT_EQ(out.drawing[2].radius, 708.0f);
  EXPECT_EQ(out.drawing[2].smooth, false);
  EXPECT_EQ(out.drawing[6], (DrawOp{.kind = Primitive::Fill,
                                    .x1 = 9870,
                                    .y1 = 190,
                                    .x2 = 11700,
                                    .y2 = 2020,
                                    .colour = state.backColor,
                                    .fill = std::nullopt}));
  // Va of Substation HV: two pixels wide, black, smoothed when slanted.
  const DrawOp& va = out.drawing[27];
  EXPECT_EQ(va.kind, Primitive::Line);
  EXPECT_EQ(va.penWidth, 2);
  EXPECT_EQ(va.colour, kBlack);
  EXPECT_EQ(std::tuple(va.x1, va.y1), std::tuple(1305.0f, 4500.0f));
  EXPECT_EQ(state, (DrawState{.foreColor = {1, 2, 3},
                              .backColor = {200, 200, 200},
                              .fillColor = kLightBlue,
                              .fillStyle = FillStyle::Solid}));
  EXPECT_EQ(out.geometry, (DiagramGeometry{2370, 885, 5385, 1305, 4500, 7312.5f}));
}

TEST(PassTest, VoltagesAndReadoutsComeFromTheCore) {
  DrawState state;
  PassResult out;
  PassInputs in = StartUp();
  in.controls.selected.fault = {true, false, true};
  in.controls.proximity = 30;
  RunPass(in, state, out);
  FaultInputs three;
  three.faultType = FaultType::ThreePhase;
  three.proximity = 30;
  EXPECT_EQ(out.voltages, ComputeVoltages(three));
  EXPECT_EQ(out.readouts[3], ReadoutTexts(ComputeVoltages(three).busVoltages[3]));
}

TEST(PassTest, NoFaultButtonGivesNoVoltageAnywhere) {
  DrawState state;
  PassResult out;
  PassInputs in = StartUp();
  in.controls.selected.fault = {false, false, false};
  in.controls.selected.transformerDY = {false, true, true};
  RunPass(in, state, out);
  using Texts = std::array<std::string, 6>;
  // A DY rebuilds the phases of a zero set with the angle of +90 degrees.
  EXPECT_EQ(out.readouts[0], (Texts{"0", "0", "0", "0", "0", "0"}));
  EXPECT_EQ(out.readouts[1], (Texts{"0", "0", "0", "0", "0", "0"}));
  EXPECT_EQ(out.readouts[2], (Texts{"0", "90", "0", "90", "0", "90"}));
  EXPECT_EQ(out.readouts[3], (Texts{"0", "90", "0", "90", "0", "90"}));
}

TEST(PassTest, LayoutFollowsAMovedCaption) {
  DrawState state;
  PassResult out;
  PassInputs in = StartUp();
  in.layout.mvLabel.top = 3600;
  RunPass(in, state, out);
  EXPECT_EQ(out.layout.hvLabel.top, 3600.0f);
  EXPECT_EQ(out.layout.c2Label.top, 3600.0f);
  EXPECT_EQ(out.layout.mvC1.top, 3600.0f + 255 + 2 * 885);
  EXPECT_EQ(out.layout.letterB.left - out.layout.letterA.left, 1.5f * 135);
  EXPECT_EQ(out.geometry.cy, 3600.0f + 255 + 885);
}

TEST(DiagramGeometryTest, PhasorEndsAndBars) {
  EXPECT_EQ(PhasorEnd(1305, 4500, 885, {1.0, 0.0}), (PointTwips{2190, 4500}));
  EXPECT_EQ(PhasorEnd(1305, 4500, 885, {0.5, 3.1415927410125732}), (PointTwips{862.5f, 4500}));
  EXPECT_EQ(PhasorEnd(8415, 4500, 885, {1.0, -1.5707963705062866}).y, 5385.0f);
  EXPECT_EQ(BarFrame(1305, 7312.5f), (BoxTwips{905, 7312.5f, 1705, 5812.5f}));
  const auto bars = Bars(1305, 7312.5f, {{1.0, 0.0}, {0.5, 1.0}, {0.0, 2.0}});
  EXPECT_EQ(bars[0], (BoxTwips{1005, 7312.5f, 1205, 5812.5f}));
  EXPECT_EQ(bars[1], (BoxTwips{1205, 7312.5f, 1405, 6562.5f}));
  EXPECT_EQ(bars[2], (BoxTwips{1405, 7312.5f, 1605, 7312.5f}));
  EXPECT_EQ(SequenceCentre(1305, 2370, 885, 120, 0), (PointTwips{10785, 1105}));
  EXPECT_EQ(SequenceCentre(1305, 2370, 885, 120, 1), (PointTwips{10785, 3075}));
  EXPECT_EQ(SequenceCentre(1305, 2370, 885, 120, 2), (PointTwips{10785, 5045}));
}

TEST(DiagramGeometryTest, BalancedFaultGivesEqualLinesAndBars) {
  FaultInputs in;
  in.faultType = FaultType::ThreePhase;
  in.proximity = 30;
  for (const PhaseTriple& v : ComputeVoltages(in).busVoltages) {
    const auto bars = Bars(6045, 7312.5f, v);
    EXPECT_NEAR(bars[0].y2, bars[1].y2, 0.01);
    EXPECT_NEAR(bars[0].y2, bars[2].y2, 0.01);
    const PointTwips ends[3] = {PhasorEnd(6045, 4500, 885, v.a), PhasorEnd(6045, 4500, 885, v.b),
                                PhasorEnd(6045, 4500, 885, v.c)};
    for (int i = 0; i < 3; ++i) {
      const PointTwips p = ends[i];
      const PointTwips q = ends[(i + 1) % 3];
      // 0.3 per unit, 120 degrees apart: every side of the triangle of ends is sqrt(3) r.
      EXPECT_NEAR(std::hypot(p.x - q.x, p.y - q.y), std::sqrt(3.0) * 0.3 * 885, 0.05) << i;
    }
  }
}

// Positions from the design-time readouts and diagrams: a heading 60 twips
// over the grid, a letter 60 left of its row, the sag type 40 under its disc,
// a ring's scale 15 under the ring, a bar's 40 left of the frame; baselines
// by the font's ascent (0.905) and a digit's height (0.716).
TEST(LabelsTest, StartUpTextsAndPlaces) {
  DrawState state{.foreColor = kBlack, .backColor = {200, 200, 200}};
  PassResult out;
  RunPass(StartUp(), state, out);
  const std::vector<TextItem> items = Labels(out);
  struct Row {
    const char* text;
    float x;
    float baseline;
    TextAlign align;
    Rgb colour;
  };
  const Row rows[] = {
      {"HV", 420, 7620, TextAlign::Right, kBlack},
      {"|V| pu", 847.5f, 7620, TextAlign::Centre, kBlack},
      {"angle deg", 1687.5f, 7620, TextAlign::Centre, kBlack},
      {"sag type B_a", 1305, 5425 + 0.905f * 195, TextAlign::Centre, kBlack},
      {"sag type C_c", 3675, 5425 + 0.905f * 195, TextAlign::Centre, kBlack},
      {"sag type D_b", 6045, 5425 + 0.905f * 195, TextAlign::Centre, kBlack},
      {"sag type C_a", 8415, 5425 + 0.905f * 195, TextAlign::Centre, kBlack},
      {"V0 0.277 pu, -180\u00b0", 10785, 1990 + 5 + 0.905f * 165, TextAlign::Centre, kBlack},
      {"V1 0.888 pu, 0\u00b0", 10785, 3960 + 5 + 0.905f * 165, TextAlign::Centre, kBlack},
      {"V2 0.111 pu, 179.9\u00b0", 10785, 5930 + 5 + 0.905f * 165, TextAlign::Centre, kBlack},
  };
  for (const Row& row : rows) {
    std::vector<const TextItem*> found;
    for (const TextItem& item : items) {
      if (item.text == row.text) {
        found.push_back(&item);
      }
    }
    ASSERT_FALSE(found.empty()) << row.text;
    EXPECT_FLOAT_EQ(found[0]->x, row.x) << row.text;
    EXPECT_FLOAT_EQ(found[0]->baseline, row.baseline) << row.text;
    EXPECT_EQ(found[0]->align, row.align) << row.text;
    EXPECT_EQ(found[0]->colour, row.colour) << row.text;
  }
  // Bus 3's phase B letter, red, in the middle of its row; the scales of
  // Substation HV's rings and Substation MV's bars.
  auto at = [&items](std::string_view text, float x) {
    for (const TextItem& item : items) {
      if (item.text == text && item.x == x) {
        return item;
      }
    }
    return TextItem{};
  };
  EXPECT_FLOAT_EQ(at("B", 5220).baseline, 8040 + 142.5f + 0.716f * 195 / 2);
  EXPECT_EQ(at("B", 5220).colour, kLightRed);
  EXPECT_FLOAT_EQ(at("1.0", 1335).baseline, 3615 + 15 + 0.905f * 135);
  EXPECT_FLOAT_EQ(at("0.2", 1335).baseline, 4500 - 177 + 15 + 0.905f * 135);
  EXPECT_FLOAT_EQ(at("0", 3235).baseline, 7312.5f - 0.212f * 135);  // standing on the base
  EXPECT_FLOAT_EQ(at("0.6", 3235).baseline, 7312.5f - 900 + 0.716f * 135 / 2);
  EXPECT_EQ(at("0.6", 3235).align, TextAlign::Right);
  EXPECT_FLOAT_EQ(at("angle deg", 8767.5f).baseline, 7620);
  EXPECT_FLOAT_EQ(at("C2", 7500).baseline, 7620);
}

}  // namespace
}  // namespace dipview::design

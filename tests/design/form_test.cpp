#include "design/form.h"

#include <gtest/gtest.h>

#include <vector>

namespace dipview::design {
namespace {

using enum ScrollAction;
constexpr ScrollRange kAngle{.min = 90, .max = 0, .value = 90};
constexpr ScrollRange kProximity{.min = 0, .max = 100, .value = 50};

struct KeyRow {
  const char* key;
  ScrollRange range;
  int from;
  int to;
};

TEST(FormModelTest, KeysOnAScrollBar) {
  const KeyRow rows[] = {
      {"ArrowUp", kAngle, 85, 86},
      {"ArrowLeft", kAngle, 85, 86},
      {"ArrowDown", kAngle, 85, 84},
      {"ArrowRight", kProximity, 50, 51},
      {"ArrowUp", kProximity, 50, 49},
      {"PageUp", kAngle, 85, 90},
      {"PageDown", kAngle, 85, 75},
      {"PageDown", kProximity, 95, 100},
      {"PageUp", kProximity, 5, 0},
      {"Home", kAngle, 40, 90},
      {"End", kAngle, 40, 0},
      {"Home", kProximity, 40, 0},
      {"End", kProximity, 40, 100},
      {"ArrowUp", kAngle, 90, 90},
      {"ArrowDown", kProximity, 100, 100},
      {"Tab", kProximity, 40, 40},
      {"a", kAngle, 40, 40},
  };
  for (const KeyRow& r : rows) {
    EXPECT_EQ(ScrollTarget(r.range, r.from, ScrollActionOfKey(r.key)), r.to)
        << r.key << " from " << r.from;
  }
  EXPECT_EQ(ScrollActionOfKey("Tab"), None);
}

TEST(FormModelTest, PressesAndDragsOnADrawnBar) {
  // The proximity bar, 169 x 17 px: arrows 17, track 135, thumb 135 * 10 / 110.
  const ScrollGeometry g = ScrollGeometryOf(kProximity, 50, 169, 17);
  EXPECT_EQ(g.arrow, 17);
  EXPECT_EQ(g.track, 135);
  EXPECT_DOUBLE_EQ(g.thumb, 135.0 * 10 / 110);
  EXPECT_DOUBLE_EQ(g.at, 17 + (135 - g.thumb) / 2);
  const struct {
    double offset;
    ScrollAction action;
  } presses[] = {{16.9, LineBack},       {152.1, LineForward},
                 {g.at - 0.1, PageBack}, {g.at + g.thumb + 0.1, PageForward},
                 {g.at + 1, None},       {g.at, None},
                 {g.at + g.thumb, None}};
  for (const auto& p : presses) {
    EXPECT_EQ(ScrollActionAt(g, p.offset), p.action) << p.offset;
  }
  // A bar too short for square arrows shares its length in three; the thumb keeps 8.
  const ScrollGeometry small = ScrollGeometryOf(kAngle, 90, 30, 17);
  EXPECT_EQ(small.arrow, 10);
  EXPECT_EQ(small.thumb, 8);
  EXPECT_EQ(small.at, 10);

  // Drags: a travel (track less thumb) of 100 px; halves round towards the larger value.
  const ScrollGeometry hundred{.length = 144, .arrow = 17, .track = 110, .thumb = 10, .at = 17};
  const struct {
    ScrollRange range;
    double moved;
    int to;
  } drags[] = {{kProximity, 10, 60},    {kProximity, 10.5, 61}, {kProximity, -10.5, 40},
               {kProximity, 10.49, 60}, {kProximity, 200, 100}, {kProximity, -200, 0},
               {kAngle, 50, 5},         {kAngle, -50, 90},      {kAngle, 0.6, 49}};
  for (const auto& d : drags) {
    EXPECT_EQ(DragTarget(d.range, hundred, 50, d.moved), d.to) << d.moved;
  }
}

TEST(FormModelTest, LoadClicksAndTheirPasses) {
  FormModel form;
  EXPECT_EQ(form.ValueText(ScrollBarId::Z12Angle), "Text1");
  form.WriteValueTexts();
  EXPECT_EQ(form.ValueText(ScrollBarId::Z12Angle), "90");
  EXPECT_EQ(form.ValueText(ScrollBarId::Proximity), "50");
  int passes = 0;
  for (const OptionRef& option : FormModel::kLoadSelections) {
    passes += form.Click(option) ? 1 : 0;
  }
  EXPECT_EQ(passes, 2);
  EXPECT_EQ(form.Settings(), FaultInputs{});

  // A click on the selected option, or a bar set to its value, runs no pass.
  EXPECT_FALSE(form.Click({.group = OptionGroup::Z0Ratio, .index = 1}));
  EXPECT_FALSE(form.SetScrollValue(ScrollBarId::Proximity, 50));
  EXPECT_FALSE(form.Scroll(ScrollBarId::Z0Angle, LineBack));
  EXPECT_TRUE(form.Scroll(ScrollBarId::Z0Angle, ToMax));
  EXPECT_EQ(form.ValueText(ScrollBarId::Z0Angle), "0");
  EXPECT_TRUE(form.Click({.group = OptionGroup::MvC1Transformer, .index = 1}));
  EXPECT_FALSE(form.IsSelected({.group = OptionGroup::MvC1Transformer, .index = 0}));
  EXPECT_EQ(form.Settings().mvC1Connection, TransformerConnection::YY);
  EXPECT_EQ(form.Settings().z0AngleDeg, 0.0);

  // Losing a selection runs no pass; taking one does.
  EXPECT_FALSE(form.SetOption({.group = OptionGroup::Fault, .index = 0}, false));
  EXPECT_TRUE(form.SetOption({.group = OptionGroup::Fault, .index = 2}, true));
  EXPECT_EQ(form.Settings().faultType, FaultType::ThreePhase);
}

TEST(FormModelTest, SettingsFromOutside) {
  FormModel form;
  FaultInputs in;
  in.z12AngleDeg = 37.5;
  in.z0Ratio = 1.25f;
  in.zfRatio = 0.75;
  in.proximity = 7;
  in.faultType = FaultType::PhaseToPhase;
  in.c1C2Connection = TransformerConnection::YY;
  form.Apply(in);
  EXPECT_EQ(form.ValueText(ScrollBarId::Z12Angle), "37.5");
  EXPECT_EQ(form.ScrollValue(ScrollBarId::Z12Angle), 38);
  EXPECT_EQ(form.ValueText(ScrollBarId::Proximity), "7");
  EXPECT_EQ(form.Settings(), in);
  for (int k = 0; k < 7; ++k) {
    EXPECT_FALSE(form.IsSelected({.group = OptionGroup::ZfRatio, .index = k})) << k;
  }
  // An option of the group goes back to the option's ratio, and the other group keeps its own.
  EXPECT_TRUE(form.Click({.group = OptionGroup::ZfRatio, .index = 5}));
  EXPECT_EQ(form.Settings().zfRatio, 0.5);
  EXPECT_EQ(form.Settings().z0Ratio, 1.25f);

  // A value box that does not read as a finite number gives way to its bar.
  form.SetValueText(ScrollBarId::Z12Angle, " +12.25 ");
  EXPECT_EQ(form.Values().z12AngleDeg, 12.25);
  for (const char* text : {"", "1e999", "nan", "12x", "1,5"}) {
    form.SetValueText(ScrollBarId::Z12Angle, text);
    EXPECT_EQ(form.Values().z12AngleDeg, 38.0) << text;
  }
  EXPECT_EQ(ShortestValueText(1e-7), "1e-07");
  EXPECT_EQ(ShortestValueText(0.1), "0.1");
}

TEST(FormModelTest, AllFaultsGroups) {
  using enum OptionGroup;
  constexpr auto DD = TransformerConnection::DD;
  constexpr auto YY = TransformerConnection::YY;
  struct Row {
    std::vector<OptionRef> clicks;
    FaultInputs settings;  ///< in the all-faults form
    FaultInputs left;      ///< after leaving it
  };
  const Row rows[] = {
      {{{Fault, 3}},
       {.faultType = FaultType::PhaseToPhase, .toGround = true},
       {.faultType = FaultType::PhaseToPhase}},
      {{{Fault, 3}, {FaultedPhase, 1}},
       {.faultType = FaultType::PhaseToPhase, .toGround = true, .faultedPhase = Phase::B},
       {.faultType = FaultType::PhaseToPhase}},
      {{{FaultedPhase, 2}}, {.faultedPhase = Phase::C}, {}},
      {{{Fault, 3}, {Fault, 2}, {FaultedPhase, 1}},
       {.faultType = FaultType::ThreePhase, .faultedPhase = Phase::B},
       {.faultType = FaultType::ThreePhase}},
      {{{HvMvTransformer, 2}, {C1C2Transformer, 1}, {MvC1Transformer, 2}},
       {.hvMvConnection = DD, .mvC1Connection = DD, .c1C2Connection = YY},
       {.c1C2Connection = YY}},
  };
  for (const Row& r : rows) {
    FormModel form;
    form.WriteValueTexts();
    for (const OptionRef& option : FormModel::kLoadSelections) {
      form.Click(option);
    }
    EXPECT_FALSE(form.SetMode(FormMode::Default));
    EXPECT_TRUE(form.SetMode(FormMode::AllFaults));
    for (const OptionRef& click : r.clicks) {
      EXPECT_TRUE(form.Click(click));
    }
    EXPECT_EQ(form.Settings(), r.settings) << r.clicks.size();
    EXPECT_TRUE(form.SetMode(FormMode::Default));
    EXPECT_EQ(form.Settings(), r.left) << r.clicks.size();
    EXPECT_FALSE(NeedsAllFaults(form.Settings()));
    // Back in the all-faults form, its groups show what leaving put back.
    EXPECT_TRUE(form.SetMode(FormMode::AllFaults));
    EXPECT_EQ(form.Settings(), r.left) << r.clicks.size();

    // Settings from outside that only the all-faults form shows turn it on.
    FormModel outside;
    outside.Apply(r.settings);
    EXPECT_EQ(outside.Mode(), NeedsAllFaults(r.settings) ? FormMode::AllFaults : FormMode::Default);
    EXPECT_EQ(outside.Settings(), outside.Mode() == FormMode::AllFaults ? r.settings : r.left);
  }
}

}  // namespace
}  // namespace dipview::design

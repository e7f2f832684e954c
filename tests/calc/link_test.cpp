#include "calc/link.h"

#include <gtest/gtest.h>

#include "calc/options.h"
#include "calc/presets.h"
#include "calc_test_support.h"

namespace dipview::calc {
namespace {

constexpr auto DY = TransformerConnection::DY;
constexpr auto YY = TransformerConnection::YY;

// The link of a setting, as dipview-calc --link prints it.
std::string PrintedLink(std::vector<std::string_view> args) {
  args.push_back("--link");
  const RunResult run = RunInProcess(args);
  EXPECT_EQ(run.status, 0) << run.err;
  return run.out;
}

TEST(LinkTest, WritesEverySettingAndReadsItBack) {
  EXPECT_EQ(PrintedLink({}),
            "?fault=single&z12-angle=90&z0-angle=90&zf-angle=90&z0-ratio=2.5&zf-ratio=0&"
            "proximity=50&transformers=DY,DY,DY\n");
  EXPECT_EQ(
      PrintedLink({"--fault", "three", "--z12-angle", "85.25", "--zf-angle", "1e-5", "--z0-ratio",
                   "0.5", "--zf-ratio", "3", "--proximity", "0", "--transformers", "yy,DY,Yy"}),
      "?fault=three&z12-angle=85.25&z0-angle=90&zf-angle=1e-05&z0-ratio=0.5&zf-ratio=3&"
      "proximity=0&transformers=YY,DY,YY\n");
  const FaultInputs cases[] = {
      {},
      {.faultType = FaultType::PhaseToPhase, .faultedPhase = Phase::C, .z0Ratio = 0.7f},
      {.faultType = FaultType::PhaseToPhase,
       .toGround = true,
       .faultedPhase = Phase::B,
       .zfRatio = 0.1,
       .z12AngleDeg = 0.1,
       .zfAngleDeg = 89.99999999999999,
       .z0AngleDeg = 5e-324,
       .proximity = 100,
       .hvMvConnection = TransformerConnection::DD,
       .c1C2Connection = YY},
      {.faultType = FaultType::SinglePhase, .faultedPhase = Phase::C},
  };
  for (const FaultInputs& in : cases) {
    const LinkReading back = ReadLink(WriteLink(in));
    EXPECT_EQ(back.problems, std::vector<std::string>{}) << WriteLink(in);
    EXPECT_EQ(back.settings, in) << WriteLink(in);
  }
  EXPECT_EQ(WriteLink(cases[1]).substr(0, 34), "?fault=phase-phase&phases=ab&z12-a");
}

TEST(LinkTest, ReadsAQueryAsABrowserWritesIt) {
  const LinkReading r = ReadLink(
      "fault=phase-phase&&proximity=20&transformers=YY%2C+dy,%20YY&proximity=%33%30&zoom=1%25&x",
      {"zoom", "x", "lang"});
  EXPECT_EQ(r.problems, std::vector<std::string>{});
  EXPECT_TRUE(r.named);
  EXPECT_EQ(r.settings, (FaultInputs{.faultType = FaultType::PhaseToPhase,
                                     .proximity = 30,
                                     .hvMvConnection = YY,
                                     .mvC1Connection = DY,
                                     .c1C2Connection = YY}));
  const std::vector<std::optional<std::string>> page = {"1%", "", std::nullopt};
  EXPECT_EQ(r.pageValues, page);
  EXPECT_FALSE(ReadLink("?zoom=150", {"zoom"}).named);
}

TEST(LinkTest, NamesEveryBadValueAndKeepsTheStartUpSettings) {
  const LinkReading r =
      ReadLink("?fault=three&Proximity=3&z0-ratio=9&phases=ab&z12-angle=%zz&proximity=1.5");
  EXPECT_EQ(r.settings, FaultInputs{});
  EXPECT_EQ(r.problems,
            (std::vector<std::string>{
                "unknown setting 'Proximity'; allowed: fault, phases, z12-angle, z0-angle, "
                "zf-angle, z0-ratio, zf-ratio, proximity, transformers",
                "phases: 'ab' does not name the phases of fault three; allowed: abc",
                "z12-angle: '%zz' is not a number; allowed: a number of degrees from 0 to 90",
                "z0-ratio: '9' is out of range; allowed: a number from 0.5 to 3.0",
                "proximity: '1.5' is not a whole number; allowed: a whole number from 0 to 100"}));
}

TEST(LinkTest, SaysWhatTheWindowCannotShow) {
  EXPECT_EQ(WhatTheWindowCannotShow({.z0Ratio = 1.25f}, "the page", SettingSpelling::Link),
            "the page offers the Z0/Z12 ratios 3.0, 2.5, 2.0, 1.5, 1.0 and 0.5; it cannot show "
            "z0-ratio=1.25");
  EXPECT_EQ(WhatTheWindowCannotShow({.faultedPhase = Phase::B}, "it", SettingSpelling::Link),
            "it offers single, phase-phase and three faults on phase A or phases B and C, and DY "
            "or YY transformers");
  EXPECT_EQ(WhatTheWindowCannotShow({.faultType = FaultType::ThreePhase, .faultedPhase = Phase::B},
                                    "it", SettingSpelling::Option),
            "");
}

TEST(LinkTest, PresetsAreListedAndFound) {
  const RunResult run = RunInProcess({"--preset", "list"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            "  bolted-single     phase A to ground at Substation HV, no ZF: type B there\n"
            "  two-dy-down       the same seen two DY transformers down: type D at C1 and C2\n"
            "  phase-phase-yy    B to C, passed through YY transformers: type C at every bus\n"
            "  two-phase-ground  B and C to ground with Z0 = Z12: types E, F, G down the DYs\n"
            "  resistive         A to ground through a resistive ZF = Z12: HV fits no type\n");
  EXPECT_NE(UsageText().find(run.out), std::string::npos);
  EXPECT_EQ(FindPreset("Two-Phase-Ground"), &kPresets[3]);
  EXPECT_EQ(kPresets[3].settings,
            (FaultInputs{.faultType = FaultType::PhaseToPhase, .toGround = true, .z0Ratio = 1.0f}));
  EXPECT_EQ(PrintedLink({"--preset", "resistive"}),
            "?fault=single&z12-angle=85&z0-angle=90&zf-angle=0&z0-ratio=2.5&zf-ratio=1&"
            "proximity=25&transformers=DY,DY,DY\n");
}

}  // namespace
}  // namespace dipview::calc

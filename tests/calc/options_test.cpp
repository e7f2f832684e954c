#include "calc/options.h"
#include "calc/settings.h"

#include <gtest/gtest.h>

#include "dipview/version.h"

#include "calc_test_support.h"

namespace dipview::calc {
namespace {

constexpr auto DY = TransformerConnection::DY;
constexpr auto YY = TransformerConnection::YY;

struct GoodCommandLine {
  const char* what;
  std::vector<std::string_view> args;
  Action action;
  FaultInputs settings;
  OutputFormat writtenFormat;
  bool batch;
};

std::ostream& operator<<(std::ostream& os, const GoodCommandLine& c) {
  return os << c.what;
}

class GoodCommandLineTest : public testing::TestWithParam<GoodCommandLine> {};

TEST_P(GoodCommandLineTest, GivesTheOptions) {
  const CalcOptions options = ParseCommandLine(GetParam().args);
  EXPECT_EQ(options.action, GetParam().action);
  EXPECT_EQ(options.settings, GetParam().settings);
  EXPECT_EQ(EffectiveFormat(options), GetParam().writtenFormat);
  EXPECT_EQ(options.batch, GetParam().batch);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, GoodCommandLineTest,
    testing::Values(
        GoodCommandLine{
            "no options: start-up settings", {}, Action::Compute, {}, OutputFormat::Table, false},
        GoodCommandLine{"angles, both spellings",
                        {"--z12-angle", "45", "--z0-angle=30", "--zf-angle", "60.5"},
                        Action::Compute,
                        {.z12AngleDeg = 45, .zfAngleDeg = 60.5, .z0AngleDeg = 30},
                        OutputFormat::Table,
                        false},
        GoodCommandLine{"every other setting",
                        {"--fault=three", "--proximity", "0", "--zf-ratio", "1.5", "--z0-ratio=1",
                         "--transformers", "YY,DY,YY", "--format", "json"},
                        Action::Compute,
                        {.faultType = FaultType::ThreePhase,
                         .zfRatio = 1.5,
                         .z0Ratio = 1.0f,
                         .proximity = 0,
                         .hvMvConnection = YY,
                         .mvC1Connection = DY,
                         .c1C2Connection = YY},
                        OutputFormat::Json,
                        false},
        GoodCommandLine{
            "the last of a repeated option counts",
            {"--proximity", "10", "--fault", "three", "--proximity=20", "--fault", "phase-phase"},
            Action::Compute,
            {.faultType = FaultType::PhaseToPhase, .proximity = 20},
            OutputFormat::Table,
            false},
        GoodCommandLine{"names in any case, blanks around the connections",
                        {"--fault", "Phase-Phase", "--transformers", "yy, DY ,\tYy"},
                        Action::Compute,
                        {.faultType = FaultType::PhaseToPhase,
                         .hvMvConnection = YY,
                         .mvC1Connection = DY,
                         .c1C2Connection = YY},
                        OutputFormat::Table,
                        false},
        GoodCommandLine{"batch writes CSV unless told",
                        {"--batch"},
                        Action::Compute,
                        {},
                        OutputFormat::Csv,
                        true},
        GoodCommandLine{"batch of JSON lines",
                        {"--format=json", "--batch"},
                        Action::Compute,
                        {},
                        OutputFormat::Json,
                        true},
        GoodCommandLine{"help ends the parsing",
                        {"--help", "--bogus"},
                        Action::Help,
                        {},
                        OutputFormat::Table,
                        false},
        GoodCommandLine{"short help",
                        {"--z12-angle", "10", "-h"},
                        Action::Help,
                        {.z12AngleDeg = 10},
                        OutputFormat::Table,
                        false},
        GoodCommandLine{"every word of a value in any case",
                        {"--format", "CSV", "--values", "FULL", "--columns", "HV_A_MAG"},
                        Action::Compute,
                        {},
                        OutputFormat::Csv,
                        false},
        GoodCommandLine{"batch from a file",
                        {"--batch", "states.csv", "--fault", "three"},
                        Action::Compute,
                        {.faultType = FaultType::ThreePhase},
                        OutputFormat::Csv,
                        true},
        GoodCommandLine{"version", {"--version"}, Action::Version, {}, OutputFormat::Table, false},
        GoodCommandLine{"a preset, then an option that changes it",
                        {"--fault", "three", "--preset", "TWO-DY-DOWN", "--proximity", "40"},
                        Action::Compute,
                        {.z0Ratio = 1.0f, .proximity = 40, .c1C2Connection = YY},
                        OutputFormat::Table,
                        false},
        GoodCommandLine{"the list of presets",
                        {"--preset", "list", "--fault", "bogus"},
                        Action::Presets,
                        {},
                        OutputFormat::Table,
                        false}));

struct BadCommandLine {
  std::vector<std::string_view> args;
  const char* message;
};

std::ostream& operator<<(std::ostream& os, const BadCommandLine& c) {
  for (std::size_t i = 0; i < c.args.size(); ++i) {
    // Escaped, so that the test's name holds no control bytes.
    const std::string arg = output::QuoteForMessage(c.args[i]);
    os << (i > 0 ? " " : "") << arg.substr(1, arg.size() - 2);
  }
  return os;
}

class BadCommandLineTest : public testing::TestWithParam<BadCommandLine> {};

TEST_P(BadCommandLineTest, ExitsWithStatus2AndAMessage) {
  const RunResult run = RunInProcess(GetParam().args);
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "dipview-calc: " + std::string(GetParam().message) + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, BadCommandLineTest,
    testing::Values(
        BadCommandLine{{"--z12angle", "90"},
                       "unknown option '--z12angle'; see 'dipview-calc --help'"},
        BadCommandLine{{"90"},
                       "unexpected argument '90'; settings are given as options, see "
                       "'dipview-calc --help'"},
        BadCommandLine{{"--proximity"}, "--proximity needs a value: a whole number from 0 to 100"},
        BadCommandLine{{"--z0-ratio", "--fault", "three"},
                       "--z0-ratio needs a value: a number from 0.5 to 3.0"},
        BadCommandLine{{"--z12-angle=90x"},
                       "--z12-angle: '90x' has 'x' after the number; allowed: a number of degrees "
                       "from 0 to 90"},
        BadCommandLine{{"--proximity", "12.5"},
                       "--proximity: '12.5' is not a whole number; allowed: a whole number from 0 "
                       "to 100"},
        BadCommandLine{{"--fault", "ground"},
                       "--fault: 'ground' is not a fault type; allowed: single, phase-phase, "
                       "two-phase-ground or three"},
        // The phases are read once the fault is known, whatever the order.
        BadCommandLine{{"--phases", "b", "--fault", "two-phase-ground"},
                       "--phases: 'b' does not name the phases of fault two-phase-ground; "
                       "allowed: bc, ca or ab"},
        BadCommandLine{{"--fault", "three", "--phases", "bc"},
                       "--phases: 'bc' does not name the phases of fault three; allowed: abc"},
        BadCommandLine{{"--phases="},
                       "--phases: empty value; allowed: a, b or c for a single-phase fault; bc, "
                       "ca or ab for phase-phase and two-phase-ground; abc for three"},
        // The window has no option for these ratios, in either form, so it cannot draw them.
        BadCommandLine{{"--png", "x.png", "--transformers", "DY,DD,YY", "--z0-ratio", "1.25"},
                       "--png draws the window, which offers the Z0/Z12 ratios 3.0, 2.5, 2.0, "
                       "1.5, 1.0 and 0.5; it cannot show --z0-ratio 1.25"},
        BadCommandLine{{"--png", "x.png", "--phases", "c", "--zf-ratio", "0.7"},
                       "--png draws the window, which offers the ZF/Z12 ratios 3.0, 2.5, 2.0, "
                       "1.5, 1.0, 0.5 and 0.0; it cannot show --zf-ratio 0.7"},
        BadCommandLine{{"--fault", "two-phase-ground", "--svg", "x.svg", "--z0-ratio", "0.75"},
                       "--svg draws the window, which offers the Z0/Z12 ratios 3.0, 2.5, 2.0, "
                       "1.5, 1.0 and 0.5; it cannot show --z0-ratio 0.75"},
        BadCommandLine{{"--transformers", "DY,YD,DY"},
                       "--transformers: 'YD' (MV-C1) is not a connection; allowed: DY, YY or DD"},
        BadCommandLine{{"--transformers=DY,YY"},
                       "--transformers: 'DY,YY' names 2 connections; allowed: three (HV-MV, "
                       "MV-C1, C1-C2), each DY, YY or DD"},
        BadCommandLine{{"--transformers", "DY,YY,DY,"},
                       "--transformers: 'DY,YY,DY,' names 4 connections; allowed: three (HV-MV, "
                       "MV-C1, C1-C2), each DY, YY or DD"},
        BadCommandLine{{"--format", "xml"},
                       "--format: 'xml' is not an output format; allowed: table, csv, json, "
                       "markdown or latex"},
        BadCommandLine{{"--values", "exact"},
                       "--values: 'exact' is not a way to write values; allowed: shown, rounded "
                       "or full"},
        BadCommandLine{{"--jobs", "0"},
                       "--jobs: '0' is not allowed; allowed: a whole number from 1 to 256"},
        BadCommandLine{{"--png", "a.png", "--values=full"},
                       "--values sets how output values are written; --png writes a picture "
                       "instead of rows"},
        BadCommandLine{{"--sweep", "proximity=0:1:1", "--plot", "a.svg", "--columns", "fault"},
                       "--columns chooses output columns; --plot writes a picture instead of "
                       "rows"},
        BadCommandLine{{"--classify=yes"}, "--classify takes no value (got '--classify=yes')"},
        BadCommandLine{{"-V"}, "unknown option '-V'; see 'dipview-calc --help'"},
        BadCommandLine{{"--png", "a.png", "--svg", "b.svg"},
                       "--svg: a picture is already asked for (--png 'a.png'); allowed: one "
                       "picture per run"},
        BadCommandLine{{"--png", "a.png", "--jobs", "2"},
                       "--jobs sets the threads of a --batch or --sweep; --png draws one state"},
        BadCommandLine{{"--png", "a.png", "--z0-ratio", "1.37"},
                       "--png draws the window, which offers the Z0/Z12 ratios 3.0, 2.5, 2.0, "
                       "1.5, 1.0 and 0.5; it cannot show --z0-ratio 1.37"},
        BadCommandLine{{"--svg", "a.svg", "--zf-ratio", "1.234"},
                       "--svg draws the window, which offers the ZF/Z12 ratios 3.0, 2.5, 2.0, "
                       "1.5, 1.0, 0.5 and 0.0; it cannot show --zf-ratio 1.234"},
        BadCommandLine{{"--png", "out.jpg"},
                       "--png: 'out.jpg' ends in '.jpg', but the picture is a PNG; allowed: a file "
                       "name ending in .png or .svg, or a name without an extension"},
        BadCommandLine{{"--sweep", "proximity=0:1:1", "--plot", "a.svg", "--plot", "b.svg"},
                       "--plot: given a second time (first 'a.svg'); allowed: one plot per run"},
        BadCommandLine{{"--z12-angle="},
                       "--z12-angle: empty value; allowed: a number of degrees from 0 to 90"},
        BadCommandLine{{"--plot", "a.png"},
                       "--plot draws a sweep; give --sweep NAME=FROM:TO:STEP too"},
        BadCommandLine{
            {"--plot", "a.png", "--sweep", "proximity=0:1:1", "--sweep", "zf-ratio=0:1:1"},
            "--plot draws a sweep over one setting, not a grid of two"},
        BadCommandLine{{"--sweep", "proximity=0:1:1", "--plot", "a.pdf"},
                       "--plot: 'a.pdf' does not end in .png or .svg; allowed: a file name "
                       "ending in .png or .svg"},
        BadCommandLine{{"--sweep", "proximity=0:1:1", "--plot", "a.svg", "--classify"},
                       "--classify adds output columns; --plot writes a picture instead of rows"},
        BadCommandLine{{"--png", "a.png", "--line-to-line"},
                       "--line-to-line adds output columns; --png writes a picture instead of "
                       "rows"},
        BadCommandLine{{"--png", "a.png", "--sweep", "proximity=0:1:1"},
                       "--png draws one state and cannot be used with --sweep"},
        BadCommandLine{{"--polar", "--format", "markdown", "--sweep", "proximity=0:1:1"},
                       "--polar writes the phasors of one state's sheet; give --format markdown "
                       "or latex, without --batch, --sweep or --columns"},
        BadCommandLine{{"--preset", "bolted"},
                       "--preset: 'bolted' is not a preset; allowed: bolted-single, two-dy-down, "
                       "phase-phase-yy, two-phase-ground, resistive, list"},
        BadCommandLine{{"--preset", "two-phase-ground", "--z0-ratio", "1.25", "--link"},
                       "--link opens the page, which offers the Z0/Z12 ratios 3.0, 2.5, 2.0, "
                       "1.5, 1.0 and 0.5; it cannot show --z0-ratio 1.25"},
        BadCommandLine{{"--link", "--zf-ratio", "0.7"},
                       "--link opens the page, which offers the ZF/Z12 ratios 3.0, 2.5, 2.0, "
                       "1.5, 1.0, 0.5 and 0.0; it cannot show --zf-ratio 0.7"},
        BadCommandLine{{"--link", "--classify"},
                       "--link writes the page's link for one state's settings; it cannot be "
                       "used with --classify"},
        BadCommandLine{{"--sweep", "proximity=0:1:1", "--link"},
                       "--link writes the page's link for one state's settings; it cannot be "
                       "used with --sweep"},
        // What a message quotes cannot act on the terminal or flood it.
        BadCommandLine{{"--fault", "single\x1b[2J"},
                       "--fault: 'single\\x1b[2J' is not a fault type; allowed: single, "
                       "phase-phase, two-phase-ground or three"},
        BadCommandLine{{"\x1b]0;title\x07"},
                       "unexpected argument '\\x1b]0;title\\x07'; settings are given as options, "
                       "see 'dipview-calc --help'"},
        BadCommandLine{{"--fa\nult=x"}, "unknown option '--fa\\x0ault'; see 'dipview-calc --help'"},
        BadCommandLine{{"--classify=\xFF\xFE"},
                       "--classify takes no value (got '--classify=\\xff\\xfe')"},
        BadCommandLine{{"--transformers", "DY, YY, DY, "},
                       "--transformers: 'DY, YY, DY, ' names 4 connections; allowed: three "
                       "(HV-MV, MV-C1, C1-C2), each DY, YY or DD"},
        BadCommandLine{{"--proximity", "50000000000000000000000000000000000000000000000000"},
                       "--proximity: '5000000000000000000000000000000000000000...' (50 bytes) is "
                       "out of range; allowed: a whole number from 0 to 100"}));

TEST(CommandLineTest, HelpAndVersionGoToStandardOutput) {
  const RunResult help = RunInProcess({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out, UsageText());
  EXPECT_EQ(help.err, "");
  // Every option the parser knows is in the help.
  for (const char* option :
       {"--fault", "--z12-angle", "--z0-angle", "--zf-angle", "--z0-ratio", "--zf-ratio",
        "--proximity", "--transformers", "--format", "--batch", "--classify", "--line-to-line",
        "--sweep", "--plot", "--version", "--values", "--columns", "--jobs"}) {
    EXPECT_NE(help.out.find(std::string("  ") + option + " "), std::string::npos) << option;
  }
  const RunResult version = RunInProcess({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_TRUE(version.out.starts_with("dipview-calc (DIPVIEW) " + std::string(kVersionText) +
                                      "\nCopyright (C) "))
      << version.out;
}

}  // namespace
}  // namespace dipview::calc

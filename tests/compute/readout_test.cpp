#include "compute/readout.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "compute/transformer.h"

namespace dipview {
namespace {

struct ReadoutRow {
  const char* what;
  double value;
  bool isAngle;
  const char* text;
};

std::ostream& operator<<(std::ostream& os, const ReadoutRow& row) {
  return os << row.what;
}

class ReadoutTextTest : public testing::TestWithParam<ReadoutRow> {};

TEST_P(ReadoutTextTest, CutsDownwardAndWritesTheDefaultText) {
  const ReadoutRow& row = GetParam();
  const double shown = row.isAngle ? CutAngleDegrees(row.value) : CutMagnitude(row.value);
  EXPECT_EQ(NumberText(shown), row.text) << row.what;
}

const float kRotationF = 2.094395160675049f;

INSTANTIATE_TEST_SUITE_P(
    ValuesAndTexts, ReadoutTextTest,
    testing::Values(ReadoutRow{"magnitude 1", 1.0, false, "1"},
                    ReadoutRow{"just below 1", 0.9999999999999999, false, "0.999"},
                    ReadoutRow{"1/sqrt(3)", 0.5774, false, "0.577"},
                    ReadoutRow{"below a thousandth", 0.0004, false, "0"},
                    ReadoutRow{"start-up |Va|", 0.49999999999980405, false, "0.499"},
                    ReadoutRow{"zero angle", 0.0, true, "0"},
                    ReadoutRow{"tiny negative angle", -1e-12, true, "-0.1"},
                    ReadoutRow{"2pi/3", 2.0943951023931953, true, "119.9"},
                    ReadoutRow{"-2pi/3", -2.0943951023931953, true, "-120"},
                    ReadoutRow{"pi/6", 0.5235987755982988, true, "29.9"},
                    ReadoutRow{"-pi/6", -0.5235987755982988, true, "-30"},
                    ReadoutRow{"phase C 2pi_s/3", static_cast<double>(kRotationF), true, "120"},
                    ReadoutRow{"phase C -2pi_s/3", -static_cast<double>(kRotationF), true,
                               "-120.1"},
                    ReadoutRow{"pi_s/2", 1.5707963705062866, true, "90"},
                    ReadoutRow{"-pi_s/2", -1.5707963705062866, true, "-90.1"},
                    ReadoutRow{"pi_s", 3.1415927410125732, true, "180"},
                    ReadoutRow{"-pi_s", -3.1415927410125732, true, "-180.1"}));

struct NumberTextRow {
  double value;
  const char* text;
};

std::ostream& operator<<(std::ostream& os, const NumberTextRow& row) {
  return os << row.text;
}

class NumberTextTest : public testing::TestWithParam<NumberTextRow> {};

TEST_P(NumberTextTest, WritesPlainDecimal) {
  EXPECT_EQ(NumberText(GetParam().value), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, NumberTextTest,
    testing::Values(NumberTextRow{0.0, "0"}, NumberTextRow{-0.0, "0"}, NumberTextRow{1.0, "1"},
                    NumberTextRow{-120.0, "-120"}, NumberTextRow{0.577, "0.577"},
                    NumberTextRow{-0.1, "-0.1"}, NumberTextRow{0.001, "0.001"},
                    NumberTextRow{1.092, "1.092"}, NumberTextRow{-127.6, "-127.6"},
                    NumberTextRow{210.0, "210"}, NumberTextRow{100.0, "100"},
                    NumberTextRow{1234.5, "1234.5"},
                    // 15 significant digits: the binary tail of 0.1 + 0.2 is rounded away.
                    NumberTextRow{0.1 + 0.2, "0.3"}, NumberTextRow{1.0 / 3.0, "0.333333333333333"},
                    NumberTextRow{123456789012345.0, "123456789012345"},
                    NumberTextRow{1e15, "1E+15"}, NumberTextRow{-2.5e20, "-2.5E+20"},
                    NumberTextRow{1.5e-20, "1.5E-20"}, NumberTextRow{0.00012, "0.00012"}));

TEST(NumberTextTest, NonFiniteValuesAreNamed) {
  EXPECT_EQ(NumberText(std::numeric_limits<double>::quiet_NaN()), "NaN");
  EXPECT_EQ(NumberText(std::numeric_limits<double>::infinity()), "Inf");
  EXPECT_EQ(NumberText(-std::numeric_limits<double>::infinity()), "-Inf");
}

TEST(ReadoutTextsTest, StartUpSettings) {
  const PassVoltages r = ComputeVoltages(FaultInputs{});
  using Texts = std::array<std::string, 6>;
  EXPECT_EQ(ReadoutTexts(r.busVoltages[0]),
            (Texts{"0.499", "0", "1.092", "-127.6", "1.092", "127.5"}));
  EXPECT_EQ(r.busVoltages[0].a.magnitude, 0.49999999999980405);
  EXPECT_EQ(ReadoutTexts(r.busVoltages[1]),
            (Texts{"0.838", "-36.6", "0.838", "-143.5", "0.999", "90"}));
  EXPECT_EQ(ReadoutTexts(r.busVoltages[2]),
            (Texts{"0.949", "-65.9", "0.777", "-180", "0.949", "65.8"}));
  EXPECT_EQ(ReadoutTexts(r.busVoltages[3]),
            (Texts{"0.999", "-90.1", "0.838", "143.4", "0.838", "36.5"}));
  EXPECT_EQ(ReadoutTexts(r.sequenceAtHV), (Texts{"0.277", "-180", "0.888", "0", "0.111", "179.9"}));
}

}  // namespace
}  // namespace dipview

namespace dipview {
namespace {

// Where the C++ library has no floating-point to_chars, the text's digits
// come from the C library's "%.14e"; both must round to the same 15 digits,
// halfway cases and the exponent's edges included.
TEST(ReadoutDigitsTest, CLibraryDigitsEqualToChars) {
  std::uint64_t state = 0x9e3779b97f4a7c15u;
  std::vector<double> values = {0.5,       0.15,
                                1e15,      1e-15,
                                0.1 + 0.2, -127.6,
                                1.0005e-7, 9.99999999999999e14,
                                5e-324,    1.7976931348623157e308};
  for (int i = 0; i < 200000; ++i) {
    state = state * 6364136223846793005u + 1442695040888963407u;
    double value = 0;
    const std::uint64_t bits = (state >> 1) & 0x7fefffffffffffffu;
    std::memcpy(&value, &bits, sizeof value);
    values.push_back(i % 2 == 0 ? value : std::ldexp(static_cast<double>(state >> 11), -60));
  }
  for (const double value : values) {
    char viaC[40];
    char viaCpp[40];
    std::snprintf(viaC, sizeof viaC, "%.14e", value);
    *std::to_chars(viaCpp, viaCpp + sizeof viaCpp - 1, value, std::chars_format::scientific, 14)
         .ptr = '\0';
    ASSERT_STREQ(viaC, viaCpp) << value;
  }
}

}  // namespace
}  // namespace dipview

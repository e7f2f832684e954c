#include "calc/settings.h"

#include <gtest/gtest.h>

namespace dipview::calc {
namespace {

std::string Written(const SettingColumn& column, const FaultInputs& in) {
  char text[kSettingTextMax];
  return std::string(text, column.write(in, text));
}

struct GoodValue {
  const char* column;
  const char* text;
  const char* writtenBack;
};

std::ostream& operator<<(std::ostream& os, const GoodValue& v) {
  return os << v.column << "=" << v.text;
}

class GoodSettingTest : public testing::TestWithParam<GoodValue> {};

TEST_P(GoodSettingTest, ReadsAndWritesBackTheShortestText) {
  const SettingColumn* column = FindSettingColumn(GetParam().column);
  ASSERT_NE(column, nullptr);
  FaultInputs in;
  column->parse(GetParam().text, in);
  EXPECT_EQ(Written(*column, in), GetParam().writtenBack);
}

INSTANTIATE_TEST_SUITE_P(
    Values, GoodSettingTest,
    testing::Values(GoodValue{"z12_angle", "45.5", "45.5"}, GoodValue{"z12_angle", "0", "0"},
                    GoodValue{"z0_angle", "-0", "0"}, GoodValue{"zf_angle", "90", "90"},
                    GoodValue{"zf_angle", "+12.25", "12.25"}, GoodValue{"z0_angle", "1e1", "10"},
                    GoodValue{"z12_angle", "1e-400", "0"}, GoodValue{"zf_ratio", "-1e-400", "0"},
                    GoodValue{"zf_angle", "5e-320", "5e-320"}, GoodValue{"z0_angle", "0.1", "0.1"},
                    GoodValue{"z0_ratio", "0.7", "0.7"}, GoodValue{"z0_ratio", "0.5", "0.5"},
                    GoodValue{"z0_ratio", "3.0", "3"}, GoodValue{"zf_ratio", "0.0", "0"},
                    GoodValue{"zf_ratio", "2.75", "2.75"}, GoodValue{"proximity", "0", "0"},
                    GoodValue{"proximity", "100", "100"}, GoodValue{"proximity", "50.0", "50"},
                    GoodValue{"fault", "single", "single"},
                    GoodValue{"fault", "phase-phase", "phase-phase"},
                    GoodValue{"fault", "three", "three"}, GoodValue{"hv_mv", "YY", "YY"},
                    GoodValue{"mv_c1", "DY", "DY"}, GoodValue{"c1_c2", "YY", "YY"},
                    // Names in any case, as spreadsheets and people write them.
                    GoodValue{"fault", "Single", "single"}, GoodValue{"FAULT", "THREE", "three"},
                    GoodValue{"Hv_Mv", "dy", "DY"}, GoodValue{"c1_c2", "yY", "YY"}));

TEST(SettingColumnsTest, EachColumnSetsItsOwnField) {
  const char* texts[10] = {"phase-phase", "1", "2", "3", "1.5", "0.5", "7", "YY", "DY", "YY"};
  FaultInputs in;
  in.mvC1Connection = TransformerConnection::YY;
  for (std::size_t i = 0; i < kSettingColumns.size(); ++i) {
    kSettingColumns[i].parse(texts[i], in);
  }
  EXPECT_EQ(in.faultType, FaultType::PhaseToPhase);
  EXPECT_EQ(in.z12AngleDeg, 1.0);
  EXPECT_EQ(in.z0AngleDeg, 2.0);
  EXPECT_EQ(in.zfAngleDeg, 3.0);
  EXPECT_EQ(in.z0Ratio, 1.5f);
  EXPECT_EQ(in.zfRatio, 0.5);
  EXPECT_EQ(in.proximity, 7);
  EXPECT_EQ(in.hvMvConnection, TransformerConnection::YY);
  EXPECT_EQ(in.mvC1Connection, TransformerConnection::DY);
  EXPECT_EQ(in.c1C2Connection, TransformerConnection::YY);
  for (std::size_t i = 0; i < kSettingColumns.size(); ++i) {
    EXPECT_EQ(Written(kSettingColumns[i], in), texts[i]) << kSettingColumns[i].name;
  }
}

TEST(SettingColumnsTest, Z0RatioIsHeldInSinglePrecision) {
  FaultInputs in;
  FindSettingColumn("z0_ratio")->parse("0.7", in);
  EXPECT_EQ(in.z0Ratio, 0.7f);
}

struct BadValue {
  const char* column;
  const char* text;
  const char* message;
};

std::ostream& operator<<(std::ostream& os, const BadValue& v) {
  return os << v.column << "=" << v.text;
}

class BadSettingTest : public testing::TestWithParam<BadValue> {};

TEST_P(BadSettingTest, NamesTheValueAndWhatIsAllowed) {
  FaultInputs in;
  try {
    FindSettingColumn(GetParam().column)->parse(GetParam().text, in);
    FAIL() << "accepted '" << GetParam().text << "'";
  } catch (const ValueError& e) {
    EXPECT_STREQ(e.what(), GetParam().message);
  }
  EXPECT_EQ(in, FaultInputs{}) << "a bad value must leave the settings alone";
}

INSTANTIATE_TEST_SUITE_P(
    Values, BadSettingTest,
    testing::Values(
        BadValue{"z12_angle", "", "empty value; allowed: a number of degrees from 0 to 90"},
        BadValue{"z12_angle", "abc",
                 "'abc' is not a number; allowed: a number of degrees from 0 to 90"},
        BadValue{"z12_angle", "90x",
                 "'90x' has 'x' after the number; allowed: a number of degrees from 0 to 90"},
        BadValue{"z0_angle", "0x10",
                 "'0x10' has 'x10' after the number; allowed: a number of degrees from 0 to 90"},
        BadValue{"z0_angle", " 5",
                 "' 5' is not a number; allowed: a number of degrees from 0 to 90"},
        BadValue{"zf_angle", "nan",
                 "'nan' is not a finite number; allowed: a number of degrees from 0 to 90"},
        BadValue{"zf_angle", "-inf",
                 "'-inf' is not a finite number; allowed: a number of degrees from 0 to 90"},
        BadValue{"z12_angle", "90.0001",
                 "'90.0001' is out of range; allowed: a number of degrees from 0 to 90"},
        BadValue{"z12_angle", "-0.1",
                 "'-0.1' is out of range; allowed: a number of degrees from 0 to 90"},
        BadValue{"z0_angle", "1e999",
                 "'1e999' is out of range; allowed: a number of degrees from 0 to 90"},
        BadValue{"z0_ratio", "0.49", "'0.49' is out of range; allowed: a number from 0.5 to 3.0"},
        BadValue{"z0_ratio", "3.01", "'3.01' is out of range; allowed: a number from 0.5 to 3.0"},
        BadValue{"zf_ratio", "-0.5", "'-0.5' is out of range; allowed: a number from 0.0 to 3.0"},
        BadValue{"zf_ratio", "1,5",
                 "'1,5' has ',5' after the number; allowed: a number from 0.0 to 3.0"},
        BadValue{"proximity", "50.5",
                 "'50.5' is not a whole number; allowed: a whole number from 0 to 100"},
        BadValue{"proximity", "-1", "'-1' is out of range; allowed: a whole number from 0 to 100"},
        BadValue{"proximity", "101",
                 "'101' is out of range; allowed: a whole number from 0 to 100"},
        BadValue{"proximity", "5e",
                 "'5e' has 'e' after the number; allowed: a whole number from 0 to 100"},
        BadValue{"fault", "Singles",
                 "'Singles' is not a fault type; allowed: single, phase-phase, two-phase-ground "
                 "or three"},
        BadValue{"fault", "",
                 "'' is not a fault type; allowed: single, phase-phase, two-phase-ground or three"},
        BadValue{"hv_mv", "Dyy", "'Dyy' is not a connection; allowed: DY, YY or DD"},
        BadValue{"phases", "ab",
                 "'ab' does not name the phases of fault single; allowed: a, b or c"},
        BadValue{"fault", "single\x1b[2J",
                 "'single\\x1b[2J' is not a fault type; allowed: single, phase-phase, "
                 "two-phase-ground or three"},
        BadValue{"zf_ratio", "1\x9b",
                 "'1\\x9b' has '\\x9b' after the number; allowed: a number from 0.0 to 3.0"}));

// A value a message quotes comes out on one line, safe for a terminal and short.
TEST(QuoteForMessageTest, EscapesHiddenBytesAndShortensLongValues) {
  using namespace std::string_view_literals;
  const std::string longText(10'000'000, '1');
  const struct Row {
    std::string_view text;
    std::string_view quoted;
  } rows[] = {
      {"three", "'three'"},
      {"", "''"},
      {"sin\0gle"sv, "'sin\\x00gle'"},
      {"a\tb\r\n\x7f", "'a\\x09b\\x0d\\x0a\\x7f'"},
      {"\x1b[2J", "'\\x1b[2J'"},
      {"C:\\temp", "'C:\\\\temp'"},
      // UTF-8 stays, but not its invisible and control characters.
      {"90\u00b0 \u00e9t\u00e9", "'90\u00b0 \u00e9t\u00e9'"},
      {"\xEF\xBB\xBF"
       "fault",
       "'\\xef\\xbb\\xbffault'"},
      {"\xC2\x9B"
       "2J",
       "'\\xc2\\x9b2J'"},
      {"a\u202eb\u200bc", "'a\\xe2\\x80\\xaeb\\xe2\\x80\\x8bc'"},
      // Not UTF-8: a UTF-16 byte order mark, overlong, surrogate, cut short.
      {"\xFF\xFEp", "'\\xff\\xfep'"},
      {"\xC0\xAF", "'\\xc0\\xaf'"},
      {"\xED\xA0\x80", "'\\xed\\xa0\\x80'"},
      {"\xE2\x82", "'\\xe2\\x82'"},
      {std::string_view(longText).substr(0, 40), "'1111111111111111111111111111111111111111'"},
      {std::string_view(longText).substr(0, 41),
       "'1111111111111111111111111111111111111111...' (41 bytes)"},
      {longText, "'1111111111111111111111111111111111111111...' (10000000 bytes)"},
      // Cut before a character, not inside it.
      {"x\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9"
       "\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9",
       "'x\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9"
       "\u00e9\u00e9\u00e9\u00e9\u00e9...' (43 bytes)"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(output::QuoteForMessage(row.text), row.quoted) << row.quoted;
  }
  // A whole message: what QuoteForMessage made stays, anything raw is escaped.
  EXPECT_EQ(output::EscapeForTerminal("--format: 'x\x1b' or '\\x1b' \u00e9\xFF"),
            "--format: 'x\\x1b' or '\\x1b' \u00e9\\xff");
}

}  // namespace
}  // namespace dipview::calc

#include "calc/writers.h"

#include <gtest/gtest.h>

#include "calc_test_support.h"
#include "compute/readout.h"

namespace dipview::calc {
namespace {

std::vector<FaultInputs> VariedStates() {
  std::vector<FaultInputs> states;
  const TransformerConnection connections[] = {TransformerConnection::DY,
                                               TransformerConnection::YY};
  for (FaultType type : {FaultType::SinglePhase, FaultType::PhaseToPhase, FaultType::ThreePhase}) {
    for (int i = 0; i < 40; ++i) {
      FaultInputs in;
      in.faultType = type;
      in.z12AngleDeg = (i * 37) % 91;
      in.z0AngleDeg = (i * 53) % 91 + 0.5 * (i % 2);
      in.zfAngleDeg = (i * 11) % 91;
      in.z0Ratio = 0.5f + 0.5f * static_cast<float>(i % 6);
      in.zfRatio = 0.5 * (i % 7);
      in.proximity = static_cast<std::int16_t>((i * 29) % 101);
      in.hvMvConnection = connections[i % 2];
      in.mvC1Connection = connections[(i / 2) % 2];
      in.c1C2Connection = connections[(i / 4) % 2];
      states.push_back(in);
    }
  }
  return states;
}

TEST(RowWriterTest, CsvRowsHoldTheReadoutTextsOfEveryBusAndSequence) {
  StringSink sink;
  OutputBuffer out(sink, 4096);
  RowWriter writer(OutputFormat::Csv, out);
  writer.Begin();
  const std::vector<FaultInputs> states = VariedStates();
  for (const FaultInputs& in : states) {
    writer.Row(in, ComputeVoltages(in));
  }
  out.Flush();
  const std::vector<std::string> rows = Lines(sink.text);
  ASSERT_EQ(rows.size(), states.size() + 1);
  for (std::size_t r = 0; r < states.size(); ++r) {
    const PassVoltages pass = ComputeVoltages(states[r]);
    std::vector<std::string> expected;
    for (const PhaseTriple& bus : pass.busVoltages) {
      for (const std::string& text : ReadoutTexts(bus)) {
        expected.push_back(text);
      }
    }
    for (const std::string& text : ReadoutTexts(pass.sequenceAtHV)) {
      expected.push_back(text);
    }
    const std::vector<std::string> fields = Fields(rows[r + 1]);
    ASSERT_EQ(fields.size(), 40u);
    EXPECT_EQ(std::vector<std::string>(fields.begin() + 10, fields.end()), expected) << "row " << r;
  }
}

TEST(ReadoutTextCacheTest, WritesWhatWriteNumberTextWrites) {
  ReadoutTextCache cache;
  std::vector<double> values = {
      0.0, -0.0, 1.0, 0.999, -127.6, 1e20, -1.234567890123e-7, 123456789.123456, 0.1 + 0.2};
  // Far more values than the cache holds, so that entries are replaced.
  for (int k = -40000; k <= 40000; k += 3) {
    values.push_back(k / 1000.0);
    values.push_back(k / 10.0);
  }
  for (int pass = 0; pass < 2; ++pass) {
    for (double value : values) {
      char expected[kNumberTextMax];
      char actual[kNumberTextMax];
      const std::string_view want(expected, WriteNumberText(value, expected) - expected);
      const std::string_view got(actual, cache.Write(value, actual) - actual);
      ASSERT_EQ(got, want) << "value " << value << " pass " << pass;
    }
  }
}

TEST(OutputBufferTest, KeepsOrderAndTakesBlocksLargerThanItself) {
  StringSink sink;
  OutputBuffer out(sink, 8);
  out.Append("abc");
  out.Append(std::string(20, 'x'));
  out.Append('!');
  EXPECT_LT(sink.text.size(), 24u);
  out.Flush();
  EXPECT_EQ(sink.text, "abc" + std::string(20, 'x') + "!");
}

}  // namespace
}  // namespace dipview::calc

#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "calc/io.h"
#include "compute/transformer.h"

namespace dipview::calc {

enum class OutputFormat { Table, Csv, Json };

/// "table", "csv" or "json".
OutputFormat ParseOutputFormat(std::string_view text);
inline constexpr std::string_view kAllowedFormat = "table, csv or json";

/// Number of readouts of one state: six for each of the four buses, then six
/// for the sequence voltages at Substation HV.
inline constexpr int kReadoutCount = 30;

/// The readout values of one pass, cut as the window's readouts cut them:
/// for each bus from Substation HV to Customer Level 2 |Va|, angle Va, |Vb|,
/// angle Vb, |Vc|, angle Vc (angles in degrees), then |V0|, angle V0, |V1|,
/// angle V1, |V2|, angle V2 at Substation HV. WriteNumberText turns each into
/// the text the readout shows.
std::array<double, kReadoutCount> CutReadouts(const PassVoltages& pass);

/// The names of all output columns: the ten settings, then hv_a_mag ...
/// c2_c_ang and v0_mag ... v2_ang, in the order of CutReadouts.
const std::array<std::string, 10 + kReadoutCount>& OutputColumnNames();

/// Writes readout texts through a memory of the texts WriteNumberText gave
/// for earlier values. The readouts take only a few thousand different values
/// (steps of 0.001 per unit and of 0.1 degree), and looking a text up is many
/// times quicker than converting the number again. Every text is
/// WriteNumberText's own, so the output is the same with or without it.
class ReadoutTextCache {
 public:
  ReadoutTextCache() : entries_(kEntries) {}

  /// Writes the text of `value` as WriteNumberText(value, out) would.
  char* Write(double value, char* out);

 private:
  static constexpr int kEntryBits = 13;
  static constexpr std::size_t kEntries = std::size_t{1} << kEntryBits;
  struct Entry {
    std::uint64_t bits = 0;
    std::uint8_t size = 0;  ///< 0 while empty: no text is empty
    char text[23];
  };
  std::vector<Entry> entries_;
};

/// Writes computed states in one format: CSV rows after a header line, one
/// compact JSON object per line, or a readable table per state.
class RowWriter {
 public:
  RowWriter(OutputFormat format, OutputBuffer& out) : format_(format), out_(out) {}

  /// Starts the output: the CSV header line; nothing for the other formats.
  void Begin();
  /// Writes one state and the voltages computed from it.
  void Row(const FaultInputs& in, const PassVoltages& pass);

 private:
  void CsvRow(const FaultInputs& in, const PassVoltages& pass);
  void JsonRow(const FaultInputs& in, const PassVoltages& pass);
  void TableBlock(const FaultInputs& in, const PassVoltages& pass);

  OutputFormat format_;
  OutputBuffer& out_;
  ReadoutTextCache texts_;
  bool firstTable_ = true;
};

}  // namespace dipview::calc

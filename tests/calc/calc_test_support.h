#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "calc/app.h"
#include "output/io.h"

namespace dipview::calc {

/// What one run of the calculator gave.
struct RunResult {
  int status = -1;
  std::string out;
  std::string err;
};

/// Runs the calculator in-process, with `input` as standard input handed over
/// in pieces of `chunk` bytes.
inline RunResult RunInProcess(std::vector<std::string_view> args, std::string_view input = {},
                              std::size_t chunk = 1 << 16) {
  output::StringSource in(input, chunk);
  output::StringSink out;
  output::StringSink err;
  RunResult result;
  result.status = RunCalculator(args, in, out, err);
  result.out = std::move(out.text);
  result.err = std::move(err.text);
  return result;
}

/// The start-up state's CSV: header line and row.
inline constexpr std::string_view kCsvHeader =
    "fault,z12_angle,z0_angle,zf_angle,z0_ratio,zf_ratio,proximity,hv_mv,mv_c1,c1_c2,"
    "hv_a_mag,hv_a_ang,hv_b_mag,hv_b_ang,hv_c_mag,hv_c_ang,"
    "mv_a_mag,mv_a_ang,mv_b_mag,mv_b_ang,mv_c_mag,mv_c_ang,"
    "c1_a_mag,c1_a_ang,c1_b_mag,c1_b_ang,c1_c_mag,c1_c_ang,"
    "c2_a_mag,c2_a_ang,c2_b_mag,c2_b_ang,c2_c_mag,c2_c_ang,"
    "v0_mag,v0_ang,v1_mag,v1_ang,v2_mag,v2_ang\n";
inline constexpr std::string_view kStartUpRow =
    "single,90,90,90,2.5,0,50,DY,DY,DY,"
    "0.499,0,1.092,-127.6,1.092,127.5,"
    "0.838,-36.6,0.838,-143.5,0.999,90,"
    "0.949,-65.9,0.777,-180,0.949,65.8,"
    "0.999,-90.1,0.838,143.4,0.838,36.5,"
    "0.277,-180,0.888,0,0.111,179.9\n";

/// Splits one CSV line (without its line end) at the commas.
inline std::vector<std::string> Fields(std::string_view line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = line.find(',', start);
    fields.emplace_back(line.substr(start, comma - start));
    if (comma == std::string_view::npos) {
      return fields;
    }
    start = comma + 1;
  }
}

/// The lines of a text, without their line ends.
inline std::vector<std::string> Lines(std::string_view text) {
  std::vector<std::string> lines;
  while (!text.empty()) {
    const std::size_t newline = text.find('\n');
    lines.emplace_back(text.substr(0, newline));
    text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
  }
  return lines;
}

}  // namespace dipview::calc

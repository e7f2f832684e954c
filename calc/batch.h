#pragma once

#include <cstddef>

#include "calc/writers.h"
#include "compute/fault.h"
#include "output/io.h"

namespace dipview::calc {

/// Longest line a batch may hold, without its line end: 1 MiB.
inline constexpr std::size_t kMaxBatchLineBytes = std::size_t{1} << 20;

/// Computes the states of a CSV batch, read as RFC 4180 has it: fields in
/// double quotes may hold commas, line ends and quotes written twice (""). The
/// first non-blank line of `in` is a header naming some of the ten setting
/// columns in any order and any case; each later non-blank line is one state,
/// with the columns the header leaves out taken from `base`. Result columns
/// the calculator writes (hv_a_mag, hv_type, ...) may be named too and are
/// read past, so the calculator's own CSV output is valid input. Blanks around
/// fields, CRLF line ends and UTF-8 byte order marks before the header are
/// accepted.
///
/// Calls writer.Begin() once the header is read, then hands each state to
/// writer.Add, and has every row so far written and passed on before each
/// wait for more input, so rows appear while the input is still being
/// written. At the first bad line, or a line longer than kMaxBatchLineBytes,
/// it throws UsageError naming the line (and the column or field);
/// writer.End() then writes the rows of the lines before it, and nothing is
/// written for the bad line. Returns the number of states.
std::size_t RunBatch(output::ByteSource& in, const FaultInputs& base, RowWriter& writer,
                     output::OutputBuffer& out);

}  // namespace dipview::calc

#pragma once

#include <cstddef>

#include "calc/io.h"
#include "calc/writers.h"
#include "compute/fault.h"

namespace dipview::calc {

/// Computes the states of a CSV batch. The first non-blank line of `in` is a
/// header naming some of the ten setting columns in any order; each later
/// non-blank line is one state, with the columns the header leaves out taken
/// from `base`. Blanks around fields, CRLF line ends and a UTF-8 byte order
/// mark are accepted.
///
/// Calls writer.Begin() once the header is read, then hands each state to
/// writer.Add, and has every row so far written and passed on before each
/// wait for more input, so rows appear while the input is still being
/// written. At the first bad line it throws UsageError naming the line (and
/// the column); writer.End() then writes the rows of the lines before it, and
/// nothing is written for the bad line. Returns the number of states.
std::size_t RunBatch(ByteSource& in, const FaultInputs& base, RowWriter& writer, OutputBuffer& out);

}  // namespace dipview::calc

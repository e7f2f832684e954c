#pragma once

#include <string>

#include "calc/writers.h"
#include "compute/fault.h"

namespace dipview::calc {

/// One state as a problem sheet in `layout.format`, Markdown or LaTeX: the
/// settings as a list, then a table with a row for each bus and the
/// magnitude and angle of each phase in columns (with --classify the bus's
/// sag type, V, F and textbook type after them), a table of V0, V1, V2 at
/// Substation HV and, with --line-to-line, a table of Vab, Vbc, Vca of each
/// bus. The values are those the CSV writes, the same texts; `rounded`
/// writes them with all their decimals (0.500, -120.0), and `layout.polar`
/// each phasor as one cell (0.400∠-120.0°).
std::string SheetText(const FaultInputs& in, const PassVoltages& pass, const RowLayout& layout);

}  // namespace dipview::calc

#pragma once

#include <span>
#include <string_view>

#include "calc/io.h"

namespace dipview::calc {

/// The whole program: parses the arguments after the program's name, reads a
/// batch from `in` when asked to, writes results to `out` and messages, each
/// starting "dipview-calc: ", to `err`. Returns the exit status: 0 on success,
/// kExitUsage for a bad option or bad batch input, 1 when reading or writing
/// fails.
int RunCalculator(std::span<const std::string_view> args, ByteSource& in, ByteSink& out,
                  ByteSink& err);

}  // namespace dipview::calc

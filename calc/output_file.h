#pragma once

#include <string>
#include <string_view>

#include "calc/io.h"

namespace dipview::calc {

/// Writes a finished picture or plot, `bytes`, to `path` without ever leaving a
/// half-written file or replacing something that is not a file:
/// - "-" goes to `standardOutput`;
/// - a FIFO or a character device, or a symbolic link to one, is written
///   straight into and never replaced;
/// - a new name, a regular file or a symbolic link to one is written to a
///   temporary file in the same folder, which then replaces the file in one
///   step (the link stays a link); the old file is whole until then and stays
///   untouched on any failure, and a replaced file keeps its permissions;
/// - anything else (a folder, a block device, a socket, a dangling link) is
///   refused.
/// The name's bytes are used exactly as given. Throws IoError with
/// "cannot write 'PATH': REASON", REASON being the system's own where it has one.
void WriteOutputFile(const std::string& path, std::string_view bytes, ByteSink& standardOutput);

}  // namespace dipview::calc

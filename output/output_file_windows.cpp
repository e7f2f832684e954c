#include "output/output_file.h"

#include "output/quote.h"

// The Windows build has no safe replacement of files (no link, FIFO or
// owner checks): it writes to standard output only.
namespace dipview::output {

void WriteOutputFile(const std::string& path, std::string_view bytes, ByteSink& standardOutput,
                     const FileCalls&) {
  if (path == "-") {
    standardOutput.Write(bytes.data(), bytes.size());
    return;
  }
  throw IoError("cannot write " + QuoteForMessage(path) +
                ": the Windows build writes to standard output only (use -)");
}

}  // namespace dipview::output

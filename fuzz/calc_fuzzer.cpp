// The calculator's command line and batch input from arbitrary bytes: the
// arguments one per line, then a NUL byte, then standard input. It must end
// every run with a status and, on failure, one message; it must never print a
// number it could not compute.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <string_view>
#include <vector>

#include "calc/app.h"
#include "calc/options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::size_t nul = bytes.find('\0');
  const std::string_view command = bytes.substr(0, nul);
  const std::string_view input = nul == std::string_view::npos ? "" : bytes.substr(nul + 1);

  std::vector<std::string_view> args;
  for (std::size_t begin = 0; begin < command.size();) {
    const std::size_t end = std::min(command.find('\n', begin), command.size());
    args.push_back(command.substr(begin, end - begin));
    begin = end + 1;
  }
  // --comtrade writes files next to the fuzzer; its bad command lines are
  // still run, a good one is not.
  try {
    if (!dipview::calc::ParseCommandLine(args).comtradeBase.empty()) {
      return 0;
    }
  } catch (const std::exception&) {
    // A bad command line: the run below reports it.
  }
  // Small and uneven pieces, so that lines and the byte order mark straddle reads.
  dipview::output::StringSource in(input, 1 + size % 61);
  dipview::output::StringSink out;
  dipview::output::StringSink err;
  const int status = dipview::calc::RunCalculator(args, in, out, err);

  const std::string_view message = err.text;
  const bool oneMessage = message.starts_with("dipview-calc: ") && message.ends_with('\n') &&
                          message.find('\n') == message.size() - 1;
  if (status == 0 ? !message.empty() : !oneMessage) {
    std::abort();
  }
  // Status 1 is for input and output failures; in memory the only ones are a
  // picture or a plot asked of a calculator that has no drawing services.
  if (status == 1 && command.find("--png") == std::string_view::npos &&
      command.find("--plot") == std::string_view::npos) {
    std::abort();
  }
  if (status != 0 && status != 1 && status != dipview::calc::kExitUsage) {
    std::abort();
  }
  if (out.text.find("NaN") != std::string::npos || out.text.find("Inf") != std::string::npos) {
    std::abort();
  }
  return 0;
}

#include "calc/app.h"

#include <string>

#include "calc/batch.h"
#include "calc/options.h"
#include "calc/sweep.h"
#include "calc/writers.h"
#include "compute/transformer.h"

namespace dipview::calc {

namespace {

void Report(ByteSink& err, std::string_view message) {
  std::string line = "dipview-calc: ";
  line += message;
  line += '\n';
  try {
    err.Write(line.data(), line.size());
  } catch (const IoError&) {
    // Nowhere left to report to; the exit status still tells.
  }
}

}  // namespace

int RunCalculator(std::span<const std::string_view> args, ByteSource& in, ByteSink& out,
                  ByteSink& err, const CalcServices& services) {
  OutputBuffer buffer(out);
  try {
    try {
      const CalcOptions options = ParseCommandLine(args);
      switch (options.action) {
        case Action::Help:
          buffer.Append(UsageText());
          break;
        case Action::Version:
          buffer.Append(kVersion);
          buffer.Append('\n');
          break;
        case Action::Compute: {
          if (!options.pngPath.empty()) {
            if (services.writePng == nullptr) {
              throw IoError("this dipview-calc was built without the window, so it cannot draw");
            }
            std::string error;
            if (!services.writePng(options.settings, options.pngPath, options.scale, error)) {
              throw UsageError("--png: " + error);
            }
            break;
          }
          if (!options.plotPath.empty()) {
            if (services.writePlot == nullptr) {
              throw IoError("this dipview-calc was built without Qt, so it cannot plot");
            }
            std::string error;
            if (!services.writePlot(CollectPlot(options.sweeps[0], options.settings),
                                    options.plotPath, options.plotFormat, error)) {
              throw UsageError("--plot: " + error);
            }
            break;
          }
          RowWriter writer(std::make_shared<const RowLayout>(LayoutOf(options)), buffer);
          try {
            if (!options.sweeps.empty()) {
              RunSweep(options.sweeps, options.settings, writer);
            } else if (options.batch) {
              RunBatch(in, options.settings, writer, buffer);
            } else {
              writer.Begin();
              writer.Row(options.settings, ComputeVoltages(options.settings));
            }
          } catch (const UsageError&) {
            // The rows of the states before a bad batch line are still due.
            writer.End();
            throw;
          }
          writer.End();
          break;
        }
      }
      buffer.Flush();
      return 0;
    } catch (const UsageError& e) {
      // The rows before a bad batch line stand; they go out before the message.
      buffer.Flush();
      Report(err, e.what());
      return kExitUsage;
    }
  } catch (const IoError& e) {
    Report(err, e.what());
    return 1;
  }
}

}  // namespace dipview::calc

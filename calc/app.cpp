#include "calc/app.h"

#include <new>
#include <string>

#include "calc/batch.h"
#include "calc/events.h"
#include "calc/link.h"
#include "calc/options.h"
#include "calc/presets.h"
#include "calc/settings.h"
#include "calc/sweep.h"
#include "calc/writers.h"
#include "compute/transformer.h"
#include "dipview/version.h"
#include "output/output_file.h"

namespace dipview::calc {

namespace {

void Report(output::ByteSink& err, std::string_view message) {
  std::string line = "dipview-calc: ";
  // Values are escaped where a message quotes them; this catches any other.
  line += output::EscapeForTerminal(message);
  line += '\n';
  try {
    err.Write(line.data(), line.size());
  } catch (const output::IoError&) {
    // Nowhere left to report to; the exit status still tells.
  }
}

int Run(std::span<const std::string_view> args, output::ByteSource& in, output::ByteSink& out,
        output::ByteSink& err, const CalcServices& services) {
  output::OutputBuffer buffer(out);
  try {
    try {
      const CalcOptions options = ParseCommandLine(args);
      switch (options.action) {
        case Action::Help:
          buffer.Append(UsageText());
          break;
        case Action::Version:
          buffer.Append(VersionText("dipview-calc"));
          break;
        case Action::Presets:
          buffer.Append(PresetList());
          break;
        case Action::Compute: {
          if (options.link) {
            buffer.Append(WriteLink(options.settings) + "\n");
            break;
          }
          if (!options.pngPath.empty()) {
            if (options.svg ? services.drawSvg == nullptr : services.drawPicture == nullptr) {
              throw output::IoError(
                  "this dipview-calc was built without the window, so it cannot draw");
            }
            std::string bytes;
            if (options.svg) {
              services.drawSvg(options.settings, options.labels, bytes);
            } else {
              services.drawPicture(options.settings, options.scale, options.labels, bytes);
            }
            output::WriteOutputFile(options.pngPath, bytes, out, services.fileCalls);
            break;
          }
          if (!options.plotPath.empty()) {
            if (services.drawPlot == nullptr) {
              throw output::IoError("this dipview-calc was built without Qt, so it cannot plot");
            }
            std::string bytes;
            if (options.sweeps.empty()) {
              if (services.drawChart == nullptr) {
                throw output::IoError("this dipview-calc was built without Qt, so it cannot plot");
              }
              const FaultInputs& in = options.settings;
              const design::TimeViewInputs chart{.caption = SettingsCaption(in),
                                                 .states = SagStatesOf(in, ComputeVoltages(in)),
                                                 .time = options.time};
              services.drawChart(design::TimeViewList(chart), options.plotFormat,
                                 chart.caption + "; " + design::TimeCaption(chart.time), bytes);
              output::WriteOutputFile(options.plotPath, bytes, out, services.fileCalls);
              break;
            }
            services.drawPlot(CollectPlot(options.sweeps[0], options.settings), options.plotFormat,
                              bytes);
            output::WriteOutputFile(options.plotPath, bytes, out, services.fileCalls);
            break;
          }
          if (WantsSignals(options)) {
            WriteSignals(options, buffer, out);
            break;
          }
          RowWriter writer(std::make_shared<const RowLayout>(LayoutOf(options)), buffer);
          try {
            if (!options.sweeps.empty()) {
              RunSweep(options.sweeps, options.settings, writer);
            } else if (options.batch && !options.batchPath.empty()) {
              output::InputFile file(options.batchPath);
              RunBatch(file.source(), options.settings, writer, buffer);
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
  } catch (const output::IoError& e) {
    Report(err, e.what());
    return 1;
  }
}

}  // namespace

int RunCalculator(std::span<const std::string_view> args, output::ByteSource& in,
                  output::ByteSink& out, output::ByteSink& err, const CalcServices& services) {
  try {
    return Run(args, in, out, err, services);
  } catch (const std::bad_alloc&) {
    // A message of its own that needs no memory to put together.
    static constexpr std::string_view kMessage = "dipview-calc: out of memory\n";
    try {
      err.Write(kMessage.data(), kMessage.size());
    } catch (const std::exception&) {
      // Nowhere left to report to; the exit status still tells.
    }
    return 1;
  }
}

}  // namespace dipview::calc

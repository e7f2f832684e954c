#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "calc/app.h"
#include "calc/batch.h"
#include "calc/options.h"
#include "calc/writers.h"
#include "compute/readout.h"
#include "compute/transformer.h"
#include "design/pass.h"

namespace dipview {
namespace {

FaultInputs StateOfType(int type) {
  FaultInputs in;
  in.faultType = static_cast<FaultType>(type);
  return in;
}

// One computing pass: the fault model, the three transformers and the
// sequence voltages at Substation HV.
void BM_ComputeVoltages(benchmark::State& state) {
  FaultInputs in = StateOfType(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    benchmark::DoNotOptimize(in);
    benchmark::DoNotOptimize(ComputeVoltages(in));
  }
}
BENCHMARK(BM_ComputeVoltages)->ArgName("fault")->Arg(0)->Arg(1)->Arg(2);

// The window's pass without a toolkit: the layout step, the fault model, the
// 24 readout texts and the drawing list of 86 steps, storage reused.
void BM_DesignPass(benchmark::State& state) {
  design::PassInputs in;
  in.controls.selected.fault = {};
  in.controls.selected.fault[static_cast<std::size_t>(state.range(0))] = true;
  in.controls.selected.z0Z12[1] = true;
  in.controls.selected.zfZ12[6] = true;
  in.layout = design::DesignLayout();
  in.surfaceHeightPx = 584;
  design::DrawState drawState;
  design::PassResult out;
  for (auto _ : state) {
    design::RunPass(in, drawState, out);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_DesignPass)->ArgName("fault")->Arg(0)->Arg(1)->Arg(2);

// The 30 readout texts of a pass as the window makes them, as strings.
void BM_ReadoutTexts(benchmark::State& state) {
  const PassVoltages pass = ComputeVoltages(FaultInputs{});
  for (auto _ : state) {
    for (const PhaseTriple& bus : pass.busVoltages) {
      benchmark::DoNotOptimize(ReadoutTexts(bus));
    }
    benchmark::DoNotOptimize(ReadoutTexts(pass.sequenceAtHV));
  }
}
BENCHMARK(BM_ReadoutTexts);

// The same 30 texts without allocation, converted afresh each time.
void BM_ReadoutTextsWriteNumberText(benchmark::State& state) {
  const PassVoltages pass = ComputeVoltages(FaultInputs{});
  char buffer[calc::kReadoutCount * kNumberTextMax];
  for (auto _ : state) {
    char* out = buffer;
    for (double value : calc::ReadoutValues(pass, calc::ValueMode::Shown)) {
      out = WriteNumberText(value, out);
    }
    benchmark::DoNotOptimize(out);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_ReadoutTextsWriteNumberText);

// The same 30 texts as the calculator writes them, through its text cache.
void BM_ReadoutTextsCached(benchmark::State& state) {
  const PassVoltages pass = ComputeVoltages(FaultInputs{});
  calc::ReadoutTextCache cache;
  char buffer[calc::kReadoutCount * kNumberTextMax];
  for (auto _ : state) {
    char* out = buffer;
    for (double value : calc::ReadoutValues(pass, calc::ValueMode::Shown)) {
      out = cache.Write(value, out);
    }
    benchmark::DoNotOptimize(out);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_ReadoutTextsCached);

class DiscardSink : public output::ByteSink {
 public:
  void Write(const char*, std::size_t size) override { bytes += size; }
  std::size_t bytes = 0;
};

// A batch of varied states over the whole range of every setting.
std::string BatchInput(int rows) {
  std::string csv =
      "fault,z12_angle,z0_angle,zf_angle,z0_ratio,zf_ratio,proximity,hv_mv,mv_c1,c1_c2\n";
  std::uint32_t seed = 12345;
  const auto next = [&seed](std::uint32_t n) {
    seed = seed * 1664525u + 1013904223u;
    return (seed >> 8) % n;
  };
  static const char* const kFaults[] = {"single", "phase-phase", "three"};
  static const char* const kConnections[] = {"DY", "YY"};
  for (int i = 0; i < rows; ++i) {
    csv += kFaults[next(3)];
    csv += "," + std::to_string(next(91));
    const std::uint32_t tenths = next(901);
    csv += "," + std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
    csv += "," + std::to_string(next(91));
    csv += ",";
    // The option tables run from 3.0 down; 0.0 is a ZF/Z12 option only.
    csv += design::kRatioCaptions[5 - next(6)];
    csv += ",";
    csv += design::kRatioCaptions[6 - next(7)];
    csv += "," + std::to_string(next(101));
    for (int t = 0; t < 3; ++t) {
      csv += ",";
      csv += kConnections[next(2)];
    }
    csv += "\n";
  }
  return csv;
}

// dipview-calc --batch in-process, from parsing the input to the formatted
// output; items per second is states per second.
void BM_Batch(benchmark::State& state) {
  constexpr int kRows = 10000;
  const std::string input = BatchInput(kRows);
  const auto format = state.range(0) == 0 ? calc::OutputFormat::Csv : calc::OutputFormat::Json;
  DiscardSink sink;
  for (auto _ : state) {
    output::StringSource in(input);
    output::OutputBuffer out(sink);
    calc::RowWriter writer(format, out);
    if (calc::RunBatch(in, FaultInputs{}, writer, out) != kRows) {
      state.SkipWithError("the batch input was refused");
      break;
    }
    out.Flush();
  }
  state.SetItemsProcessed(state.iterations() * kRows);
  state.SetBytesProcessed(static_cast<std::int64_t>(sink.bytes));
}
BENCHMARK(BM_Batch)->ArgName("json")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Runs the calculator in-process on `input` once per iteration, its output
// thrown away; a failure ends the benchmark with the calculator's message.
void RunEachIteration(benchmark::State& state, const std::vector<std::string_view>& args,
                      std::string_view input) {
  for (auto _ : state) {
    output::StringSource in(input);
    DiscardSink out;
    output::StringSink err;
    if (calc::RunCalculator(args, in, out, err) != 0) {
      state.SkipWithError(err.text.c_str());
      break;
    }
  }
}

// The whole calculator in-process on 1,000,000 states, a --sweep over a grid
// of 1000 x 1000 points or a --batch of varied states, with --jobs 1 or one
// job per core (jobs:0); items per second is states per second. Both job
// counts run in one go so that they see the same machine: on two cores the
// rate of every core should be at least 1.7 times that of one job.
void BM_MillionStates(benchmark::State& state) {
  constexpr int kStates = 1'000'000;
  static const std::string input = BatchInput(kStates);
  const bool batch = state.range(0) == 1;
  const std::string jobs = std::to_string(state.range(1) == 0 ? calc::CoreCount() : 1);
  std::vector<std::string_view> args = {"--jobs", jobs};
  if (batch) {
    args.push_back("--batch");
  } else {
    args.insert(args.end(),
                {"--sweep", "z12-angle=0:89.91:0.09", "--sweep", "zf-ratio=0:2.997:0.003"});
  }
  RunEachIteration(state, args, batch ? std::string_view(input) : std::string_view());
  state.SetItemsProcessed(state.iterations() * kStates);
  state.counters["jobs"] = std::stod(jobs);
}
BENCHMARK(BM_MillionStates)
    ->ArgNames({"batch", "jobs"})
    ->Args({0, 1})
    ->Args({0, 0})
    ->Args({1, 1})
    ->Args({1, 0})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

// --batch of 100,000 varied states in-process with --jobs 1, without and
// with --events (the sag in time at its defaults: 0.1 s, 128 samples a
// cycle at 50 Hz); items per second is states per second.
void BM_Events(benchmark::State& state) {
  constexpr int kStates = 100'000;
  static const std::string input = BatchInput(kStates);
  std::vector<std::string_view> args = {"--jobs", "1", "--batch"};
  if (state.range(0) == 1) {
    args.push_back("--events");
  }
  RunEachIteration(state, args, input);
  state.SetItemsProcessed(state.iterations() * kStates);
}
BENCHMARK(BM_Events)->ArgName("events")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace dipview

BENCHMARK_MAIN();

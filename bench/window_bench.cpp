#include <benchmark/benchmark.h>

#include <array>
#include <cstdlib>

#include <QApplication>

#include "window/form1.h"
#include "window/startup.h"
#include "window/widgets.h"

namespace dipview::window {
namespace {

FaultInputs StateOfType(int type) {
  FaultInputs in;
  in.faultType = static_cast<FaultType>(type);
  in.zfRatio = 0.5;
  in.z12AngleDeg = 80;
  in.z0AngleDeg = 70;
  in.zfAngleDeg = 10;
  in.mvC1Connection = TransformerConnection::YY;
  return in;
}

// One whole pass as every click runs it: layout, settings, fault model, the
// four buses with their diagrams, bars and 24 readouts.
void BM_Recalculate(benchmark::State& state) {
  Form1 form;
  form.FormLoad();
  ShowAtStartUp(form);
  QApplication::processEvents();
  form.ApplySettings(StateOfType(static_cast<int>(state.range(0))));
  for (auto _ : state) {
    form.Recalculate();
  }
}
BENCHMARK(BM_Recalculate)->ArgName("fault")->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// The pass and the repaint of the whole window that it asks for: what a
// click costs before the user sees its result.
void BM_RecalculateAndRepaint(benchmark::State& state) {
  Form1 form;
  form.FormLoad();
  ShowAtStartUp(form);
  QApplication::processEvents();
  for (auto _ : state) {
    form.Recalculate();
    form.repaint();
  }
}
BENCHMARK(BM_RecalculateAndRepaint)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace dipview::window

int main(int argc, char** argv) {
  // Before QApplication: the pass is measured without a display server.
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  dipview::window::SetUpApplication();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return 1;
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

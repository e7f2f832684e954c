#include <benchmark/benchmark.h>

#include <array>
#include <cstdlib>

#include <QApplication>

#include "window/form1.h"
#include "window/startup.h"
#include "window/viewer.h"
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

// The same in the program's window when the design is larger: at 200%
// (argument 0) and fitted to a full HD screen (argument 1, 1080/584 = 185%).
void BM_RecalculateAndRepaintZoomed(benchmark::State& state) {
  Viewer viewer;
  viewer.form().FormLoad();
  if (state.range(0) == 0) {
    viewer.SetFixedZoom(2.0);
    viewer.resize(Form1::FullSize(2.0));
  } else {
    viewer.resize(1920, 1080);
  }
  viewer.show();
  QApplication::processEvents();
  Form1& form = viewer.form();
  for (auto _ : state) {
    form.Recalculate();
    form.repaint();
  }
  state.counters["zoom_percent"] = form.Zoom() * 100.0;
}
BENCHMARK(BM_RecalculateAndRepaintZoomed)
    ->ArgName("fitted")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond);

// What a zoom key costs: the whole design rescaled and the drawing painted
// again at the new size, between 100% and 200%.
void BM_ZoomStep(benchmark::State& state) {
  Viewer viewer;
  viewer.form().FormLoad();
  viewer.show();
  QApplication::processEvents();
  bool large = false;
  for (auto _ : state) {
    large = !large;
    viewer.SetFixedZoom(large ? 2.0 : 1.0);
    viewer.form().repaint();
  }
}
BENCHMARK(BM_ZoomStep)->Unit(benchmark::kMicrosecond);

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

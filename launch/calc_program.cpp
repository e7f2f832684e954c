#include "launch/calc_program.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "calc/app.h"
#if defined(DIPVIEW_CALC_PICTURES) || defined(DIPVIEW_CALC_PLOTS)
#include <pthread.h>

#include <algorithm>
#include <memory>
#include <new>
#include <system_error>
#include <thread>

#include <QApplication>
#include <QThread>

#include "window/startup.h"
#endif
#ifdef DIPVIEW_CALC_PICTURES
#include "window/form1.h"
#include "window/picture.h"
#endif
#ifdef DIPVIEW_CALC_PLOTS
#include "plot/chart.h"
#include "plot/plot.h"
#endif

namespace {

#if defined(DIPVIEW_CALC_PICTURES) || defined(DIPVIEW_CALC_PLOTS)

/// Starts Qt for drawing without a display, once. The size of a picture must
/// not depend on the user's screen settings, so every variable that scales
/// Qt's output or changes its style is cleared and the density set from `scale`.
/// The application lives in main's scope: Qt must be shut down before the
/// program's static objects are.
std::unique_ptr<QApplication>* g_qt = nullptr;

void StartQt(int scale) {
  if (*g_qt) {
    return;
  }
  for (const char* name :
       {"QT_SCREEN_SCALE_FACTORS", "QT_FONT_DPI", "QT_ENABLE_HIGHDPI_SCALING",
        "QT_AUTO_SCREEN_SCALE_FACTOR", "QT_SCALE_FACTOR_ROUNDING_POLICY", "QT_USE_PHYSICAL_DPI",
        "QT_DEVICE_PIXEL_RATIO", "QT_STYLE_OVERRIDE", "QT_QPA_PLATFORMTHEME"}) {
    ::unsetenv(name);
  }
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  ::setenv("QT_SCALE_FACTOR", std::to_string(scale).c_str(), 1);
  dipview::window::EnsureRuntimeFolder();
  static int argc = 1;
  static char name[] = "dipview-calc";
  static char* argv[] = {name, nullptr};
  *g_qt = std::make_unique<QApplication>(argc, argv);
#ifdef DIPVIEW_CALC_PICTURES
  dipview::window::SetUpApplication();
#endif
}

/// Qt's painter fills large images on pool threads and waits for them
/// forever when one cannot be started, as under a tight memory limit. Their
/// stacks are made small, and before drawing the threads and the picture's
/// memory are tried out, so that a shortage ends as "out of memory".
void EnsureRoomToDraw(int scale) {
  constexpr std::size_t kThreadStack = std::size_t{256} << 10;
  pthread_attr_t defaults;
  if (::pthread_getattr_default_np(&defaults) == 0) {
    ::pthread_attr_setstacksize(&defaults, kThreadStack);
    ::pthread_setattr_default_np(&defaults);
    ::pthread_attr_destroy(&defaults);
  }
  try {
    // A picture's image and its encoded copy take under 4 MiB at each unit of
    // scale squared; the rest is room to spare.
    const auto squares = static_cast<std::size_t>(scale * scale);
    const auto room =
        std::make_unique<char[]>((std::size_t{4} << 20) * squares + (std::size_t{8} << 20));
    room[0] = 1;
    std::vector<std::jthread> threads;
    const int count = std::max(2, QThread::idealThreadCount());
    threads.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
      threads.emplace_back([] {});
    }
  } catch (const std::system_error&) {
    throw std::bad_alloc();
  }
}

std::string ToString(const QByteArray& bytes) {
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

#endif

}  // namespace

namespace dipview::launch {

int RunCalculatorProgram(int argc, char** argv) {
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  const dipview::output::ClosedStandardStreams closed = dipview::output::HoldStandardStreams();
  dipview::output::FdSource in(0);
  dipview::output::FdSink out(1, closed.output);
  dipview::output::FdSink err(2, closed.error);
  dipview::calc::CalcServices services;
#if defined(DIPVIEW_CALC_PICTURES) || defined(DIPVIEW_CALC_PLOTS)
  std::unique_ptr<QApplication> qt;
  g_qt = &qt;
#endif
#ifdef DIPVIEW_CALC_PICTURES
  services.drawPicture = [](const dipview::FaultInputs& settings, int scale, bool labels,
                            std::string& png) {
    StartQt(scale);
    EnsureRoomToDraw(scale);
    png = ToString(
        dipview::window::EncodePng(dipview::window::RenderPicture(settings, {.labels = labels})));
  };
  services.drawSvg = [](const dipview::FaultInputs& settings, bool labels, std::string& svg) {
    StartQt(1);
    EnsureRoomToDraw(1);
    svg = ToString(dipview::window::RenderSvg(settings, {.labels = labels}));
  };
#endif
#ifdef DIPVIEW_CALC_PLOTS
  services.drawPlot = [](const dipview::output::SweepPlot& plot, dipview::output::PlotFormat format,
                         std::string& bytes) {
    StartQt(1);
    EnsureRoomToDraw(1);
    bytes = ToString(dipview::plot::EncodePlot(plot, format));
  };
  services.drawChart = [](const dipview::design::ChartList& chart,
                          dipview::output::PlotFormat format, const std::string& description,
                          std::string& bytes) {
    StartQt(1);
    EnsureRoomToDraw(1);
    bytes = ToString(
        dipview::plot::EncodeTimeChart(chart, format, QString::fromStdString(description)));
  };
#endif
  return dipview::calc::RunCalculator(args, in, out, err, services);
}

}  // namespace dipview::launch

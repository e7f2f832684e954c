#include <cstdlib>
#include <string>
#include <vector>

#include "calc/app.h"
#if defined(DIPVIEW_CALC_PICTURES) || defined(DIPVIEW_CALC_PLOTS)
#include <memory>

#include <QApplication>

#include "window/startup.h"
#endif
#ifdef DIPVIEW_CALC_PICTURES
#include "window/form1.h"
#include "window/picture.h"
#endif
#ifdef DIPVIEW_CALC_PLOTS
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

std::string ToString(const QByteArray& bytes) {
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

#endif

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  dipview::calc::FdSource in(0);
  dipview::calc::FdSink out(1);
  dipview::calc::FdSink err(2);
  dipview::calc::CalcServices services;
#if defined(DIPVIEW_CALC_PICTURES) || defined(DIPVIEW_CALC_PLOTS)
  std::unique_ptr<QApplication> qt;
  g_qt = &qt;
#endif
#ifdef DIPVIEW_CALC_PICTURES
  services.drawPicture = [](const dipview::FaultInputs& settings, int scale, std::string& png) {
    StartQt(scale);
    png = ToString(dipview::window::EncodePng(dipview::window::RenderPicture(settings)));
  };
  services.drawSvg = [](const dipview::FaultInputs& settings, std::string& svg) {
    StartQt(1);
    svg = ToString(dipview::window::RenderSvg(settings));
  };
#endif
#ifdef DIPVIEW_CALC_PLOTS
  services.drawPlot = [](const dipview::calc::SweepPlot& plot, dipview::calc::PlotFormat format,
                         std::string& bytes) {
    StartQt(1);
    bytes = ToString(dipview::plot::EncodePlot(plot, format));
  };
#endif
  return dipview::calc::RunCalculator(args, in, out, err, services);
}

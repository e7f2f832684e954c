#include <vector>

#include "calc/app.h"
#ifdef DIPVIEW_CALC_PICTURES
#include "window/picture.h"
#endif
#ifdef DIPVIEW_CALC_PLOTS
#include "plot/plot.h"
#endif

int main(int argc, char** argv) {
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  dipview::calc::FdSource in(0);
  dipview::calc::FdSink out(1);
  dipview::calc::FdSink err(2);
  dipview::calc::CalcServices services;
#ifdef DIPVIEW_CALC_PICTURES
  services.writePng = &dipview::window::WritePictureFile;
#endif
#ifdef DIPVIEW_CALC_PLOTS
  services.writePlot = &dipview::plot::WritePlotFile;
#endif
  return dipview::calc::RunCalculator(args, in, out, err, services);
}

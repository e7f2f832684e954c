#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "calc/app.h"
#ifdef DIPVIEW_CALC_PICTURES
#include "window/picture.h"
#endif
#ifdef DIPVIEW_CALC_PLOTS
#include "plot/plot.h"
#endif

namespace {

/// Pictures and plots start Qt, which wants a private runtime directory and
/// warns on standard error when a headless shell has none; give it the one
/// it would fall back to.
void EnsureRuntimeDirectory() {
  if (std::getenv("XDG_RUNTIME_DIR") != nullptr) {
    return;
  }
  const std::string dir = "/tmp/runtime-" + std::to_string(::getuid());
  ::mkdir(dir.c_str(), 0700);  // may exist already; checked below
  struct stat st {};
  if (::stat(dir.c_str(), &st) == 0 && st.st_uid == ::getuid() && (st.st_mode & 0077) == 0) {
    ::setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
  }
}

}  // namespace

int main(int argc, char** argv) {
  EnsureRuntimeDirectory();
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

#pragma once

namespace dipview::launch {

/// The dipview program: reads the command line (the settings as dipview-calc
/// reads them, --zoom, --fullscreen, --help, --version and Qt's own options),
/// opens the window and runs it. Returns the exit status: 0, 1 when no display
/// can be opened or the output fails, 2 for a command line it cannot use.
int RunWindowProgram(int argc, char** argv);

}  // namespace dipview::launch

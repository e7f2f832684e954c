#pragma once

namespace dipview::launch {

/// The dipview-calc program over the standard streams: the calculator, with
/// the window's drawing code for --png and --svg and Qt's painter for --plot
/// when Qt is built, Qt started without a display only when a picture is
/// drawn. Returns the calculator's exit status.
int RunCalculatorProgram(int argc, char** argv);

}  // namespace dipview::launch

#include "launch/window_program.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <QApplication>
#include <QIcon>
#include <QString>

#include "calc/options.h"
#include "calc/presets.h"
#include "calc/settings.h"
#include "dipview/version.h"
#include "window/form1.h"
#include "window/startup.h"
#include "window/viewer.h"
#include "window/widgets.h"

namespace {

constexpr std::string_view kUsage =
    "Usage: dipview [OPTION]...\n"
    "Show how a fault on the transmission system is seen as voltage sags at four\n"
    "buses of a distribution system fed through DY or YY transformers.\n"
    "\n"
    "In the window a right click opens a menu to copy the picture (Ctrl+C), save\n"
    "it as PNG or SVG (Ctrl+S), copy the readouts as a tab-separated table\n"
    "(Ctrl+Shift+C) or open the sag in time (Ctrl+T): each bus's waveforms,\n"
    "Urms(1/2) and dip on the ITIC and SEMI F47 curves, drawn anew at every\n"
    "change. Tooltips name what each readout, diagram and control shows.\n"
    "Ctrl+Plus and Ctrl+Minus zoom, Ctrl+0 goes back to 100%, F11 toggles full\n"
    "screen and Esc leaves it. L (or the menu) shows labels for a lecture hall:\n"
    "readout headings, V0, V1 and V2, sag types and the scales.\n"
    "\n"
    "Options:\n"
    "      --fault TYPE, --phases P, --z12-angle DEG, --z0-angle DEG, --zf-angle DEG,\n"
    "      --z0-ratio R, --zf-ratio R, --proximity N, --transformers C,C,C\n"
    "                      open with these settings, written as dipview-calc takes\n"
    "                      them, and the ratios of its options; settings only the\n"
    "                      all-faults form shows (two-phase-ground, other phases,\n"
    "                      DD) open it\n"
    "      --all-faults    open the all-faults form: the two-phase-to-ground fault,\n"
    "                      the faulted phases and DD transformers (also in the\n"
    "                      right-click menu)\n"
    "      --preset NAME   start from a textbook case, which options after it\n"
    "                      change; --preset list prints the cases, as\n"
    "                      dipview-calc does, and the right-click menu offers them\n"
    "      --zoom PERCENT  start with the design at PERCENT of its size, from 50\n"
    "                      to 400 (150 is half as large again); without it the\n"
    "                      design fits the window, never below 100\n"
    "      --fullscreen    start full screen, the design fitted to the screen;\n"
    "                      leaving it gives the window at the --zoom size\n"
    "      --labels        start with the labels shown\n"
    "  -h, --help          print this help and exit\n"
    "      --version       print the version and exit\n"
    "\n"
    "Qt's own options, such as -platform NAME, are taken too. The window needs a\n"
    "display; dipview-calc --png or --svg draws a picture of it without one.\n"
    "\n"
    "Examples:\n"
    "  $ dipview --fault three --proximity 20 --transformers DY,YY,DY\n"
    "  $ dipview --preset two-dy-down --proximity 40\n"
    "  $ dipview --fault two-phase-ground --transformers DD,DY,YY\n"
    "  $ dipview --zoom 150\n"
    "  $ dipview --fullscreen\n";

// Ends the program with status 1 and one line on standard error; safe inside
// Qt's message handler, which must not return from a fatal message.
[[noreturn]] void Fail(const std::string& what) {
  const std::string message = "dipview: " + what + "\n";
  [[maybe_unused]] const auto written = ::write(2, message.data(), message.size());
  ::_exit(1);
}

// Ends the program with status 2 for a command line it cannot use.
[[noreturn]] void BadUsage(const std::string& what) {
  std::fprintf(stderr, "dipview: %s\nTry 'dipview --help' for more information.\n", what.c_str());
  std::exit(2);
}

// What Qt says while it looks for a display: kept back, so that a failure is
// told in one line of the program's own and a success prints what Qt said.
std::string g_startUpMessages;

void HoldStartUpMessage(QtMsgType type, const QMessageLogContext&, const QString& text) {
  const std::string line = text.toLocal8Bit().toStdString();
  if (type != QtFatalMsg) {
    g_startUpMessages += line + '\n';
    return;
  }
  // The first thing Qt said names the cause; the fatal line only says that no
  // platform could be started.
  std::string reason = g_startUpMessages.empty() ? line : g_startUpMessages;
  Fail("cannot open a display (" + reason.substr(0, reason.find('\n')) + ")");
}

// The length of the option of dipview's own at `argv[i]`: 1, or 2 with its
// value in the next argument; 0 for anything else. Reads settings into
// `settings` and the zoom and full screen into `options`.
int OwnOption(int argc, char** argv, int i, std::vector<std::string_view>& settings,
              dipview::window::ViewerOptions& options) {
  const std::string_view arg = argv[i];
  if (arg == "--fullscreen") {
    options.fullScreen = true;
    return 1;
  }
  if (arg == "--labels") {
    options.labels = true;
    return 1;
  }
  if (arg == "--all-faults") {
    options.allFaults = true;
    return 1;
  }
  if (arg == "--zoom" || arg.starts_with("--zoom=")) {
    std::string_view value;
    if (arg != "--zoom") {
      value = arg.substr(arg.find('=') + 1);
    } else if (i + 1 < argc) {
      value = argv[i + 1];
    } else {
      BadUsage("--zoom needs a percentage");
    }
    options.zoom = dipview::window::ParseZoomPercent(value);
    if (!options.zoom) {
      BadUsage("--zoom takes a percentage from 50 to 400, not '" + std::string(value) + "'");
    }
    return arg == "--zoom" ? 2 : 1;
  }
  if (!arg.starts_with("--")) {
    return 0;
  }
  const std::string_view name = arg.substr(2, arg.find('=') - 2);
  if (!dipview::calc::IsSettingOption(name) && name != "preset") {
    return 0;
  }
  settings.push_back(arg);
  if (arg.find('=') != std::string_view::npos || i + 1 == argc) {
    return 1;
  }
  settings.push_back(argv[i + 1]);
  return 2;
}

// Writes `text` to standard output and ends the program with status 0.
[[noreturn]] void PrintAndExit(const std::string& text) {
  if (std::fputs(text.c_str(), stdout) < 0 || std::fflush(stdout) != 0) {
    Fail(std::string("cannot write output: ") + std::strerror(errno));
  }
  std::exit(0);
}

// The settings given on the command line, read as dipview-calc reads them;
// --preset list prints the presets and ends the program.
dipview::FaultInputs ReadSettings(const std::vector<std::string_view>& args) {
  try {
    const dipview::calc::CalcOptions options = dipview::calc::ParseCommandLine(args);
    if (options.action == dipview::calc::Action::Presets) {
      PrintAndExit(dipview::calc::PresetList());
    }
    dipview::calc::RefuseWhatTheWindowCannotShow(options.settings, "the window",
                                                 dipview::design::FormMode::AllFaults);
    return options.settings;
  } catch (const dipview::calc::UsageError& e) {
    BadUsage(dipview::output::EscapeForTerminal(e.what()));
  }
}

}  // namespace

namespace dipview::launch {

int RunWindowProgram(int argc, char** argv) {
  bool platformGiven = std::getenv("QT_QPA_PLATFORM") != nullptr;
  dipview::window::ViewerOptions options;
  std::vector<std::string_view> settingArgs;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    platformGiven = platformGiven || arg == "-platform";
    if (const int used = OwnOption(argc, argv, i, settingArgs, options); used > 0) {
      i += used - 1;
      continue;
    }
    if (arg == "--help" || arg == "-h" || arg == "--version") {
      PrintAndExit(arg == "--version" ? dipview::VersionText("dipview") : std::string(kUsage));
    }
  }
  const std::optional<dipview::FaultInputs> settings =
      settingArgs.empty() ? std::nullopt : std::optional(ReadSettings(settingArgs));
  if (!platformGiven && std::getenv("DISPLAY") == nullptr &&
      std::getenv("WAYLAND_DISPLAY") == nullptr) {
    Fail("cannot open a display (neither DISPLAY nor WAYLAND_DISPLAY is set)");
  }
  // Named before Qt starts, so that the X11 window class (the launcher's
  // StartupWMClass) is DIPVIEW.
  QApplication::setApplicationName(QString::fromUtf8(dipview::kProductName));
  dipview::window::EnsureRuntimeFolder();
  qInstallMessageHandler(HoldStartUpMessage);
  QApplication app(argc, argv);
  qInstallMessageHandler(nullptr);
  std::fputs(g_startUpMessages.c_str(), stderr);
  // Qt has taken its own options out; whatever else is left is unknown.
  for (int i = 1; i < argc; ++i) {
    std::vector<std::string_view> ignored;
    dipview::window::ViewerOptions same;
    if (const int used = OwnOption(argc, argv, i, ignored, same); used > 0) {
      i += used - 1;
      continue;
    }
    const std::string quoted = dipview::output::QuoteForMessage(argv[i]);
    BadUsage(std::string_view(argv[i]).starts_with('-') ? "unknown option " + quoted
                                                        : "unexpected argument " + quoted);
  }
  QApplication::setApplicationVersion(QString::fromUtf8(dipview::kVersionText));
  // Lets a Wayland desktop find the launcher, and with it the icon.
  QGuiApplication::setDesktopFileName(QString::fromUtf8(dipview::kAppId));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/dipview.svg")));
  dipview::window::SetUpApplication();
  dipview::window::Viewer viewer;
  viewer.form().FormLoad();
  if (options.allFaults) {
    viewer.form().SetMode(dipview::design::FormMode::AllFaults);
  }
  if (settings) {
    viewer.form().ApplySettings(*settings);
  }
  dipview::window::ShowAtStartUp(viewer, options);
  return QApplication::exec();
}

}  // namespace dipview::launch

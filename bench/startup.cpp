// Start-up time and resident memory of the window, measured on the program's
// own start-up sequence (not a timed test; see README.md).
//
//   dipview_startup [RUNS]          starts the window RUNS times (default 20),
//                                   each in a new process, and reports the
//                                   time from the process's start to the end
//                                   of the window's first paint
//   dipview_startup --memory [N]    VmRSS and VmHWM after start-up and after
//                                   N passes (default 10000), each repainted

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <QApplication>
#include <QEventLoop>
#include <QIcon>
#include <QTimer>

#include "dipview/version.h"
#include "window/form1.h"
#include "window/startup.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

long long NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
      .count();
}

long StatusKb(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const std::string key = std::string(field) + ":";
  while (std::getline(status, line)) {
    if (line.starts_with(key)) {
      return std::strtol(line.c_str() + key.size(), nullptr, 10);
    }
  }
  return -1;
}

class TimedForm : public dipview::window::Form1 {
 public:
  long long firstPaintNs = 0;
  QEventLoop loop;

 protected:
  void paintEvent(QPaintEvent* event) override {
    Form1::paintEvent(event);
    if (firstPaintNs == 0) {
      firstPaintNs = NowNs();
      QTimer::singleShot(0, &loop, &QEventLoop::quit);
    }
  }
};

// As window/main.cpp does it, so that the start-up measured is the program's.
void SetUpApplication() {
  QApplication::setApplicationName(QString::fromUtf8(dipview::kProductName));
  QApplication::setApplicationVersion(QString::fromUtf8(dipview::kVersionText));
  QGuiApplication::setDesktopFileName(QString::fromUtf8(dipview::kAppId));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/dipview.svg")));
  dipview::window::SetUpApplication();
}

void StartWindow(TimedForm& form) {
  form.FormLoad();
  dipview::window::ShowAtStartUp(form);
  // A loop of its own: quitting the application's loop would close the window.
  form.loop.exec();
}

int Child(int argc, char** argv) {
  QApplication app(argc, argv);
  SetUpApplication();
  TimedForm form;
  StartWindow(form);
  std::printf("%lld\n", form.firstPaintNs);
  return 0;
}

int Memory(int argc, char** argv, int passes) {
  QApplication app(argc, argv);
  SetUpApplication();
  TimedForm form;
  StartWindow(form);
  std::printf("after start-up:      VmRSS %6ld kB  VmHWM %6ld kB\n", StatusKb("VmRSS"),
              StatusKb("VmHWM"));
  // Every setting moves, so that each pass draws and writes something new;
  // each pass is painted, as the window paints it after a click.
  dipview::FaultInputs in;
  for (int i = 1; i <= passes; ++i) {
    in.faultType = static_cast<dipview::FaultType>(i % 3);
    in.proximity = static_cast<std::int16_t>(i % 101);
    in.z12AngleDeg = i % 91;
    in.z0AngleDeg = (i * 7) % 91;
    in.zfAngleDeg = (i * 13) % 91;
    in.zfRatio = 0.5 * (i % 7);
    in.z0Ratio = 0.5f * static_cast<float>(1 + i % 6);
    in.hvMvConnection = static_cast<dipview::TransformerConnection>(i & 1);
    in.mvC1Connection = static_cast<dipview::TransformerConnection>((i >> 1) & 1);
    in.c1C2Connection = static_cast<dipview::TransformerConnection>((i >> 2) & 1);
    form.ApplySettings(in);
    form.repaint();
    QApplication::processEvents();
    if (i == passes || i == 10 || i == 100 || i == 1000 || i == 10000 || i == 100000) {
      std::printf("after %6d passes: VmRSS %6ld kB  VmHWM %6ld kB\n", i, StatusKb("VmRSS"),
                  StatusKb("VmHWM"));
    }
  }
  return 0;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0;
}

int Parent(const char* self, int runs) {
  std::vector<double> ms;
  for (int i = 0; i < runs; ++i) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
      std::perror("pipe");
      return 1;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    char childFlag[] = "--child";
    char* childArgv[] = {const_cast<char*>(self), childFlag, nullptr};
    pid_t pid = 0;
    const long long start = NowNs();
    const int spawned = posix_spawn(&pid, self, &actions, nullptr, childArgv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (spawned != 0) {
      std::fprintf(stderr, "cannot start %s: %s\n", self, std::strerror(spawned));
      return 1;
    }
    std::string out;
    char buffer[256];
    for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;) {
      out.append(buffer, static_cast<std::size_t>(n));
    }
    close(pipeFds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    const long long painted = std::strtoll(out.c_str(), nullptr, 10);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || painted <= start) {
      std::fprintf(stderr, "run %d: the window did not report its first paint\n", i + 1);
      return 1;
    }
    ms.push_back(static_cast<double>(painted - start) / 1e6);
    std::printf("run %2d: %7.1f ms\n", i + 1, ms.back());
  }
  std::printf("start-up to first paint, %d runs: median %.1f ms, min %.1f ms, max %.1f ms\n", runs,
              Median(ms), *std::min_element(ms.begin(), ms.end()),
              *std::max_element(ms.begin(), ms.end()));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--child") == 0) {
    return Child(argc, argv);
  }
  if (argc > 1 && std::strcmp(argv[1], "--memory") == 0) {
    return Memory(argc, argv, argc > 2 ? std::atoi(argv[2]) : 10000);
  }
  return Parent("/proc/self/exe", argc > 1 ? std::atoi(argv[1]) : 20);
}

#include "output/output_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "calc/app.h"

namespace dipview::output {
namespace {

class OutputFileTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string name = testing::TempDir() + "dipview-output-XXXXXX";
    ASSERT_NE(::mkdtemp(name.data()), nullptr);
    folder_ = name;
  }
  void TearDown() override {
    for (const std::string& entry : Entries()) {
      ::unlink((folder_ + "/" + entry).c_str());
    }
    ::rmdir(folder_.c_str());
  }

  std::string Path(const std::string& name) const { return folder_ + "/" + name; }

  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder_.c_str())) {
      while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") {
          names.push_back(name);
        }
      }
      ::closedir(dir);
    }
    return names;
  }

  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

  static void Write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
  }

  std::string folder_;
  StringSink out_;
};

// Each failure of the last steps keeps the old file whole, leaves nothing
// beside it and ends the program with status 1 and the system's reason.
TEST_F(OutputFileTest, AFailingStepKeepsTheOldFileAndLeavesNothing) {
  const struct Row {
    const char* what;
    FileCalls calls;
    const char* reason;
  } rows[] = {
      {"write",
       {.write = [](int, const void*, std::size_t) -> ssize_t {
         errno = ENOSPC;
         return -1;
       }},
       "No space left on device"},
      {"short writes, then a full disk",
       {.write = [](int fd, const void* data, std::size_t size) -> ssize_t {
         if (size > 1) {
           return ::write(fd, data, 1);
         }
         errno = ENOSPC;
         return -1;
       }},
       "No space left on device"},
      {"fsync",
       {.fsync =
            [](int) {
              errno = EIO;
              return -1;
            }},
       "Input/output error"},
      {"close",
       {.close =
            [](int fd) {
              ::close(fd);
              errno = EDQUOT;
              return -1;
            }},
       "Disk quota exceeded"},
      {"rename",
       {.rename =
            [](const char*, const char*) {
              errno = EXDEV;
              return -1;
            }},
       "Invalid cross-device link"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const std::string message = "cannot write '" + Path("pic.png") + "': " + row.reason;
    Write(Path("pic.png"), "old");
    try {
      WriteOutputFile(Path("pic.png"), "new", out_, row.calls);
      ADD_FAILURE() << "no failure reported";
    } catch (const IoError& e) {
      EXPECT_EQ(std::string(e.what()), message);
    }
    EXPECT_EQ(Read(Path("pic.png")), "old");
    EXPECT_EQ(Entries(), std::vector<std::string>{"pic.png"});

    const std::string path = Path("pic.png");
    const std::string_view args[] = {"--png", path};
    StringSource in("");
    StringSink out;
    StringSink err;
    const calc::CalcServices services{
        .drawPicture = [](const FaultInputs&, int, bool, std::string& png) { png = "new"; },
        .fileCalls = row.calls};
    EXPECT_EQ(calc::RunCalculator(args, in, out, err, services), 1);
    EXPECT_EQ(err.text, "dipview-calc: " + message + "\n");
    EXPECT_EQ(Read(Path("pic.png")), "old");
    EXPECT_EQ(Entries(), std::vector<std::string>{"pic.png"});
  }
}

// Writes that take part of the bytes, or are interrupted by a signal before
// taking any, are carried on to the end.
TEST_F(OutputFileTest, ShortAndInterruptedWritesAreCarriedOn) {
  const struct Row {
    const char* what;
    FileCalls calls;
  } rows[] = {
      {"one byte at a time",
       {.write = [](int fd, const void* data, std::size_t) { return ::write(fd, data, 1); }}},
      {"every other call interrupted",
       {.write = [](int fd, const void* data, std::size_t size) -> ssize_t {
         static bool interrupt = false;
         interrupt = !interrupt;
         if (interrupt) {
           errno = EINTR;
           return -1;
         }
         return ::write(fd, data, size > 2 ? 2 : size);
       }}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Write(Path("pic.svg"), "old");
    WriteOutputFile(Path("pic.svg"), "<svg/>", out_, row.calls);
    EXPECT_EQ(Read(Path("pic.svg")), "<svg/>");
    EXPECT_EQ(Entries(), std::vector<std::string>{"pic.svg"});
  }
}

// A name near the 255-byte limit still leaves room for the temporary file.
TEST_F(OutputFileTest, NamesUpToTheLimitCanBeWritten) {
  const std::string name = std::string(251, 'p') + ".png";
  WriteOutputFile(Path(name), "new", out_);
  EXPECT_EQ(Read(Path(name)), "new");
  EXPECT_EQ(Entries(), std::vector<std::string>{name});
}

// Output redirected to a file (`>> log`, then /dev/stdout) goes into it at its
// own position; replacing it would lose what is there.
TEST_F(OutputFileTest, AFileOpenForWritingIsWrittenIntoNotReplaced) {
  Write(Path("log.txt"), "before\n");
  struct stat before {};
  ASSERT_EQ(::stat(Path("log.txt").c_str(), &before), 0);
  const int fd = ::open(Path("log.txt").c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  WriteOutputFile(Path("log.txt"), "picture\n", out_);
  ::close(fd);
  EXPECT_EQ(Read(Path("log.txt")), "before\npicture\n");
  struct stat after {};
  ASSERT_EQ(::stat(Path("log.txt").c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
}

// Stopped by a signal halfway through, the program leaves no temporary file.
TEST_F(OutputFileTest, AStopSignalRemovesTheTemporaryFile) {
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(signal);
    Write(Path("pic.png"), "old");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      static int g_signal;
      g_signal = signal;
      const FileCalls stopped{.write = [](int, const void*, std::size_t) -> ssize_t {
        ::raise(g_signal);
        return -1;
      }};
      std::signal(signal, SIG_DFL);
      StringSink out;
      try {
        WriteOutputFile(Path("pic.png"), "new", out, stopped);
      } catch (...) {
      }
      ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
    EXPECT_EQ(Read(Path("pic.png")), "old");
    EXPECT_EQ(Entries(), std::vector<std::string>{"pic.png"});
  }
}

}  // namespace
}  // namespace dipview::output

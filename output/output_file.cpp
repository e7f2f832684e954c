#include "output/output_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <pthread.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

#include "output/quote.h"

namespace dipview::output {

namespace {

// Longer names are shown cut, with their length.
constexpr std::size_t kPathShownMax = 4096;

[[noreturn]] void Fail(const std::string& path, std::string_view reason) {
  std::string message = "cannot write " + QuoteForMessage(path, kPathShownMax) + ": ";
  message += reason;
  throw IoError(message);
}

[[noreturn]] void FailErrno(const std::string& path, int error) {
  Fail(path, std::strerror(error));
}

// Writes all of `bytes` to `fd`; returns 0 or the errno of the failure.
int WriteAll(const FileCalls& calls, int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = calls.write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) {
        continue;
      }
      return errno;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return 0;
}

// While it lives, a reader that goes away makes write() fail with EPIPE
// instead of ending the process without a word.
class PipeErrorsReported {
 public:
  PipeErrorsReported() {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    ::sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGPIPE, &ignore, &old_);
  }
  ~PipeErrorsReported() { ::sigaction(SIGPIPE, &old_, nullptr); }
  PipeErrorsReported(const PipeErrorsReported&) = delete;
  PipeErrorsReported& operator=(const PipeErrorsReported&) = delete;

 private:
  struct sigaction old_ {};
};

[[noreturn]] void FailWrite(const std::string& path, int error) {
  if (error == EPIPE) {
    Fail(path, "its reader went away (Broken pipe)");
  }
  FailErrno(path, error);
}

bool IsStream(mode_t mode) {
  return S_ISFIFO(mode) || S_ISCHR(mode);
}

// A FIFO or a character device takes the bytes as they come; it is opened
// without creating or truncating anything, and checked again once open, in
// case the name was swapped for something else in between.
void WriteIntoStream(const FileCalls& calls, const std::string& path, std::string_view bytes,
                     bool followLink) {
  const int flags = O_WRONLY | O_NOCTTY | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW);
  const int fd = ::open(path.c_str(), flags);
  if (fd < 0) {
    FailErrno(path, errno);
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !IsStream(st.st_mode)) {
    ::close(fd);
    Fail(path, "it changed while it was being opened");
  }
  int error = 0;
  {
    const PipeErrorsReported reported;
    error = WriteAll(calls, fd, bytes);
  }
  if (calls.close(fd) != 0 && error == 0) {
    error = errno;
  }
  if (error != 0) {
    FailWrite(path, error);
  }
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    return ".";
  }
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The reason a new file cannot be made in `folder`: the folder's own fault
// named as such, so that a "Permission denied" is not taken for the file's.
std::string FolderReason(const std::string& folder, int error) {
  const std::string quoted = QuoteForMessage(folder, kPathShownMax);
  switch (error) {
    case EACCES:
    case EPERM:
      return "the folder " + quoted + " does not allow new files in it (" + std::strerror(error) +
             ")";
    case ENOENT:
      return "the folder " + quoted + " does not exist (" + std::strerror(error) + ")";
    case ENOTDIR:
      return QuoteForMessage(folder, kPathShownMax) + " is not a folder (" + std::strerror(error) +
             ")";
    default:
      return std::strerror(error);
  }
}

// An open descriptor of this process on the same file as `target`, if any:
// redirected output (`>> log`, /dev/stdout) must be written into, at the
// descriptor's own position, never replaced under the shell's feet.
struct OpenDescriptor {
  int fd = -1;
  bool writable = false;
};

std::optional<OpenDescriptor> FindOpenDescriptor(const struct stat& target) {
  const auto matches = [&](int fd) -> std::optional<OpenDescriptor> {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_dev != target.st_dev || st.st_ino != target.st_ino) {
      return std::nullopt;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    const int access = flags & O_ACCMODE;
    return OpenDescriptor{.fd = fd,
                          .writable = flags != -1 && (access == O_WRONLY || access == O_RDWR)};
  };
  std::optional<OpenDescriptor> found;
  const auto consider = [&](int fd) {
    if (const auto d = matches(fd); d && (!found || (d->writable && !found->writable))) {
      found = d;
    }
  };
  if (DIR* listing = ::opendir("/proc/self/fd")) {
    const int own = ::dirfd(listing);
    while (const dirent* entry = ::readdir(listing)) {
      char* end = nullptr;
      const long fd = std::strtol(entry->d_name, &end, 10);
      if (end != entry->d_name && *end == '\0' && fd != own && fd >= 0 && fd <= INT_MAX) {
        consider(static_cast<int>(fd));
      }
    }
    ::closedir(listing);
  } else {
    // Without /proc the usual descriptors are the ones a caller redirects.
    for (int fd = 0; fd < 256; ++fd) {
      consider(fd);
    }
  }
  return found;
}

// The temporary file of a replacement in progress, removed if the program is
// stopped by a signal before the file takes its place.
char g_pendingTemporary[PATH_MAX + 1];
std::atomic<bool> g_pending{false};

extern "C" void RemovePendingAndStop(int signal) {
  if (g_pending.load()) {
    ::unlink(g_pendingTemporary);
  }
  struct sigaction standard {};
  standard.sa_handler = SIG_DFL;
  ::sigemptyset(&standard.sa_mask);
  ::sigaction(signal, &standard, nullptr);
  ::raise(signal);
}

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Removes the temporary file on SIGINT, SIGTERM and SIGHUP while it lives;
// a signal the caller ignores stays ignored.
class TemporaryGuard {
 public:
  TemporaryGuard() {
    ::sigemptyset(&stops_);
    for (int s : kStopSignals) {
      ::sigaddset(&stops_, s);
    }
  }
  ~TemporaryGuard() { Release(); }
  TemporaryGuard(const TemporaryGuard&) = delete;
  TemporaryGuard& operator=(const TemporaryGuard&) = delete;

  /// Creates `name` exclusively, guarded from the moment it exists.
  int Create(const std::string& name) {
    sigset_t old;
    ::pthread_sigmask(SIG_BLOCK, &stops_, &old);
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    const int error = errno;
    if (fd >= 0 && name.size() <= PATH_MAX) {
      name.copy(g_pendingTemporary, name.size());
      g_pendingTemporary[name.size()] = '\0';
      g_pending.store(true);
      Install();
    }
    ::pthread_sigmask(SIG_SETMASK, &old, nullptr);
    errno = error;
    return fd;
  }

  /// Renames the file over `target`; returns 0 or the errno of the failure.
  int RenameTo(const FileCalls& calls, const std::string& temporary, const std::string& target) {
    sigset_t old;
    ::pthread_sigmask(SIG_BLOCK, &stops_, &old);
    const int error = calls.rename(temporary.c_str(), target.c_str()) == 0 ? 0 : errno;
    if (error == 0) {
      g_pending.store(false);
    }
    ::pthread_sigmask(SIG_SETMASK, &old, nullptr);
    return error;
  }

  /// Removes the file if it has not taken its place, and stops guarding.
  void Release() {
    sigset_t old;
    ::pthread_sigmask(SIG_BLOCK, &stops_, &old);
    if (g_pending.load()) {
      ::unlink(g_pendingTemporary);
      g_pending.store(false);
    }
    if (installed_) {
      for (std::size_t i = 0; i < std::size(kStopSignals); ++i) {
        ::sigaction(kStopSignals[i], &old_[i], nullptr);
      }
      installed_ = false;
    }
    ::pthread_sigmask(SIG_SETMASK, &old, nullptr);
  }

 private:
  void Install() {
    for (std::size_t i = 0; i < std::size(kStopSignals); ++i) {
      struct sigaction current {};
      ::sigaction(kStopSignals[i], nullptr, &current);
      old_[i] = current;
      if (current.sa_handler == SIG_IGN) {
        continue;
      }
      struct sigaction remove {};
      remove.sa_handler = RemovePendingAndStop;
      remove.sa_mask = stops_;
      ::sigaction(kStopSignals[i], &remove, nullptr);
    }
    installed_ = true;
  }

  sigset_t stops_{};
  struct sigaction old_[std::size(kStopSignals)]{};
  bool installed_ = false;
};

// A short name, so that a target whose own name is near the 255-byte limit
// still has room beside it.
std::string TemporaryName(const std::string& folder, unsigned attempt) {
  static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::uint64_t seed =
      static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
      (static_cast<std::uint64_t>(::getpid()) << 32) ^ (attempt * 0x9E3779B97F4A7C15ULL);
  std::string name = folder + "/.dipview-";
  for (int i = 0; i < 6; ++i) {
    name += kDigits[seed % 36];
    seed /= 36;
  }
  return name + ".tmp";
}

// Writes `bytes` to a new file beside `target` and renames it over `target`.
// `old` describes the file being replaced, if there is one.
void ReplaceAtomically(const FileCalls& calls, const std::string& path, const std::string& target,
                       std::string_view bytes, const struct stat* old) {
  const std::string folder = FolderOf(target);
  // Mode 0666 less the umask, as for any new file; a replaced file keeps its own.
  TemporaryGuard guard;
  std::string temporary;
  int fd = -1;
  for (unsigned attempt = 0; fd < 0; ++attempt) {
    temporary = TemporaryName(folder, attempt);
    fd = guard.Create(temporary);
    if (fd < 0 && (errno != EEXIST || attempt == 100)) {
      Fail(path, FolderReason(folder, errno));
    }
  }
  int error = WriteAll(calls, fd, bytes);
  if (error == 0 && old != nullptr) {
    struct stat made {};
    if (::fstat(fd, &made) != 0) {
      error = errno;
    } else if ((made.st_uid != old->st_uid || made.st_gid != old->st_gid) &&
               ::fchown(fd, old->st_uid, old->st_gid) != 0) {
      const int refused = errno;
      ::close(fd);
      guard.Release();
      Fail(path, std::string("replacing it would change its owner or group (") +
                     std::strerror(refused) + ")");
    }
    // After the owner, which may clear the set-user-id bits.
    if (error == 0 && ::fchmod(fd, old->st_mode & 07777) != 0) {
      error = errno;
    }
  }
  // The data must be on the disk before the name points at it, or a crash
  // could leave an empty file where the old one was.
  if (error == 0 && calls.fsync(fd) != 0) {
    error = errno;
  }
  if (calls.close(fd) != 0 && error == 0) {
    error = errno;
  }
  if (error == 0) {
    error = guard.RenameTo(calls, temporary, target);
  }
  if (error != 0) {
    guard.Release();
    FailErrno(path, error);
  }
}

// A file that is not writable is not replaced, as a shell's > would not write
// it; root may write anything, and so may it here.
void RefuseIfProtected(const std::string& path, const std::string& target) {
  if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0 && errno == EACCES) {
    Fail(path, "it is write-protected (Permission denied)");
  }
}

// A regular file: written into when this process has it open already,
// otherwise replaced whole.
void WriteRegular(const FileCalls& calls, const std::string& path, const std::string& target,
                  std::string_view bytes, const struct stat& st, ByteSink& standardOutput) {
  if (const auto open = FindOpenDescriptor(st)) {
    if (!open->writable) {
      Fail(path, "it is open for reading as descriptor " + std::to_string(open->fd) +
                     (open->fd == 0 ? " (standard input)" : "") + "; it would be lost");
    }
    if (open->fd == 1) {
      standardOutput.Write(bytes.data(), bytes.size());
      return;
    }
    if (const int error = WriteAll(calls, open->fd, bytes); error != 0) {
      FailWrite(path, error);
    }
    return;
  }
  RefuseIfProtected(path, target);
  ReplaceAtomically(calls, path, target, bytes, &st);
}

}  // namespace

void WriteOutputFile(const std::string& path, std::string_view bytes, ByteSink& standardOutput,
                     const FileCalls& calls) {
  if (path == "-") {
    standardOutput.Write(bytes.data(), bytes.size());
    return;
  }
  if (path.empty()) {
    Fail(path, "an empty file name");
  }
  struct stat st {};
  if (path.back() == '/') {
    if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
      Fail(path, std::strerror(EISDIR));
    }
    Fail(path, "a name ending in / names a folder; allowed: a file name");
  }
  if (::lstat(path.c_str(), &st) != 0) {
    if (errno != ENOENT) {
      FailErrno(path, errno);
    }
    ReplaceAtomically(calls, path, path, bytes, nullptr);
    return;
  }
  if (S_ISREG(st.st_mode)) {
    WriteRegular(calls, path, path, bytes, st, standardOutput);
    return;
  }
  if (IsStream(st.st_mode)) {
    WriteIntoStream(calls, path, bytes, /*followLink=*/false);
    return;
  }
  if (S_ISLNK(st.st_mode)) {
    struct stat target {};
    if (::stat(path.c_str(), &target) != 0) {
      if (errno == ENOENT) {
        Fail(path, "it is a symbolic link to a file that does not exist");
      }
      FailErrno(path, errno);
    }
    if (IsStream(target.st_mode)) {
      WriteIntoStream(calls, path, bytes, /*followLink=*/true);
      return;
    }
    if (S_ISREG(target.st_mode)) {
      const std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr),
                                                             &std::free);
      if (!real) {
        FailErrno(path, errno);
      }
      WriteRegular(calls, path, real.get(), bytes, target, standardOutput);
      return;
    }
    st = target;
  }
  if (S_ISDIR(st.st_mode)) {
    Fail(path, std::strerror(EISDIR));
  }
  Fail(path,
       "it is neither a regular file nor a FIFO nor a character device; "
       "allowed: a file name, a FIFO, a character device or - for standard output");
}

}  // namespace dipview::output

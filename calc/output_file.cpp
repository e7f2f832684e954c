#include "calc/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "calc/settings.h"

namespace dipview::calc {

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
int WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
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

bool IsStream(mode_t mode) {
  return S_ISFIFO(mode) || S_ISCHR(mode);
}

// A FIFO or a character device takes the bytes as they come; it is opened
// without creating or truncating anything, and checked again once open, in
// case the name was swapped for something else in between.
void WriteIntoStream(const std::string& path, std::string_view bytes, bool followLink) {
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
  const int error = WriteAll(fd, bytes);
  if (::close(fd) != 0 && error == 0) {
    FailErrno(path, errno);
  }
  if (error != 0) {
    FailErrno(path, error);
  }
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    return ".";
  }
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Writes `bytes` to a new file beside `target` and renames it over `target`.
// `old` describes the file being replaced, if there is one.
void ReplaceAtomically(const std::string& path, const std::string& target, std::string_view bytes,
                       const struct stat* old) {
  const std::size_t slash = target.rfind('/');
  const std::string folder = FolderOf(target);
  const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  // Mode 0666 less the umask, as for any new file; a replaced file keeps its own.
  std::string temporary;
  int fd = -1;
  for (int attempt = 0; fd < 0; ++attempt) {
    temporary =
        folder + "/." + base + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0 && (errno != EEXIST || attempt == 100)) {
      FailErrno(path, errno);
    }
  }
  int error = WriteAll(fd, bytes);
  if (error == 0 && old != nullptr) {
    if (::fchmod(fd, old->st_mode & 07777) != 0) {
      error = errno;
    } else if (::fchown(fd, old->st_uid, old->st_gid) != 0) {
      // Only the owner's group or root may give a file away; the new file
      // then belongs to whoever writes it, as any rewritten file would.
    }
  }
  // The data must be on the disk before the name points at it, or a crash
  // could leave an empty file where the old one was.
  if (error == 0 && ::fsync(fd) != 0) {
    error = errno;
  }
  if (::close(fd) != 0 && error == 0) {
    error = errno;
  }
  if (error == 0 && ::rename(temporary.c_str(), target.c_str()) != 0) {
    error = errno;
  }
  if (error != 0) {
    ::unlink(temporary.c_str());
    FailErrno(path, error);
  }
}

}  // namespace

void WriteOutputFile(const std::string& path, std::string_view bytes, ByteSink& standardOutput) {
  if (path == "-") {
    standardOutput.Write(bytes.data(), bytes.size());
    return;
  }
  if (path.empty()) {
    Fail(path, "an empty file name");
  }
  if (path.back() == '/') {
    Fail(path, std::strerror(EISDIR));
  }
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) {
    if (errno != ENOENT) {
      FailErrno(path, errno);
    }
    ReplaceAtomically(path, path, bytes, nullptr);
    return;
  }
  if (S_ISREG(st.st_mode)) {
    ReplaceAtomically(path, path, bytes, &st);
    return;
  }
  if (IsStream(st.st_mode)) {
    WriteIntoStream(path, bytes, /*followLink=*/false);
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
      WriteIntoStream(path, bytes, /*followLink=*/true);
      return;
    }
    if (S_ISREG(target.st_mode)) {
      const std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr),
                                                             &std::free);
      if (!real) {
        FailErrno(path, errno);
      }
      ReplaceAtomically(path, real.get(), bytes, &target);
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

}  // namespace dipview::calc

#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

#include "output/io.h"

namespace dipview::output {

/// The system calls that put the bytes on the disk and the file in its place,
/// each checked; tests replace them to make them fail.
struct FileCalls {
#ifdef _WIN32
  ssize_t (*write)(int fd, const void* data, std::size_t size) = [](int fd, const void* data,
                                                                    std::size_t size) -> ssize_t {
    return ::write(fd, data, static_cast<unsigned>(size));
  };
  int (*fsync)(int fd) = ::_commit;
#else
  ssize_t (*write)(int fd, const void* data, std::size_t size) = ::write;
  int (*fsync)(int fd) = ::fsync;
#endif
  int (*close)(int fd) = ::close;
  int (*rename)(const char* from, const char* to) = ::rename;
};

/// Writes a finished picture or plot, `bytes`, to `path` without ever leaving a
/// half-written file or replacing something that is not a file:
/// - "-" goes to `standardOutput`;
/// - a FIFO or a character device, or a symbolic link to one, is written
///   straight into and never replaced;
/// - a new name, a regular file or a symbolic link to one is written to a
///   temporary file in the same folder, which then replaces the file in one
///   step (the link stays a link); the old file is whole until then and stays
///   untouched on any failure, and a replaced file keeps its permissions;
/// - anything else (a folder, a block device, a socket, a dangling link) is
///   refused.
/// A regular file this process already has open for writing (standard output
/// redirected to it, /dev/stdout) is written into at its own position, never
/// replaced; one that is not writable is refused, as a shell's > would, and
/// one whose owner and group cannot be kept is refused too. The temporary
/// file is removed on failure and on SIGINT, SIGTERM and SIGHUP.
/// The name's bytes are used exactly as given. Throws IoError with
/// "cannot write 'PATH': REASON", REASON being the system's own where it has one.
/// The Windows build writes "-" only and refuses every file.
void WriteOutputFile(const std::string& path, std::string_view bytes, ByteSink& standardOutput,
                     const FileCalls& calls = {});

}  // namespace dipview::output

#include "output/io.h"

#include <fcntl.h>
#include <unistd.h>
#ifdef _WIN32
#include <io.h>
#else
#include <poll.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "output/quote.h"

namespace dipview::output {

namespace {
#ifdef _WIN32
constexpr int kReadFlags = O_RDONLY | O_BINARY;
#else
constexpr int kReadFlags = O_RDONLY | O_CLOEXEC | O_NOCTTY;
#endif
}  // namespace

std::size_t FdSource::Read(char* buffer, std::size_t capacity) {
  for (;;) {
    const ssize_t n = ::read(fd_, buffer, capacity);
    if (n >= 0) {
      return static_cast<std::size_t>(n);
    }
    if (errno != EINTR) {
      throw IoError("cannot read " + name_ + ": " + std::strerror(errno));
    }
  }
}

bool FdSource::Ready() {
#ifdef _WIN32
  // No poll for pipes: taken as waiting, so output is passed on before each read.
  return false;
#else
  pollfd fd{.fd = fd_, .events = POLLIN, .revents = 0};
  // Readable, at its end or failed: a read returns at once in each case.
  return ::poll(&fd, 1, 0) == 1;
#endif
}

void FdSink::Write(const char* data, std::size_t size) {
  if (closed_ && size > 0) {
    throw IoError(fd_ == 1
                      ? "cannot write output: standard output is closed"
                      : "cannot write output: descriptor " + std::to_string(fd_) + " is closed");
  }
  while (size > 0) {
    const ssize_t n = ::write(fd_, data, size);
    if (n < 0) {
      if (errno == EINTR) {
        continue;
      }
      throw IoError(std::string("cannot write output: ") + std::strerror(errno));
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
}

ClosedStandardStreams HoldStandardStreams() {
  ClosedStandardStreams closed;
#ifdef _WIN32
  // Bytes as they are: the C runtime's text mode would turn "\n" into "\r\n".
  for (int fd = 0; fd < 3; ++fd) {
    ::_setmode(fd, _O_BINARY);
  }
#else
  bool* flags[] = {&closed.input, &closed.output, &closed.error};
  for (int fd = 0; fd < 3; ++fd) {
    if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
      *flags[fd] = true;
      // The lowest free number is this one, the ones below being open.
      ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    }
  }
#endif
  return closed;
}

InputFile::InputFile(const std::string& path)
    : fd_(::open(path.c_str(), kReadFlags)), source_(fd_, QuoteForMessage(path, 4096)) {
  if (fd_ < 0) {
    throw IoError("cannot read " + QuoteForMessage(path, 4096) + ": " + std::strerror(errno));
  }
}

InputFile::~InputFile() {
  if (fd_ >= 0) {
    ::close(fd_);
  }
}

std::size_t StringSource::Read(char* buffer, std::size_t capacity) {
  const std::size_t n = std::min({capacity, chunk_, text_.size()});
  text_.copy(buffer, n);
  text_.remove_prefix(n);
  return n;
}

OutputBuffer::OutputBuffer(ByteSink& sink, std::size_t capacity) : sink_(sink), buffer_(capacity) {}

void OutputBuffer::Flush() {
  if (used_ > 0) {
    // Forget the bytes before passing them on, so that a failing sink does not
    // get them again from a later flush.
    const std::size_t size = used_;
    used_ = 0;
    sink_.Write(buffer_.data(), size);
  }
}

void OutputBuffer::AppendInPieces(std::string_view text) {
  while (buffer_.size() - used_ < text.size()) {
    const std::size_t room = buffer_.size() - used_;
    text.copy(buffer_.data() + used_, room);
    used_ = buffer_.size();
    text.remove_prefix(room);
    Flush();
  }
  text.copy(buffer_.data() + used_, text.size());
  used_ += text.size();
}

void OutputBuffer::MakeRoom(std::size_t size) {
  Flush();
  if (buffer_.size() < size) {
    buffer_.resize(size);
  }
}

}  // namespace dipview::output

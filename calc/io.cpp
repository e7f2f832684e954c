#include "calc/io.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace dipview::calc {

std::size_t FdSource::Read(char* buffer, std::size_t capacity) {
  for (;;) {
    const ssize_t n = ::read(fd_, buffer, capacity);
    if (n >= 0) {
      return static_cast<std::size_t>(n);
    }
    if (errno != EINTR) {
      throw IoError(std::string("cannot read standard input: ") + std::strerror(errno));
    }
  }
}

bool FdSource::Ready() {
  pollfd fd{.fd = fd_, .events = POLLIN, .revents = 0};
  // Readable, at its end or failed: a read returns at once in each case.
  return ::poll(&fd, 1, 0) == 1;
}

void FdSink::Write(const char* data, std::size_t size) {
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

}  // namespace dipview::calc

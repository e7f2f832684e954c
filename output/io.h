#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace dipview::output {

/// Reading or writing a stream failed; the program exits with status 1.
class IoError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// Where input bytes come from.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  /// Reads up to `capacity` bytes into `buffer` and returns how many; 0 at the
  /// end. May return fewer than are available, but blocks only when nothing is.
  virtual std::size_t Read(char* buffer, std::size_t capacity) = 0;
  /// True when Read would return at once, without waiting for more input.
  virtual bool Ready() { return false; }
};

/// Where output bytes go.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  virtual void Write(const char* data, std::size_t size) = 0;
};

/// A POSIX file descriptor, such as standard input (0); `name` is what a
/// failure's message calls it.
class FdSource : public ByteSource {
 public:
  explicit FdSource(int fd, std::string name = "standard input")
      : fd_(fd), name_(std::move(name)) {}
  std::size_t Read(char* buffer, std::size_t capacity) override;
  bool Ready() override;

 private:
  int fd_;
  std::string name_;
};

/// A POSIX file descriptor, such as standard output (1). A sink made with
/// `closed` stands for a descriptor the program was started without: every
/// write fails, saying so.
class FdSink : public ByteSink {
 public:
  explicit FdSink(int fd, bool closed = false) : fd_(fd), closed_(closed) {}
  void Write(const char* data, std::size_t size) override;

 private:
  int fd_;
  bool closed_;
};

/// Which of the standard descriptors the program was started without.
struct ClosedStandardStreams {
  bool input = false;
  bool output = false;
  bool error = false;
};

/// Opens /dev/null on each of descriptors 0, 1 and 2 that is closed, so that
/// no file opened later takes its number and gets the output meant for it.
ClosedStandardStreams HoldStandardStreams();

/// A file opened for reading, closed when it goes. Throws IoError
/// "cannot read 'PATH': REASON".
class InputFile {
 public:
  explicit InputFile(const std::string& path);
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;
  FdSource& source() { return source_; }

 private:
  int fd_;
  FdSource source_;
};

/// Bytes held in memory, handed out in pieces of at most `chunk` bytes.
class StringSource : public ByteSource {
 public:
  explicit StringSource(std::string_view text, std::size_t chunk = 1 << 16)
      : text_(text), chunk_(chunk) {}
  std::size_t Read(char* buffer, std::size_t capacity) override;
  bool Ready() override { return true; }

 private:
  std::string_view text_;
  std::size_t chunk_;
};

/// Collects everything written into a string.
class StringSink : public ByteSink {
 public:
  void Write(const char* data, std::size_t size) override { text.append(data, size); }
  std::string text;
};

/// A large output buffer in front of a sink: writers format straight into it
/// and it passes the bytes on in big blocks.
class OutputBuffer {
 public:
  explicit OutputBuffer(ByteSink& sink, std::size_t capacity = 1 << 16);
  OutputBuffer(const OutputBuffer&) = delete;
  OutputBuffer& operator=(const OutputBuffer&) = delete;

  /// Room for at least `size` more bytes, passing on what is buffered when
  /// needed; write into it, then call Commit with the end of what was written.
  char* Reserve(std::size_t size) {
    if (buffer_.size() - used_ < size) {
      MakeRoom(size);
    }
    return buffer_.data() + used_;
  }
  void Commit(char* end) { used_ = static_cast<std::size_t>(end - buffer_.data()); }

  /// Appends `text`, passing a long one on in pieces of the buffer's size.
  void Append(std::string_view text) {
    if (buffer_.size() - used_ < text.size()) {
      AppendInPieces(text);
      return;
    }
    text.copy(buffer_.data() + used_, text.size());
    used_ += text.size();
  }
  void Append(char c) {
    char* out = Reserve(1);
    *out = c;
    Commit(out + 1);
  }

  /// Passes everything buffered on to the sink.
  void Flush();

 private:
  void MakeRoom(std::size_t size);
  void AppendInPieces(std::string_view text);

  ByteSink& sink_;
  std::vector<char> buffer_;
  std::size_t used_ = 0;
};

}  // namespace dipview::output

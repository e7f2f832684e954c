#include "calc/batch.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "calc/options.h"
#include "calc/settings.h"
#include "compute/transformer.h"

namespace dipview::calc {

namespace {

class LineReader {
 public:
  LineReader(ByteSource& in, OutputBuffer& out) : in_(in), out_(out), buffer_(1 << 16) {}

  bool Next(std::string_view& line) {
    for (;;) {
      const char* begin = buffer_.data() + begin_;
      const char* newline = static_cast<const char*>(std::memchr(begin, '\n', end_ - begin_));
      if (newline != nullptr) {
        line = std::string_view(begin, newline - begin);
        begin_ += line.size() + 1;
        return true;
      }
      if (atEnd_) {
        if (begin_ == end_) {
          return false;
        }
        line = std::string_view(begin, end_ - begin_);
        begin_ = end_;
        return true;
      }
      Fill();
    }
  }

 private:
  void Fill() {
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
    if (end_ == buffer_.size()) {
      buffer_.resize(buffer_.size() * 2);
    }
    // Whoever writes the input may wait for the rows so far before writing
    // more, so they must be out before this read can block.
    out_.Flush();
    const std::size_t n = in_.Read(buffer_.data() + end_, buffer_.size() - end_);
    end_ += n;
    atEnd_ = n == 0;
  }

  ByteSource& in_;
  OutputBuffer& out_;
  std::vector<char> buffer_;
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
  bool atEnd_ = false;
};

// Writes the rows of the states read so far before a read that would wait:
// whoever writes the input may wait for them before writing more.
class RowsBeforeWaiting : public ByteSource {
 public:
  RowsBeforeWaiting(ByteSource& in, RowWriter& writer) : in_(in), writer_(writer) {}
  std::size_t Read(char* buffer, std::size_t capacity) override {
    if (!in_.Ready()) {
      writer_.Flush();
    }
    return in_.Read(buffer, capacity);
  }
  bool Ready() override { return in_.Ready(); }

 private:
  ByteSource& in_;
  RowWriter& writer_;
};

std::string_view Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) {
    return {};
  }
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::string LineLabel(std::size_t lineNumber) {
  return "line " + std::to_string(lineNumber);
}

std::string AllColumnNames() {
  std::string names;
  for (const SettingColumn& column : kSettingColumns) {
    if (!names.empty()) {
      names += ',';
    }
    names += column.name;
  }
  return names;
}

std::vector<const SettingColumn*> ParseHeader(std::string_view line, std::size_t lineNumber) {
  std::vector<const SettingColumn*> columns;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = line.find(',', start);
    const std::string_view name = Trim(line.substr(start, comma - start));
    const SettingColumn* column = FindSettingColumn(name);
    if (column == nullptr) {
      throw UsageError(LineLabel(lineNumber) + ": unknown column '" + std::string(name) +
                       "'; allowed: " + AllColumnNames());
    }
    if (std::find(columns.begin(), columns.end(), column) != columns.end()) {
      throw UsageError(LineLabel(lineNumber) + ": column '" + std::string(name) +
                       "' appears twice");
    }
    columns.push_back(column);
    if (comma == std::string_view::npos) {
      return columns;
    }
    start = comma + 1;
  }
}

std::string HeaderText(const std::vector<const SettingColumn*>& columns) {
  std::string text;
  for (const SettingColumn* column : columns) {
    if (!text.empty()) {
      text += ',';
    }
    text += column->name;
  }
  return text;
}

}  // namespace

std::size_t RunBatch(ByteSource& in, const FaultInputs& base, RowWriter& writer,
                     OutputBuffer& out) {
  RowsBeforeWaiting source(in, writer);
  LineReader reader(source, out);
  std::string_view line;
  std::size_t lineNumber = 0;
  std::vector<const SettingColumn*> columns;
  while (columns.empty()) {
    if (!reader.Next(line)) {
      throw UsageError("standard input has no header line; expected a CSV header naming any of " +
                       AllColumnNames());
    }
    ++lineNumber;
    if (lineNumber == 1 && line.starts_with("\xEF\xBB\xBF")) {
      line.remove_prefix(3);
    }
    if (!Trim(line).empty()) {
      columns = ParseHeader(line, lineNumber);
    }
  }
  writer.Begin();

  std::size_t states = 0;
  while (reader.Next(line)) {
    ++lineNumber;
    const std::size_t fields =
        1 + static_cast<std::size_t>(std::count(line.begin(), line.end(), ','));
    if (fields == 1 && Trim(line).empty()) {
      continue;
    }
    if (fields != columns.size()) {
      throw UsageError(LineLabel(lineNumber) + ": " + std::to_string(fields) +
                       (fields == 1 ? " field" : " fields") + ", but the header names " +
                       std::to_string(columns.size()) + " (" + HeaderText(columns) + ")");
    }
    FaultInputs state = base;
    std::size_t start = 0;
    for (const SettingColumn* column : columns) {
      const std::size_t comma = line.find(',', start);
      const std::string_view field = Trim(line.substr(start, comma - start));
      try {
        column->parse(field, state);
      } catch (const ValueError& e) {
        throw UsageError(LineLabel(lineNumber) + ", column " + std::string(column->name) + ": " +
                         e.what());
      }
      start = comma + 1;
    }
    writer.Add(state);
    ++states;
  }
  return states;
}

}  // namespace dipview::calc

#include "calc/batch.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "calc/options.h"
#include "calc/settings.h"
#include "compute/transformer.h"

namespace dipview::calc {

namespace {

using namespace std::string_view_literals;

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

std::string LineLabel(std::size_t lineNumber) {
  return "line " + std::to_string(lineNumber);
}

// Hands out the input's records: its lines, except that a line end inside a
// quoted field belongs to the field. Each byte is scanned once, however the
// reads cut the input, and no record may be longer than kMaxBatchLineBytes,
// so memory stays bounded whatever comes in.
class RecordReader {
 public:
  RecordReader(output::ByteSource& in, output::OutputBuffer& out)
      : in_(in), out_(out), buffer_(1 << 16) {}

  // The next record without its line end, or false at the end of the input.
  bool Next(std::string_view& record) {
    for (;;) {
      while (scan_ < end_) {
        const char* data = buffer_.data();
        const auto* newline =
            static_cast<const char*>(std::memchr(data + scan_, '\n', end_ - scan_));
        const char* stop = newline != nullptr ? newline : data + end_;
        // Each quote opens or closes a quoted field; an escaped quote ("")
        // closes and opens again.
        for (const char* q = data + scan_;
             quotes_ && (q = static_cast<const char*>(std::memchr(q, '"', stop - q))) != nullptr;
             ++q) {
          quoted_ = true;
          inQuotes_ = !inQuotes_;
        }
        scan_ = static_cast<std::size_t>(stop - data);
        if (newline == nullptr) {
          break;
        }
        ++scan_;
        ++newlines_;
        if (!inQuotes_) {
          return Take(scan_ - 1, record);
        }
      }
      if (atEnd_) {
        return begin_ != end_ && Take(end_, record);
      }
      if (end_ - begin_ > kMaxBatchLineBytes) {
        throw UsageError(LineLabel(linesBefore_ + 1) +
                         (inQuotes_ ? ": a quoted field is still open after " +
                                          std::to_string(kMaxBatchLineBytes) +
                                          " bytes; is its closing quote missing?"
                                    : ": longer than " + std::to_string(kMaxBatchLineBytes) +
                                          " bytes; allowed: lines of at most " +
                                          std::to_string(kMaxBatchLineBytes >> 20) + " MiB"));
      }
      Fill();
    }
  }

  // Whether quotes join lines into one record, as in CSV; in JSON Lines each
  // line is one record whatever it holds.
  void SetQuotes(bool quotes) { quotes_ = quotes; }

  // The number of the line the last record starts on, from 1.
  std::size_t line() const { return line_; }
  // Whether the last record holds a quote.
  bool quoted() const { return recordQuoted_; }

 private:
  bool Take(std::size_t recordEnd, std::string_view& record) {
    record = std::string_view(buffer_.data() + begin_, recordEnd - begin_);
    begin_ = scan_;
    line_ = linesBefore_ + 1;
    linesBefore_ += newlines_;
    newlines_ = 0;
    recordQuoted_ = quoted_;
    quoted_ = false;
    inQuotes_ = false;
    return true;
  }

  void Fill() {
    if (begin_ > 0) {
      std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
      end_ -= begin_;
      scan_ -= begin_;
      begin_ = 0;
    }
    // The buffer never needs more than the longest record and its line end.
    if (end_ == buffer_.size()) {
      buffer_.resize(std::min(buffer_.size() * 2, kMaxBatchLineBytes + 1));
    }
    // Passes on the rows already in the buffer before every read, also one
    // that would not wait (RowsBeforeWaiting flushes before those): when a
    // read fails, the rows written before it stand.
    out_.Flush();
    const std::size_t n = in_.Read(buffer_.data() + end_, buffer_.size() - end_);
    end_ += n;
    atEnd_ = n == 0;
  }

  output::ByteSource& in_;
  output::OutputBuffer& out_;
  std::vector<char> buffer_;
  std::size_t begin_ = 0;  // where the record being read starts
  std::size_t scan_ = 0;   // how far it has been scanned
  std::size_t end_ = 0;    // the end of the bytes read
  bool atEnd_ = false;
  bool quotes_ = true;
  bool quoted_ = false;
  bool inQuotes_ = false;
  bool recordQuoted_ = false;
  std::size_t newlines_ = 0;     // line ends in the record so far
  std::size_t linesBefore_ = 0;  // lines before the record
  std::size_t line_ = 0;
};

// Writes the rows of the states read so far before a read that would wait:
// whoever writes the input may wait for them before writing more.
class RowsBeforeWaiting : public output::ByteSource {
 public:
  RowsBeforeWaiting(output::ByteSource& in, RowWriter& writer) : in_(in), writer_(writer) {}
  std::size_t Read(char* buffer, std::size_t capacity) override {
    if (!in_.Ready()) {
      writer_.Flush();
    }
    return in_.Read(buffer, capacity);
  }
  bool Ready() override { return in_.Ready(); }

 private:
  output::ByteSource& in_;
  RowWriter& writer_;
};

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r';
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) {
    text.remove_prefix(1);
  }
  while (!text.empty() && IsBlank(text.back())) {
    text.remove_suffix(1);
  }
  return text;
}

std::string FieldLabel(std::size_t line, std::size_t field) {
  return LineLabel(line) + ", field " + std::to_string(field);
}

// Splits a record into its fields as RFC 4180 reads them: at the commas
// outside quotes; a field in quotes holds every byte up to the closing quote,
// with "" standing for one quote. Blanks around a field, quoted or not, do not
// count. The fields of a quoted record are views into `scratch`.
void SplitRecord(std::string_view record, bool quoted, std::size_t line,
                 std::vector<std::string_view>& fields, std::string& scratch) {
  fields.clear();
  if (!quoted) {
    for (std::size_t start = 0;;) {
      const std::size_t comma = record.find(',', start);
      fields.push_back(Trim(record.substr(start, comma - start)));
      if (comma == std::string_view::npos) {
        return;
      }
      start = comma + 1;
    }
  }
  // Unquoting never lengthens the text, so the views into scratch stay valid.
  scratch.clear();
  scratch.reserve(record.size());
  for (std::size_t pos = 0;;) {
    while (pos < record.size() && IsBlank(record[pos])) {
      ++pos;
    }
    const std::size_t number = fields.size() + 1;
    if (pos < record.size() && record[pos] == '"') {
      const std::size_t start = scratch.size();
      for (++pos;;) {
        const std::size_t quote = record.find('"', pos);
        if (quote == std::string_view::npos) {
          throw UsageError(FieldLabel(line, number) + ": the quote that opens it is not closed");
        }
        scratch.append(record.substr(pos, quote - pos));
        pos = quote + 1;
        if (pos == record.size() || record[pos] != '"') {
          break;
        }
        scratch += '"';
        ++pos;
      }
      fields.push_back(Trim(std::string_view(scratch).substr(start)));
      const std::size_t comma = std::min(record.find(',', pos), record.size());
      const std::string_view after = Trim(record.substr(pos, comma - pos));
      if (!after.empty()) {
        throw UsageError(FieldLabel(line, number) + ": " + output::QuoteForMessage(after) +
                         " after the closing quote; allowed: a comma or the line end");
      }
      pos = comma;
    } else {
      const std::size_t comma = std::min(record.find(',', pos), record.size());
      const std::string_view field = Trim(record.substr(pos, comma - pos));
      if (field.find('"') != std::string_view::npos) {
        throw UsageError(FieldLabel(line, number) + ": " + output::QuoteForMessage(field) +
                         " holds a quote but does not start with one; allowed: a field in "
                         "quotes with each quote inside doubled");
      }
      fields.push_back(field);
      pos = comma;
    }
    if (pos == record.size()) {
      return;
    }
    ++pos;
  }
}

// The encoding a record that cannot be read seems to be in instead of UTF-8,
// by its byte order mark or its NUL bytes, or nothing.
std::string_view ForeignEncoding(std::string_view record) {
  if (record.starts_with("\xFF\xFE\0\0"sv) || record.starts_with("\0\0\xFE\xFF"sv) ||
      record.find("\0\0\0"sv) != std::string_view::npos) {
    return "UTF-32";
  }
  const auto nuls = static_cast<std::size_t>(std::count(record.begin(), record.end(), '\0'));
  if (record.starts_with("\xFF\xFE") || record.starts_with("\xFE\xFF") ||
      (nuls > 0 && nuls * 4 >= record.size())) {
    return "UTF-16";
  }
  return {};
}

std::string AllColumnNames() {
  std::string names;
  for (const SettingColumn& column : kSettingColumns) {
    if (!names.empty()) {
      names += ',';
    }
    names += column.name;
  }
  return names + ',' + std::string(kPhasesColumn.name);
}

// Whether `name` is one of the result columns the calculator writes, which a
// batch reads past so that the calculator's own CSV is valid input.
bool IsResultColumn(std::string_view name) {
  static const std::vector<std::string> kNames = [] {
    const auto& standard = OutputColumnNames();
    std::vector<std::string> names(standard.begin() + kSettingColumns.size(), standard.end());
    for (std::string& extra :
         ExtraColumnNames({.classify = true, .lineToLine = true, .events = true})) {
      names.push_back(std::move(extra));
    }
    return names;
  }();
  return std::any_of(kNames.begin(), kNames.end(),
                     [name](const std::string& n) { return EqualsIgnoringCase(n, name); });
}

// The setting each field sets, or nullptr for a result column.
std::vector<const SettingColumn*> ParseHeader(const std::vector<std::string_view>& names,
                                              std::size_t lineNumber) {
  if (names.size() == 1 && names[0].find(';') != std::string_view::npos) {
    throw UsageError(LineLabel(lineNumber) +
                     ": the columns are separated by semicolons, as some spreadsheets save "
                     "CSV; separate them with commas (or save as JSON Lines)");
  }
  std::vector<const SettingColumn*> columns;
  for (const std::string_view name : names) {
    const SettingColumn* column = FindSettingColumn(name);
    if (column == nullptr && !IsResultColumn(name)) {
      throw UsageError(LineLabel(lineNumber) + ": unknown column " + output::QuoteForMessage(name) +
                       "; allowed: " + AllColumnNames());
    }
    if (column != nullptr && std::find(columns.begin(), columns.end(), column) != columns.end()) {
      throw UsageError(LineLabel(lineNumber) + ": column " + output::QuoteForMessage(name) +
                       " appears twice");
    }
    columns.push_back(column);
  }
  return columns;
}

// The header's names, which are all known columns, as a message shows them:
// the first kShownNames and "..." when there are more.
std::string HeaderText(const std::vector<std::string_view>& names) {
  constexpr std::size_t kShownNames = 12;
  std::string text;
  for (std::size_t i = 0; i < names.size(); ++i) {
    text += i > 0 ? "," : "";
    if (i == kShownNames) {
      text += "...";
      break;
    }
    text += names[i];
  }
  return text;
}

// One member of a JSON object: its name and its value as a setting's text
// (a string unescaped, a number, true, false or null as written).
struct JsonMember {
  std::string_view name;
  std::string_view value;
};

// Reads one JSON object, as a line of JSON Lines holds it, into its members.
// Strings are unescaped into `scratch`, which the views then point into.
// Nested objects and arrays hold no setting and are refused.
class JsonObjectReader {
 public:
  JsonObjectReader(std::string_view text, std::size_t line, std::string& scratch)
      : text_(text), line_(line), scratch_(scratch) {}

  void Read(std::vector<JsonMember>& members) {
    members.clear();
    scratch_.clear();
    // Unescaping never lengthens a string, so the views stay valid.
    scratch_.reserve(text_.size());
    Expect('{');
    if (Peek() == '}') {
      ++pos_;
    } else {
      for (;;) {
        const std::string_view name = String();
        Expect(':');
        members.push_back({name, Value()});
        const char c = Peek();
        if (c != ',' && c != '}') {
          Fail("a comma or } after a value");
        }
        ++pos_;
        if (c == '}') {
          break;
        }
      }
    }
    if (Peek() != '\0') {
      Fail("the line's end after the object");
    }
  }

 private:
  char Peek() {
    while (pos_ < text_.size() && (IsBlank(text_[pos_]) || text_[pos_] == '\n')) {
      ++pos_;
    }
    return pos_ < text_.size() ? text_[pos_] : '\0';
  }

  [[noreturn]] void Fail(std::string_view expected) {
    const std::string_view found = text_.substr(std::min(pos_, text_.size()), 12);
    throw UsageError(
        LineLabel(line_) + ", byte " + std::to_string(pos_ + 1) + ": not JSON Lines: expected " +
        std::string(expected) + ", found " +
        (found.empty() ? std::string("the line's end") : output::QuoteForMessage(found)));
  }

  void Expect(char c) {
    if (Peek() != c) {
      Fail(std::string("'") + c + "'");
    }
    ++pos_;
  }

  std::string_view String() {
    if (Peek() != '"') {
      Fail("a name in double quotes");
    }
    ++pos_;
    const std::size_t start = scratch_.size();
    for (;;) {
      if (pos_ >= text_.size()) {
        Fail("the string's closing quote");
      }
      const char c = text_[pos_++];
      if (c == '"') {
        return std::string_view(scratch_).substr(start);
      }
      if (static_cast<unsigned char>(c) < 0x20) {
        --pos_;
        Fail("no control characters inside a string");
      }
      if (c != '\\') {
        scratch_ += c;
        continue;
      }
      const char e = pos_ < text_.size() ? text_[pos_++] : '\0';
      switch (e) {
        case '"':
        case '\\':
        case '/':
          scratch_ += e;
          break;
        case 'b':
          scratch_ += '\b';
          break;
        case 'f':
          scratch_ += '\f';
          break;
        case 'n':
          scratch_ += '\n';
          break;
        case 'r':
          scratch_ += '\r';
          break;
        case 't':
          scratch_ += '\t';
          break;
        default:
          // \u escapes name no character a setting holds; shown as written.
          --pos_;
          Fail("one of the escapes \\\" \\\\ \\/ \\b \\f \\n \\r \\t");
      }
    }
  }

  std::string_view Value() {
    const char c = Peek();
    if (c == '"') {
      return String();
    }
    if (c == '{' || c == '[') {
      Fail("a string, a number, true, false or null (a setting holds no object or array)");
    }
    const std::size_t start = pos_;
    while (pos_ < text_.size() && text_[pos_] != ',' && text_[pos_] != '}' &&
           !IsBlank(text_[pos_])) {
      ++pos_;
    }
    if (pos_ == start) {
      Fail("a value");
    }
    return text_.substr(start, pos_ - start);
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  std::size_t line_;
  std::string& scratch_;
};

bool LooksLikeJson(std::string_view record) {
  return Trim(record).starts_with('{');
}

// Sets `state` from one JSON Lines object. The first object's phases key
// decides whether the output has a phases column, so every later one must
// follow it.
void ReadJsonState(std::string_view record, std::size_t line, bool phasesColumn, FaultInputs& state,
                   std::vector<JsonMember>& members, std::string& scratch) {
  JsonObjectReader(record, line, scratch).Read(members);
  std::vector<const SettingColumn*> seen;
  std::optional<std::string_view> phases;
  const auto parse = [&](const SettingColumn* column, std::string_view value) {
    try {
      column->parse(value, state);
    } catch (const ValueError& e) {
      throw UsageError(LineLabel(line) + ", key " + std::string(column->name) + ": " + e.what());
    }
  };
  for (const JsonMember& member : members) {
    const SettingColumn* column = FindSettingColumn(member.name);
    if (column == nullptr && !IsResultColumn(member.name)) {
      throw UsageError(LineLabel(line) + ": unknown key " + output::QuoteForMessage(member.name) +
                       "; allowed: " + AllColumnNames());
    }
    if (column == nullptr) {
      continue;
    }
    if (std::find(seen.begin(), seen.end(), column) != seen.end()) {
      throw UsageError(LineLabel(line) + ": key " + output::QuoteForMessage(member.name) +
                       " appears twice");
    }
    seen.push_back(column);
    if (column == &kPhasesColumn) {
      if (!phasesColumn) {
        throw UsageError(LineLabel(line) +
                         ": key phases, which the first line does not have; give it on every "
                         "line or on none");
      }
      phases = member.value;  // read once the row's fault is known
    } else {
      parse(column, member.value);
    }
  }
  if (phases) {
    parse(&kPhasesColumn, *phases);
  }
}

// The rest of a batch whose first line, `first`, is a JSON object: one state
// a line.
std::size_t RunJsonLines(RecordReader& reader, std::string_view first, const FaultInputs& base,
                         RowWriter& writer) {
  reader.SetQuotes(false);
  std::vector<JsonMember> members;
  std::string scratch;
  JsonObjectReader(first, reader.line(), scratch).Read(members);
  const bool phasesColumn = std::any_of(members.begin(), members.end(), [](const JsonMember& m) {
    return FindSettingColumn(m.name) == &kPhasesColumn;
  });
  if (phasesColumn) {
    writer.AddPhasesColumn();
  }
  writer.Begin();
  std::size_t states = 0;
  std::string_view record = first;
  do {
    if (Trim(record).empty()) {
      continue;
    }
    FaultInputs state = base;
    ReadJsonState(record, reader.line(), phasesColumn, state, members, scratch);
    writer.Add(state);
    ++states;
  } while (reader.Next(record));
  return states;
}

}  // namespace

std::size_t RunBatch(output::ByteSource& in, const FaultInputs& base, RowWriter& writer,
                     output::OutputBuffer& out) {
  RowsBeforeWaiting source(in, writer);
  RecordReader reader(source, out);
  std::string_view record;
  std::vector<std::string_view> fields;
  std::string scratch;
  // Names a bad line's message with the encoding the input seems to be in,
  // when that explains it better than the line's own fault.
  const auto encodingHint = [&](std::string_view bad) {
    const std::string_view encoding = ForeignEncoding(bad);
    if (!encoding.empty()) {
      throw UsageError(LineLabel(reader.line()) + ": input looks like " + std::string(encoding) +
                       "; save it as UTF-8");
    }
  };

  std::vector<const SettingColumn*> columns;
  std::string header;
  while (columns.empty()) {
    if (!reader.Next(record)) {
      throw UsageError("the input has no header line; expected a CSV header naming any of " +
                       AllColumnNames());
    }
    // Byte order marks, however many, before the header are no part of it.
    while (record.starts_with(kUtf8Bom)) {
      record.remove_prefix(kUtf8Bom.size());
    }
    if (!reader.quoted() && Trim(record).empty()) {
      continue;
    }
    if (LooksLikeJson(record)) {
      return RunJsonLines(reader, record, base, writer);
    }
    try {
      SplitRecord(record, reader.quoted(), reader.line(), fields, scratch);
      columns = ParseHeader(fields, reader.line());
    } catch (const UsageError&) {
      encodingHint(record);
      throw;
    }
    header = HeaderText(fields);
  }
  if (std::find(columns.begin(), columns.end(), &kPhasesColumn) != columns.end()) {
    writer.AddPhasesColumn();
  }
  writer.Begin();

  std::size_t states = 0;
  while (reader.Next(record)) {
    if (!reader.quoted() && Trim(record).empty()) {
      continue;
    }
    FaultInputs state = base;
    try {
      SplitRecord(record, reader.quoted(), reader.line(), fields, scratch);
      if (fields.size() != columns.size()) {
        throw UsageError(LineLabel(reader.line()) + ": " + std::to_string(fields.size()) +
                         (fields.size() == 1 ? " field" : " fields") + ", but the header names " +
                         std::to_string(columns.size()) + " (" + header + ")");
      }
      const auto parse = [&](const SettingColumn* column, std::string_view field) {
        try {
          column->parse(field, state);
        } catch (const ValueError& e) {
          throw UsageError(LineLabel(reader.line()) + ", column " + std::string(column->name) +
                           ": " + e.what());
        }
      };
      std::optional<std::size_t> phasesField;
      for (std::size_t i = 0; i < columns.size(); ++i) {
        if (columns[i] == &kPhasesColumn) {
          phasesField = i;  // read once the row's fault is known
        } else if (columns[i] != nullptr) {
          parse(columns[i], fields[i]);
        }
      }
      if (phasesField) {
        parse(&kPhasesColumn, fields[*phasesField]);
      }
    } catch (const UsageError&) {
      encodingHint(record);
      throw;
    }
    writer.Add(state);
    ++states;
  }
  return states;
}

}  // namespace dipview::calc

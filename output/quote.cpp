#include "output/quote.h"

#include <string>

namespace dipview::output {

namespace {

// The length of the UTF-8 character at the start of `text` and its code
// point, or 0 when the bytes there are not UTF-8.
std::size_t DecodeUtf8(std::string_view text, char32_t& codePoint) {
  const auto byte = [text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  std::size_t size;
  char32_t low;
  unsigned char secondMin = 0x80;
  unsigned char secondMax = 0xBF;
  if (lead < 0x80) {
    codePoint = lead;
    return 1;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    size = 2;
    low = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    size = 3;
    low = lead & 0x0F;
    // No overlong forms and no surrogates.
    secondMin = lead == 0xE0 ? 0xA0 : 0x80;
    secondMax = lead == 0xED ? 0x9F : 0xBF;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    size = 4;
    low = lead & 0x07;
    secondMin = lead == 0xF0 ? 0x90 : 0x80;
    secondMax = lead == 0xF4 ? 0x8F : 0xBF;
  } else {
    return 0;
  }
  if (text.size() < size || byte(1) < secondMin || byte(1) > secondMax) {
    return 0;
  }
  for (std::size_t i = 1; i < size; ++i) {
    if ((byte(i) & 0xC0) != 0x80) {
      return 0;
    }
    low = (low << 6) | (byte(i) & 0x3F);
  }
  codePoint = low;
  return size;
}

// Characters a terminal would act on or show as nothing.
bool IsHidden(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) || (c >= 0x200B && c <= 0x200F) ||
         (c >= 0x2028 && c <= 0x202E) || (c >= 0x2060 && c <= 0x2069) || c == 0xFEFF;
}

void AppendEscaped(std::string_view bytes, std::string& out) {
  static constexpr char kHex[] = "0123456789abcdef";
  for (const char b : bytes) {
    const auto u = static_cast<unsigned char>(b);
    out += "\\x";
    out += kHex[u >> 4];
    out += kHex[u & 0xF];
  }
}

// Appends `text` with control bytes, hidden characters and bytes that are not
// UTF-8 escaped, and backslashes too when asked.
void AppendSafe(std::string_view text, bool escapeBackslash, std::string& out) {
  while (!text.empty()) {
    char32_t c = 0;
    const std::size_t decoded = DecodeUtf8(text, c);
    const std::size_t size = decoded == 0 ? 1 : decoded;
    if (decoded == 0 || IsHidden(c)) {
      AppendEscaped(text.substr(0, size), out);
    } else if (c == '\\' && escapeBackslash) {
      out += "\\\\";
    } else {
      out += text.substr(0, size);
    }
    text.remove_prefix(size);
  }
}

}  // namespace

std::string QuoteForMessage(std::string_view text, std::size_t limit) {
  std::size_t shown = text.size();
  if (shown > limit) {
    // Cut between characters, not inside one.
    shown = limit;
    while (shown > 0 && (static_cast<unsigned char>(text[shown]) & 0xC0) == 0x80) {
      --shown;
    }
  }
  std::string s = "'";
  AppendSafe(text.substr(0, shown), true, s);
  if (shown < text.size()) {
    s += "...' (" + std::to_string(text.size()) + " bytes)";
  } else {
    s += '\'';
  }
  return s;
}

std::string EscapeForTerminal(std::string_view text) {
  std::string s;
  s.reserve(text.size());
  AppendSafe(text, false, s);
  return s;
}

}  // namespace dipview::output

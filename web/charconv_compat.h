#pragma once

// Floating-point std::to_chars and std::from_chars for the page's build:
// emscripten's C++ library has only the integer ones. Included into the
// design and settings code of the WebAssembly build, never into the desktop's.
// to_chars writes the shortest text that reads back to the same value, fixed
// or scientific as the standard's plain form does; from_chars reads the
// general format, and converts with strtod and strtof, which round correctly.

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>

namespace dipview::web::compat {

template <typename T>
std::to_chars_result ShortestChars(char* first, char* last, T value) {
  char text[64];
  int length = 0;
  if (std::isnan(value)) {
    length = std::snprintf(text, sizeof text, "%s", std::signbit(value) ? "-nan" : "nan");
  } else if (std::isinf(value)) {
    length = std::snprintf(text, sizeof text, "%s", value < 0 ? "-inf" : "inf");
  } else if (value == 0) {
    length = std::snprintf(text, sizeof text, "%s", std::signbit(value) ? "-0" : "0");
  } else {
    // The fewest significant digits that read back to the value.
    char sci[40];
    for (int digits = 1; digits <= 17; ++digits) {
      std::snprintf(sci, sizeof sci, "%.*e", digits - 1, static_cast<double>(value));
      const T back = sizeof(T) == sizeof(float) ? static_cast<T>(std::strtof(sci, nullptr))
                                                : static_cast<T>(std::strtod(sci, nullptr));
      if (back == value) {
        break;
      }
    }
    // sci is [-]d[.ddd]e[+-]x: its digits and its exponent.
    const bool negative = sci[0] == '-';
    const char* p = sci + (negative ? 1 : 0);
    char digits[24];
    int count = 0;
    for (; *p != 'e'; ++p) {
      if (*p != '.') {
        digits[count++] = *p;
      }
    }
    const int exponent = std::atoi(p + 1);
    char scientific[40];
    int s = 0;
    if (negative) {
      scientific[s++] = '-';
    }
    scientific[s++] = digits[0];
    if (count > 1) {
      scientific[s++] = '.';
      std::memcpy(scientific + s, digits + 1, static_cast<std::size_t>(count - 1));
      s += count - 1;
    }
    s += std::snprintf(scientific + s, sizeof scientific - static_cast<std::size_t>(s), "e%c%02d",
                       exponent < 0 ? '-' : '+', exponent < 0 ? -exponent : exponent);
    char fixed[400];
    int f = 0;
    if (negative) {
      fixed[f++] = '-';
    }
    if (exponent >= count - 1) {
      // A whole number is written with all its digits, as printf writes it.
      f += std::snprintf(fixed + f, sizeof fixed - static_cast<std::size_t>(f), "%.0f",
                         std::fabs(static_cast<double>(value)));
    } else if (exponent >= 0) {
      for (int i = 0; i < count || i <= exponent; ++i) {
        if (i == exponent + 1) {
          fixed[f++] = '.';
        }
        fixed[f++] = i < count ? digits[i] : '0';
      }
    } else {
      fixed[f++] = '0';
      fixed[f++] = '.';
      for (int i = 0; i < -exponent - 1; ++i) {
        fixed[f++] = '0';
      }
      std::memcpy(fixed + f, digits, static_cast<std::size_t>(count));
      f += count;
    }
    // The shorter of the two, fixed when they are as long.
    const bool useFixed = f <= s;
    length = useFixed ? f : s;
    std::memcpy(text, useFixed ? fixed : scientific, static_cast<std::size_t>(length));
  }
  if (last - first < length) {
    return {last, std::errc::value_too_large};
  }
  std::memcpy(first, text, static_cast<std::size_t>(length));
  return {first + length, std::errc()};
}

// The length of the general-format number at the start of [first, last), or
// 0 when there is none: [-](inf|infinity|nan|digits[.digits][e[+-]digits]).
inline std::size_t NumberLength(const char* first, const char* last) {
  const char* p = first;
  if (p != last && *p == '-') {
    ++p;
  }
  const auto word = [&](const char* w) {
    const std::size_t n = std::strlen(w);
    if (static_cast<std::size_t>(last - p) < n) {
      return false;
    }
    for (std::size_t i = 0; i < n; ++i) {
      if ((p[i] | 0x20) != w[i]) {
        return false;
      }
    }
    return true;
  };
  if (word("infinity")) {
    return static_cast<std::size_t>(p + 8 - first);
  }
  if (word("inf")) {
    return static_cast<std::size_t>(p + 3 - first);
  }
  if (word("nan")) {
    // nan(n-char-sequence)
    const char* q = p + 3;
    if (q != last && *q == '(') {
      const char* r = q + 1;
      while (r != last && (std::isalnum(static_cast<unsigned char>(*r)) || *r == '_')) {
        ++r;
      }
      if (r != last && *r == ')') {
        q = r + 1;
      }
    }
    return static_cast<std::size_t>(q - first);
  }
  const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
  int digits = 0;
  for (; p != last && isDigit(*p); ++p) {
    ++digits;
  }
  if (p != last && *p == '.') {
    ++p;
    for (; p != last && isDigit(*p); ++p) {
      ++digits;
    }
  }
  if (digits == 0) {
    return 0;
  }
  if (p != last && (*p == 'e' || *p == 'E')) {
    const char* q = p + 1;
    if (q != last && (*q == '+' || *q == '-')) {
      ++q;
    }
    if (q != last && isDigit(*q)) {
      while (q != last && isDigit(*q)) {
        ++q;
      }
      p = q;
    }
  }
  return static_cast<std::size_t>(p - first);
}

template <typename T>
std::from_chars_result ReadChars(const char* first, const char* last, T& value) {
  const std::size_t length = NumberLength(first, last);
  if (length == 0) {
    return {first, std::errc::invalid_argument};
  }
  char text[512];
  if (length >= sizeof text) {
    // Longer than any number a setting needs: read as out of range.
    return {first + length, std::errc::result_out_of_range};
  }
  std::memcpy(text, first, length);
  text[length] = '\0';
  errno = 0;
  const T parsed = sizeof(T) == sizeof(float) ? static_cast<T>(std::strtof(text, nullptr))
                                              : static_cast<T>(std::strtod(text, nullptr));
  if (errno == ERANGE) {
    return {first + length, std::errc::result_out_of_range};
  }
  value = parsed;
  return {first + length, std::errc()};
}

}  // namespace dipview::web::compat

namespace std {

inline to_chars_result to_chars(char* first, char* last, double value) {
  return dipview::web::compat::ShortestChars(first, last, value);
}
inline to_chars_result to_chars(char* first, char* last, float value) {
  return dipview::web::compat::ShortestChars(first, last, value);
}
inline from_chars_result from_chars(const char* first, const char* last, double& value) {
  return dipview::web::compat::ReadChars(first, last, value);
}

}  // namespace std

#include "compute/readout.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace dipview {

double CutMagnitude(double magnitude) {
  return std::floor(magnitude * 1000.0) / 1000.0;
}

double AngleDegrees(double angleRadians) {
  return (angleRadians * 180.0) / kPi;
}

double CutAngleDegrees(double angleRadians) {
  return std::floor(AngleDegrees(angleRadians) * 10.0) / 10.0;
}

char* WriteNumberText(double value, char* out) {
  if (std::isnan(value)) {
    std::memcpy(out, "NaN", 3);
    return out + 3;
  }
  if (std::isinf(value)) {
    const char* text = value > 0 ? "Inf" : "-Inf";
    const std::size_t n = std::strlen(text);
    std::memcpy(out, text, n);
    return out + n;
  }
  if (value == 0.0) {
    *out = '0';
    return out + 1;
  }
  // 15 significant digits, as d.dddddddddddddde+XX. Both conversions round
  // correctly, so they give the same text; the C library's serves where the
  // C++ library has no floating-point to_chars (WebAssembly's libc++).
  char sci[40];
#if defined(__cpp_lib_to_chars)
  const char* const sciEnd =
      std::to_chars(sci, sci + sizeof sci, value, std::chars_format::scientific, 14).ptr;
#else
  const char* const sciEnd = sci + std::snprintf(sci, sizeof sci, "%.14e", value);
#endif
  const char* p = sci;
  const bool negative = *p == '-';
  if (negative) {
    ++p;
  }
  char digits[15];
  int count = 0;
  for (; p < sciEnd && *p != 'e'; ++p) {
    if (*p != '.') {
      digits[count++] = *p;
    }
  }
  int exponent = 0;
  std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), sciEnd, exponent);
  while (count > 1 && digits[count - 1] == '0') {
    --count;
  }

  char* o = out;
  if (negative) {
    *o++ = '-';
  }
  if (exponent >= 15 || exponent < -15) {
    // Beyond what a readout can show: the runtime's exponent form, 1.5E+20.
    *o++ = digits[0];
    if (count > 1) {
      *o++ = '.';
      for (int i = 1; i < count; ++i) {
        *o++ = digits[i];
      }
    }
    *o++ = 'E';
    *o++ = exponent < 0 ? '-' : '+';
    return std::to_chars(o, o + 8, exponent < 0 ? -exponent : exponent).ptr;
  }
  if (exponent < 0) {
    *o++ = '0';
    *o++ = '.';
    for (int i = 0; i < -exponent - 1; ++i) {
      *o++ = '0';
    }
    for (int i = 0; i < count; ++i) {
      *o++ = digits[i];
    }
    return o;
  }
  for (int i = 0; i <= exponent; ++i) {
    *o++ = i < count ? digits[i] : '0';
  }
  if (count > exponent + 1) {
    *o++ = '.';
    for (int i = exponent + 1; i < count; ++i) {
      *o++ = digits[i];
    }
  }
  return o;
}

std::string NumberText(double value) {
  char buffer[kNumberTextMax];
  return std::string(buffer, WriteNumberText(value, buffer));
}

namespace {

std::array<std::string, 6> Texts(const Phasor& first, const Phasor& second, const Phasor& third) {
  return {NumberText(CutMagnitude(first.magnitude)),  NumberText(CutAngleDegrees(first.angle)),
          NumberText(CutMagnitude(second.magnitude)), NumberText(CutAngleDegrees(second.angle)),
          NumberText(CutMagnitude(third.magnitude)),  NumberText(CutAngleDegrees(third.angle))};
}

}  // namespace

std::array<std::string, 6> ReadoutTexts(const PhaseTriple& v) {
  return Texts(v.a, v.b, v.c);
}

std::array<std::string, 6> ReadoutTexts(const SequenceTriple& v) {
  return Texts(v.zero, v.positive, v.negative);
}

}  // namespace dipview

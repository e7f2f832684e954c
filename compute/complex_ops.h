#pragma once

#include <cmath>
#include <complex>

#include "compute/maths.h"

// Complex arithmetic of the models written out, on std::complex<double> as a
// plain pair: the library's division (scaled, compiler-dependent) and its abs
// and arg (the C library's hypot and atan2) differ between platforms in the
// last bits, which the readouts' rounding can show.
namespace dipview {

using Complex = std::complex<double>;

/// |z|, correctly rounded.
inline double Modulus(Complex z) {
  return maths::Hypot(z.real(), z.imag());
}

/// arg z in radians, in [-pi, pi], correctly rounded, with atan2's signed zeros.
inline double Argument(Complex z) {
  return maths::Atan2(z.imag(), z.real());
}

/// a b = (ar br - ai bi) + j (ar bi + ai br), each part rounded as written.
inline Complex Product(Complex a, Complex b) {
  return {a.real() * b.real() - a.imag() * b.imag(), a.real() * b.imag() + a.imag() * b.real()};
}

/// a / b by Smith's method: the ratio of the smaller part of b to the larger
/// scales the denominator, so no |b|^2 is formed; each step rounded as
/// written, the same steps as the usual complex division of C and Python.
inline Complex Quotient(Complex a, Complex b) {
  if (std::fabs(b.real()) >= std::fabs(b.imag())) {
    const double ratio = b.imag() / b.real();
    const double denominator = b.real() + b.imag() * ratio;
    return {(a.real() + a.imag() * ratio) / denominator,
            (a.imag() - a.real() * ratio) / denominator};
  }
  const double ratio = b.real() / b.imag();
  const double denominator = b.real() * ratio + b.imag();
  return {(a.real() * ratio + a.imag()) / denominator, (a.imag() * ratio - a.real()) / denominator};
}

}  // namespace dipview

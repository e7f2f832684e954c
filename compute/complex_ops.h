#pragma once

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

/// a / b = a conj(b) / |b|^2, for the impedance-sized operands of the models
/// (|b| far from 1e-154 and 1e154, where |b|^2 would leave the doubles).
inline Complex Quotient(Complex a, Complex b) {
  const double d = b.real() * b.real() + b.imag() * b.imag();
  return {(a.real() * b.real() + a.imag() * b.imag()) / d,
          (a.imag() * b.real() - a.real() * b.imag()) / d};
}

}  // namespace dipview

#pragma once

#include <numbers>

namespace dipview {

/// pi in double precision, 4*atan(1) = 3.141592653589793.
inline constexpr double kPi = std::numbers::pi;

/// pi rounded to single precision, 3.1415927410125732: the pi of the polar
/// conversion, the sequence-to-phase transform and two of the fault models.
inline constexpr double kPiSingle = static_cast<float>(std::numbers::pi);

/// Rounds a value to the nearest single-precision number, as a variable
/// declared single precision does when the value is stored into it.
constexpr double HoldSingle(double value) {
  return static_cast<float>(value);
}

/// One complex voltage in polar form: magnitude in per unit, angle in radians
/// counter-clockwise from the positive real axis.
struct Phasor {
  double magnitude = 0.0;
  double angle = 0.0;
  friend bool operator==(const Phasor&, const Phasor&) = default;
};

/// The rectangular form of a phasor; it exists only inside computations.
struct Rectangular {
  double re = 0.0;
  double im = 0.0;
  friend bool operator==(const Rectangular&, const Rectangular&) = default;
};

/// re = magnitude * cos(angle), im = magnitude * sin(angle). No special cases;
/// a negative magnitude goes through the same formulas.
Rectangular PolarToRect(double magnitude, double angle);
inline Rectangular PolarToRect(Phasor p) {
  return PolarToRect(p.magnitude, p.angle);
}

/// magnitude = sqrt(re*re + im*im). For |re| <= 1e-6 the angle is +pi_s/2
/// (im >= 0) or -pi_s/2; otherwise theta = atan(|im|/|re|) placed in its
/// quadrant with pi_s, so the angle always lies in [-pi_s, +pi_s].
Phasor RectToPolar(double re, double im);
inline Phasor RectToPolar(Rectangular r) {
  return RectToPolar(r.re, r.im);
}

}  // namespace dipview

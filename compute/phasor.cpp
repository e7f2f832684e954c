#include "compute/phasor.h"

#include <cmath>

#include "compute/maths.h"

namespace dipview {

Rectangular PolarToRect(double magnitude, double angle) {
  double s, c;
  maths::SinCos(angle, s, c);
  return {magnitude * c, magnitude * s};
}

Phasor RectToPolar(double re, double im) {
  Phasor p;
  p.magnitude = std::sqrt(re * re + im * im);
  // The bound keeps the division below away from tiny divisors; a phasor that
  // should lie on the imaginary axis lands exactly on +-pi_s/2.
  if (std::fabs(re) <= 0.000001) {
    p.angle = im >= 0.0 ? kPiSingle / 2.0 : -kPiSingle / 2.0;
    return p;
  }
  const double theta = maths::Atan(std::fabs(im) / std::fabs(re));
  if (re > 0.0) {
    p.angle = im >= 0.0 ? theta : -theta;
  } else {
    p.angle = im >= 0.0 ? kPiSingle - theta : theta - kPiSingle;
  }
  return p;
}

}  // namespace dipview

#include "design/axis.h"

namespace dipview::design {

namespace {

// The largest power of ten not above `raw` (positive), found by comparing
// with powers of ten that are exact up to 1e22: the same on every platform,
// with no mathematics library to decide it. Below 1 it is 1 / 10^k, the
// double nearest 10^-k.
double PowerOfTenAtMost(double raw) {
  double power = 1.0;
  if (raw >= 1.0) {
    while (power * 10.0 <= raw) {
      power *= 10.0;
    }
    return power;
  }
  while (1.0 / power > raw) {
    power *= 10.0;
  }
  return 1.0 / power;
}

}  // namespace

double TickStep(double span, int count) {
  const double raw = span / count;
  const double power = PowerOfTenAtMost(raw);
  const double norm = raw / power;
  return (norm < 1.5 ? 1.0 : norm < 3.5 ? 2.0 : norm < 7.5 ? 5.0 : 10.0) * power;
}

}  // namespace dipview::design

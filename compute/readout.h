#pragma once

#include <array>
#include <string>

#include "compute/sequence.h"

namespace dipview {

/// floor(|V| * 1000) / 1000: magnitudes are cut down to 0.001, never rounded.
double CutMagnitude(double magnitude);

/// (angle * 180) / pi with the double-precision pi: an angle in degrees.
double AngleDegrees(double angleRadians);

/// floor(AngleDegrees(angle) * 10) / 10: angles in degrees cut down to 0.1
/// (so -1e-12 rad shows as -0.1).
double CutAngleDegrees(double angleRadians);

/// The default number-to-text conversion of a shown value: rounded to 15
/// significant digits, plain decimal, trailing zeros and a bare decimal point
/// dropped, a leading "0" below 1 in size, a hyphen-minus for negatives
/// ("0.577", "-120", "1"). Negative zero is written "0".
std::string NumberText(double value);

/// The six readout texts of one phasor triple in the order |A|, angle A, |B|,
/// angle B, |C|, angle C.
std::array<std::string, 6> ReadoutTexts(const PhaseTriple& v);
std::array<std::string, 6> ReadoutTexts(const SequenceTriple& v);

/// Longest text WriteNumberText can write.
inline constexpr int kNumberTextMax = 40;

/// Writes the text of `value` into `out` (room for kNumberTextMax chars) and
/// returns the end; the allocation-free form of NumberText. Values of 1e15 and
/// more in size, or below 1e-15, take the exponent form "1.5E+20".
char* WriteNumberText(double value, char* out);

}  // namespace dipview

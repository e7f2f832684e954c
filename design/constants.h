#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace dipview::design {

/// The window caption.
inline constexpr std::string_view kWindowCaption =
    "DIPVIEW, Voltage Sags Due to Faults on Distribution Circuts, DIPVIEW developers, 2026";

/// One logical pixel is 15 twips (96 dots per inch).
inline constexpr double kTwipsPerPixel = 15.0;

/// A colour as 8-bit red, green and blue.
struct Rgb {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

/// Entries 0, 12, 9 and 15 of the standard 16-colour palette.
inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kLightRed{255, 0, 0};
inline constexpr Rgb kLightBlue{0, 0, 255};
inline constexpr Rgb kWhite{255, 255, 255};

/// Phases A, B and C: their letters, lines and bars.
inline constexpr std::array<Rgb, 3> kPhaseColours = {kBlack, kLightRed, kLightBlue};

/// The four buses, top to bottom, as the window names them.
inline constexpr std::array<std::string_view, 4> kBusNames = {
    "Substation HV", "Substation MV and Along Feeder", "Customer Level 1", "Customer Level 2"};

/// The sequence voltages at Substation HV, in the order of the sequence discs.
inline constexpr std::array<std::string_view, 3> kSequenceNames = {"V0", "V1", "V2"};

/// The window's font family. The default font is 8.25 point and the bold one
/// 9.75 point at 96 dots per inch: 11 and 13 pixels, whatever a screen claims.
inline constexpr std::string_view kFontFamily = "Liberation Sans";
inline constexpr int kDefaultFontPixels = 11;
inline constexpr int kBoldFontPixels = 13;

/// The impedance angles run from 0 to this many degrees.
inline constexpr int kMaxAngle = 90;

/// The Z0/Z12 and ZF/Z12 options from top to bottom: captions and ratios.
/// Z0/Z12 offers the first six, ZF/Z12 all seven.
inline constexpr std::array<std::string_view, 7> kRatioCaptions = {"3.0", "2.5", "2.0", "1.5",
                                                                   "1.0", "0.5", "0.0"};
inline constexpr std::array<float, 6> kZ0Ratios = {3.0f, 2.5f, 2.0f, 1.5f, 1.0f, 0.5f};
inline constexpr std::array<double, 7> kZfRatios = {3.0, 2.5, 2.0, 1.5, 1.0, 0.5, 0.0};

/// Height of a bar for 1.0 per unit and of the bar frame, in twips.
inline constexpr float kBarFullScale = 1500.0f;
/// Width of one magnitude bar, in twips.
inline constexpr float kBarWidth = 200.0f;
/// How far beyond its disc a sequence diagram is erased before it is drawn,
/// in twips: two pixels, more than the smoothed outline reaches.
inline constexpr float kSequenceMargin = 30.0f;

}  // namespace dipview::design

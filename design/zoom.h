#pragma once

#include <iterator>
#include <optional>
#include <string_view>

namespace dipview::design {

/// Zoom factors the zoom keys step through, smallest to largest.
inline constexpr double kZoomSteps[] = {0.5,  0.67, 0.75, 0.8, 0.9, 1.0, 1.1,
                                        1.25, 1.5,  1.75, 2.0, 2.5, 3.0, 4.0};
inline constexpr double kMinZoom = kZoomSteps[0];
inline constexpr double kMaxZoom = kZoomSteps[std::size(kZoomSteps) - 1];

/// What a zoom percentage allows, as messages say it.
inline constexpr std::string_view kAllowedZoom = "a percentage from 50 to 400";

/// The zoom factor for a percentage as `dipview --zoom` and the page's
/// ?zoom= take it: a decimal number from 50 to 400, with no sign, blanks or
/// unit; nullopt for anything else.
std::optional<double> ParseZoomPercent(std::string_view text);

/// The most device pixels per design pixel a drawing surface of `width` x
/// `height` design pixels may have: browsers allocate at most 16384 pixels a
/// side and 2^26 in all.
double CanvasRatioLimit(double width, double height);

}  // namespace dipview::design

#include "design/zoom.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace dipview::design {

std::optional<double> ParseZoomPercent(std::string_view text) {
  double percent = 0.0;
  const char* end = text.data() + text.size();
  if (text.empty() || text.front() == '-') {
    return std::nullopt;
  }
  const auto [ptr, ec] = std::from_chars(text.data(), end, percent);
  // NaN fails both comparisons.
  if (ec != std::errc() || ptr != end || !(percent >= kMinZoom * 100.0) ||
      !(percent <= kMaxZoom * 100.0)) {
    return std::nullopt;
  }
  return percent / 100.0;
}

double CanvasRatioLimit(double width, double height) {
  constexpr double kSide = 16384.0;
  constexpr double kArea = 67108864.0;  // 2^26
  return std::min({kSide / width, kSide / height, std::sqrt(kArea / (width * height))});
}

}  // namespace dipview::design

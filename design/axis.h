#pragma once

namespace dipview::design {

/// The step between a chart axis's ticks: 1, 2 or 5 times a power of ten,
/// giving about `count` ticks over `span` (both positive, in the axis's units).
double TickStep(double span, int count);

}  // namespace dipview::design

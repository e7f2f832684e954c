#pragma once

#include <array>

#include <QColor>

#include "compute/sequence.h"
#include "window/surface.h"

namespace dipview::window {

/// Entries 0, 12, 9 and 15 of the standard 16-colour palette.
inline const QColor kBlack{0, 0, 0};
inline const QColor kLightRed{255, 0, 0};
inline const QColor kLightBlue{0, 0, 255};
inline const QColor kWhite{255, 255, 255};

/// Height of a bar for 1.0 per unit and of the bar frame, in twips.
inline constexpr float kBarFullScale = 1500.0f;
/// Width of one magnitude bar, in twips.
inline constexpr float kBarWidth = 200.0f;
/// How far beyond its disc a sequence diagram is erased before it is drawn,
/// in twips: two pixels, more than the smoothed outline reaches.
inline constexpr float kSequenceMargin = 30.0f;

struct PointTwips {
  float x = 0.0f;
  float y = 0.0f;
  friend bool operator==(const PointTwips&, const PointTwips&) = default;
};

struct BoxTwips {
  float x1 = 0.0f;
  float y1 = 0.0f;
  float x2 = 0.0f;
  float y2 = 0.0f;
  friend bool operator==(const BoxTwips&, const BoxTwips&) = default;
};

/// End of a phasor line drawn from (x, y): (x + R re, y - R im), with (re, im)
/// from PolarToRect, so 1.0 per unit reaches the outer circle and +90 degrees
/// points up.
PointTwips PhasorEnd(float x, float y, float radius, const Phasor& v);

/// The frame of a bus's bars: (cx - 1.5w - 100, y0) to (cx + 1.5w + 100, y0 - H).
BoxTwips BarFrame(float cx, float y0);

/// The bars A, B, C side by side on y0, each |V| * H high.
std::array<BoxTwips, 3> Bars(float cx, float y0, const PhaseTriple& v);

/// Centre of sequence diagram k (0 = V0, 1 = V1, 2 = V2) in the fifth column.
PointTwips SequenceCentre(float firstBusCx, float columnWidth, float radius, float line4Y1, int k);

/// White disc of radius R outlined in the foreground colour, then the dotted
/// rings at 0.8, 0.6, 0.4 and 0.2 R. Leaves the draw style solid.
void DrawDiagramBackground(Surface& s, float x, float y, float radius);

/// Three backgrounds under each other, each on a freshly erased square, and
/// the V0, V1, V2 lines in black,
/// two pixels wide. Leaves draw width 1 and draw style solid.
void DrawSequenceDiagrams(Surface& s, float firstBusCx, float columnWidth, float radius,
                          float line4Y1, const SequenceTriple& v);

/// Va black, Vb light red, Vc light blue, two pixels wide, in that order.
void DrawPhasorLines(Surface& s, float cx, float cy, float radius, const PhaseTriple& v);

/// The white frame, its four dotted lines and the three filled bars. Leaves
/// the fill colour light blue.
void DrawMagnitudeBars(Surface& s, float cx, float y0, const PhaseTriple& v);

}  // namespace dipview::window
